#include "host/Options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace {

constexpr int kMaxSide = 16384;  // pixels, either side of --size
constexpr double kMaxDuration = 7.0 * 24.0 * 3600.0;

bool ParseInteger(const std::string& text, int64_t minimum, int64_t maximum, int64_t* out) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return false;
    if (value < minimum || value > maximum) return false;
    *out = value;
    return true;
}

bool ParseSeconds(const std::string& text, double* out) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return false;
    *out = value;
    return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
    const auto x = text.find('x');
    if (x == std::string::npos) return false;
    int64_t w = 0, h = 0;
    if (!ParseInteger(text.substr(0, x), 1, kMaxSide, &w)) return false;
    if (!ParseInteger(text.substr(x + 1), 1, kMaxSide, &h)) return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

// One command line being read: the arguments, the position, what was found.
class Parser {
public:
    Parser(const std::vector<std::string>& a, PARSERESULT& r) : args(a), result(r) {}

    bool Fail(const std::string& why) {
        result.ok = false;
        result.error = why;
        return false;
    }

    // The value of the option at args[i]: after '=' or the next argument.
    bool Value(const std::string& name, const std::string* inlineValue, std::string* value) {
        if (inlineValue) {
            *value = *inlineValue;
            return true;
        }
        if (i + 1 >= args.size()) return Fail(name + " needs a value");
        *value = args[++i];
        return true;
    }

    const std::vector<std::string>& args;
    PARSERESULT& result;
    std::size_t i = 0;
    std::vector<HostMode> modes;  // every mode option given, in order
};

using Handler = std::function<bool(Parser&, const std::string& name, const std::string* inlineValue)>;

bool SettingOption(Parser& p, SettingIndex index, const std::string& name, const std::string* inlineValue) {
    const SettingDescription& d = kSettingsTable[index];
    std::string text;
    if (!p.Value(name, inlineValue, &text)) return false;
    int64_t value = 0;
    if (!ParseInteger(text, d.minimum, d.maximum, &value))
        return p.Fail(name + " takes a whole number from " + std::to_string(d.minimum) + " to " +
                      std::to_string(d.maximum) + ", not \"" + text + "\"");
    p.result.options.overrides.value[index] = value;
    return true;
}

Handler Flag(bool HOSTOPTIONS::*field) {
    return [field](Parser& p, const std::string& name, const std::string* inlineValue) {
        if (inlineValue) return p.Fail(name + " takes no value");
        p.result.options.*field = true;
        return true;
    };
}

Handler Mode(HostMode mode) {
    return [mode](Parser& p, const std::string& name, const std::string* inlineValue) {
        if (inlineValue) return p.Fail(name + " takes no value");
        p.modes.push_back(mode);
        return true;
    };
}

Handler Seconds(double HOSTOPTIONS::*field) {
    return [field](Parser& p, const std::string& name, const std::string* inlineValue) {
        std::string text;
        if (!p.Value(name, inlineValue, &text)) return false;
        double value = 0.0;
        if (!ParseSeconds(text, &value)) return p.Fail(name + " takes seconds, not \"" + text + "\"");
        p.result.options.*field = value;
        return true;
    };
}

Handler Text(std::string HOSTOPTIONS::*field) {
    return [field](Parser& p, const std::string& name, const std::string* inlineValue) {
        std::string text;
        if (!p.Value(name, inlineValue, &text)) return false;
        if (text.empty()) return p.Fail(name + " needs a non-empty value");
        p.result.options.*field = text;
        return true;
    };
}

std::map<std::string, Handler> Handlers() {
    std::map<std::string, Handler> h;
    h["--help"] = Flag(&HOSTOPTIONS::help);
    h["--version"] = Flag(&HOSTOPTIONS::version);
    h["--fullscreen"] = Mode(HostMode::Fullscreen);
    h["--preview"] = Mode(HostMode::Preview);
    h["--headless"] = Mode(HostMode::Headless);
    h["--configure"] = Mode(HostMode::Configure);
    h[kNoSettingsFileOption] = [](Parser& p, const std::string& name, const std::string* inlineValue) {
        if (inlineValue) return p.Fail(name + " takes no value");
        p.result.options.overrides.settingsFile = false;
        return true;
    };
    h["--root"] = h["-root"] = [](Parser& p, const std::string& name, const std::string* inlineValue) {
        if (inlineValue) return p.Fail(name + " takes no value");
        p.result.options.root = true;
        p.modes.push_back(HostMode::Module);
        return true;
    };
    h["--window-id"] = h["-window-id"] = [](Parser& p, const std::string& name, const std::string* inlineValue) {
        std::string text;
        if (!p.Value(name, inlineValue, &text)) return false;
        const auto id = ParseWindowId(text);
        if (!id) return p.Fail(name + " takes a window id (0x... or decimal), not \"" + text + "\"");
        p.result.options.windowId = *id;
        p.modes.push_back(HostMode::Module);
        return true;
    };
    h["--size"] = [](Parser& p, const std::string& name, const std::string* inlineValue) {
        std::string text;
        if (!p.Value(name, inlineValue, &text)) return false;
        HOSTOPTIONS& o = p.result.options;
        if (!ParseSize(text, &o.width, &o.height))
            return p.Fail(name + " takes WIDTHxHEIGHT in pixels (1 to " + std::to_string(kMaxSide) +
                          "), not \"" + text + "\"");
        o.sizeGiven = true;
        return true;
    };
    h["--seed"] = [](Parser& p, const std::string& name, const std::string* inlineValue) {
        std::string text;
        if (!p.Value(name, inlineValue, &text)) return false;
        int64_t value = 0;
        if (!ParseInteger(text, 0, UINT32_MAX, &value))
            return p.Fail(name + " takes a whole number from 0 to 4294967295, not \"" + text + "\"");
        p.result.options.seed = static_cast<uint32_t>(value);
        return true;
    };
    h["--trace-every"] = [](Parser& p, const std::string& name, const std::string* inlineValue) {
        std::string text;
        if (!p.Value(name, inlineValue, &text)) return false;
        int64_t value = 0;
        if (!ParseInteger(text, 1, 1000000, &value))
            return p.Fail(name + " takes a whole number from 1 to 1000000, not \"" + text + "\"");
        p.result.options.traceEvery = static_cast<int>(value);
        return true;
    };
    h["--resources"] = Text(&HOSTOPTIONS::resources);
    h["--trace"] = Text(&HOSTOPTIONS::trace);
    h["--snapshot"] = Text(&HOSTOPTIONS::snapshot);
    h["--snapshot-dir"] = Text(&HOSTOPTIONS::snapshotDir);
    h["--step"] = Seconds(&HOSTOPTIONS::step);
    h["--duration"] = Seconds(&HOSTOPTIONS::duration);
    h["--snapshot-every"] = Seconds(&HOSTOPTIONS::snapshotEvery);

    for (int s = 0; s < kSettingCount; ++s) {
        const SettingDescription& d = kSettingsTable[s];
        const auto index = static_cast<SettingIndex>(s);
        if (d.kind == SettingKind::Integer) {
            h[d.option] = [index](Parser& p, const std::string& name, const std::string* inlineValue) {
                return SettingOption(p, index, name, inlineValue);
            };
            continue;
        }
        for (const bool on : {true, false}) {
            h[on ? d.option : d.optionOff] = [index, on](Parser& p, const std::string& name,
                                                        const std::string* inlineValue) {
                if (inlineValue) return p.Fail(name + " takes no value");
                p.result.options.overrides.value[index] = on ? 1 : 0;
                return true;
            };
        }
    }
    return h;
}

// The checks that need the whole command line.
bool CheckTogether(Parser& p, const char* xscreensaverWindow) {
    HOSTOPTIONS& o = p.result.options;
    for (const HostMode m : p.modes)
        if (m != p.modes.front())
            return p.Fail("choose one of --fullscreen, --root/--window-id, --preview, --headless, --configure");
    if (!p.modes.empty())
        o.mode = p.modes.front();
    else if (xscreensaverWindow && *xscreensaverWindow)
        o.mode = HostMode::Module;  // started by XScreenSaver without -root

    const bool headless = o.mode == HostMode::Headless;
    const double minStep = 1.0 / 60.0;
    if (!(o.step > minStep && o.step <= 2.0))
        return p.Fail("--step must be above 1/60 and at most 2 seconds");
    if (!(o.duration > 0.0 && o.duration <= kMaxDuration))
        return p.Fail("--duration must be above 0 and at most a week");
    if (o.snapshotEvery < 0.0) return p.Fail("--snapshot-every must be above 0");
    if ((o.snapshotEvery > 0.0) != !o.snapshotDir.empty())
        return p.Fail("--snapshot-every and --snapshot-dir go together");
    const bool headlessOnly = !o.snapshot.empty() || !o.snapshotDir.empty();
    for (const char* name : {"--step", "--duration"})
        for (const std::string& a : p.args)
            if (!headless && (a == name || a.rfind(std::string(name) + "=", 0) == 0))
                return p.Fail(std::string(name) + " is for --headless runs");
    if (headlessOnly && !headless) return p.Fail("snapshots are for --headless runs");
    if (o.sizeGiven && (o.mode == HostMode::Fullscreen || o.mode == HostMode::Module || o.mode == HostMode::Configure))
        return p.Fail("--size is for window, preview and headless runs");
    if (o.mode == HostMode::Configure) {
        // The sheet shows and saves the stored values: an override would be
        // silently ignored, and with the marker nothing could be saved.
        if (!o.overrides.settingsFile)
            return p.Fail(std::string("--configure edits the settings file, which ") + kNoSettingsFileOption +
                          " leaves alone");
        for (const auto& value : o.overrides.value)
            if (value) return p.Fail("--configure edits the stored settings; options such as --camels are for runs");
    }
    return true;
}

}  // namespace

std::optional<unsigned long> ParseWindowId(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    unsigned long value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (begin == end || ec != std::errc() || ptr != end || value == 0) return std::nullopt;
    return value;
}

PARSERESULT ParseOptions(const std::vector<std::string>& args, const char* xscreensaverWindow) {
    PARSERESULT result;
    result.ok = true;
    Parser p(args, result);
    static const std::map<std::string, Handler> handlers = Handlers();
    for (p.i = 0; p.i < args.size(); ++p.i) {
        const std::string& arg = args[p.i];
        const auto equals = arg.find('=');
        const bool hasValue = equals != std::string::npos && arg.rfind("-", 0) == 0;
        const std::string name = hasValue ? arg.substr(0, equals) : arg;
        const std::string value = hasValue ? arg.substr(equals + 1) : std::string();
        const auto found = handlers.find(name);
        if (found == handlers.end()) {
            p.Fail("unknown option \"" + arg + "\" (see --help)");
            return result;
        }
        if (!found->second(p, name, hasValue ? &value : nullptr)) return result;
    }
    if (result.options.help || result.options.version) return result;
    CheckTogether(p, xscreensaverWindow);
    return result;
}

std::string UsageText() {
    std::string text =
        "usage: sandmere [MODE] [OPTIONS]\n"
        "\n"
        "Modes (one at most):\n"
        "  (none)               the saver in a 1280x720 window; q, Esc or closing it quits,\n"
        "                       s opens the settings sheet\n"
        "  --fullscreen         one view on every monitor; any key, click or mouse move quits\n"
        "  --root, -root        XScreenSaver module: draws into $XSCREENSAVER_WINDOW or the root\n"
        "  --window-id ID       draws into window ID (0x... or decimal) as the preview\n"
        "  --preview            the preview in a small window (no banner, no sound)\n"
        "  --headless           no display: renders with a fixed time step\n"
        "  --configure          the settings sheet; the choices are stored for later runs\n"
        "\n"
        "Options:\n"
        "  --size WxH           window, preview or headless size in pixels\n"
        "  --resources DIR      the folder of the data files\n"
        "  --seed N             repeatable runs: view k is seeded with N + k\n";
    for (const SettingDescription& d : kSettingsTable) {
        std::string names = d.kind == SettingKind::Integer
                                ? std::string(d.option) + " N"
                                : std::string(d.option) + ", " + d.optionOff;
        // Names longer than the column put the label on a line of its own.
        names = names.size() < 21 ? names + std::string(21 - names.size(), ' ') : names + "\n" + std::string(23, ' ');
        text += "  " + names + d.label;
        if (d.kind == SettingKind::Integer)
            text += " (" + std::to_string(d.minimum) + " to " + std::to_string(d.maximum) + ")";
        text += ", for this run only\n";
    }
    text += std::string("  ") + kNoSettingsFileOption +
            "   neither read nor write the settings file: the defaults and\n"
            "                       the options given decide (XScreenSaver's command carries it)\n";
    text +=
        "  --trace FILE         one JSON line per drawn frame: timers, camera, herd, overlay\n"
        "  --trace-every N      keep every Nth drawn frame in the trace\n"
        "  --step S             headless: seconds per tick (above 1/60, at most 2; 1/30)\n"
        "  --duration S         headless: seconds of scene time (20)\n"
        "  --snapshot FILE.png  headless: the last frame\n"
        "  --snapshot-every S --snapshot-dir DIR\n"
        "                       headless: DIR/frame-NNNNNN.png every S seconds of scene time\n"
        "  --help, --version\n";
    return text;
}
