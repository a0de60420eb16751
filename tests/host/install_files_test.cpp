// What `cmake --install` delivers: XScreenSaver's settings file, parsed, held
// against the settings table and its every command line run through the
// program's own option parser; and the program and every file the desktop's
// screen-saver hosts and menus look for, installed into a temporary prefix.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <glib.h>
#include <gtest/gtest.h>
#include <map>
#include <vector>

#include "TestFiles.h"
#include "host/Options.h"
#include "host/SettingsTable.h"

namespace {

namespace fs = std::filesystem;
using Attributes = std::map<std::string, std::string>;

struct Element {
    std::string name;
    Attributes attributes;
};

// Every element of an XML file with its attributes, through GLib's markup parser.
bool ParseElements(const std::string& text, std::vector<Element>& elements) {
    GMarkupParser parser{};
    parser.start_element = [](GMarkupParseContext*, const gchar* name, const gchar** keys, const gchar** values,
                              gpointer data, GError**) {
        Element element{name, {}};
        for (int i = 0; keys[i] != nullptr; ++i) element.attributes[keys[i]] = values[i];
        static_cast<std::vector<Element>*>(data)->push_back(element);
    };
    GMarkupParseContext* context = g_markup_parse_context_new(&parser, G_MARKUP_TREAT_CDATA_AS_TEXT, &elements, nullptr);
    // GMarkup does not read the XML declaration; the parser starts after it.
    size_t start = text.find("?>");
    const std::string body = start == std::string::npos ? text : text.substr(start + 2);
    bool parsed = g_markup_parse_context_parse(context, body.c_str(), -1, nullptr) &&
                  g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    return parsed;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Each setting of the table is offered as its own option. XScreenSaver runs
// the <command> arguments and, for each control, its argument with % replaced
// by the value: every value the file allows must be a command line sandmere
// takes, as a module run that leaves the key file alone.
TEST(XScreenSaverSettingsFileTest, OffersEveryTableSettingAndEveryCommandItCanRunIsAccepted) {
    std::vector<Element> elements;
    ASSERT_TRUE(ParseElements(testfiles::ReadText(SANDMERE_XSCREENSAVER_XML), elements));
    ASSERT_FALSE(elements.empty());
    EXPECT_EQ(elements[0].name, "screensaver");
    EXPECT_EQ(elements[0].attributes["name"], "sandmere");  // the program XScreenSaver runs

    std::vector<std::string> commands;
    std::map<std::string, Attributes> controls;     // by the option they pass
    std::vector<std::vector<std::string>> choices;  // per control: the arguments it may add
    for (const Element& element : elements) {
        Attributes a = element.attributes;
        if (element.name == "command") commands.push_back(a["arg"]);
        if (element.name == "boolean") {
            controls[a.count("arg-set") ? a["arg-set"] : a["arg-unset"]] = a;
            choices.push_back({a["arg-set"], a["arg-unset"]});
        }
        if (element.name == "number") {
            controls[a["arg"]] = a;
            choices.emplace_back();
            for (const char* bound : {"low", "high", "default"}) {
                std::string arg = a["arg"];
                choices.back().push_back(arg.replace(arg.find('%'), 1, a[bound]));
            }
        }
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"--root", kNoSettingsFileOption}));
    ASSERT_EQ(controls.size(), static_cast<size_t>(kSettingCount));
    ASSERT_EQ(choices.size(), static_cast<size_t>(kSettingCount));
    for (const SettingDescription& setting : kSettingsTable) {
        SCOPED_TRACE(setting.key);
        if (setting.kind == SettingKind::Integer) {
            // XScreenSaver replaces % with the value: "--camels 25".
            Attributes& a = controls[std::string(setting.option) + " %"];
            EXPECT_EQ(a["low"], std::to_string(setting.minimum));
            EXPECT_EQ(a["high"], std::to_string(setting.maximum));
            EXPECT_EQ(a["default"], std::to_string(setting.defaultValue));
            EXPECT_EQ(a["_label"], setting.label);
        } else {
            // Only the option that differs from the default is ever passed.
            const bool onByDefault = setting.defaultValue != 0;
            Attributes& a = controls[onByDefault ? setting.optionOff : setting.option];
            EXPECT_EQ(a.count(onByDefault ? "arg-unset" : "arg-set"), 1u);
            EXPECT_EQ(a["_label"], setting.label);
        }
    }
    for (size_t pick = 0; pick < 3; ++pick) {  // every control at its first, second, third choice
        std::vector<std::string> line = commands;
        for (const auto& control : choices)
            for (const std::string& word : Words(control[std::min(pick, control.size() - 1)])) line.push_back(word);
        std::string shown;
        for (const std::string& word : line) shown += word + " ";
        SCOPED_TRACE(shown);
        const PARSERESULT parsed = ParseOptions(line, "0x400001");
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.options.mode, HostMode::Module);
        EXPECT_FALSE(parsed.options.overrides.settingsFile);
    }
}

TEST(InstallTest, PutsEveryFileWhereItsHostLooks) {
    testfiles::TempDir prefix;
    const std::string command = std::string("'") + SANDMERE_CMAKE_COMMAND + "' --install '" + SANDMERE_BINARY_DIR +
                                "' --prefix '" + prefix.path() + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    EXPECT_TRUE(fs::is_regular_file(prefix.File("bin/sandmere")));
    EXPECT_EQ(fs::status(prefix.File("bin/sandmere")).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
    const std::string share = prefix.File("share/");
    for (const char* file : {"sandmere/Sandmere.ui", "sandmere/kestrel.workshops", "sandmere/c.kst", "sandmere/g.kst",
                             "sandmere/s.kst", "sandmere/kestrel.wav", "xscreensaver/config/sandmere.xml"})
        EXPECT_TRUE(fs::is_regular_file(share + file)) << file;
    EXPECT_EQ(testfiles::ReadText(share + "xscreensaver/config/sandmere.xml"),
              testfiles::ReadText(SANDMERE_XSCREENSAVER_XML));

    // The desktop entries: valid, and each running the right command.
    const std::pair<const char*, const char*> entries[] = {
        {"applications/screensavers/sandmere.desktop", "Exec=sandmere --root\n"},
        {"applications/sandmere.desktop", "Exec=sandmere\n"},
        {"applications/sandmere-settings.desktop", "Exec=sandmere --configure\n"},
    };
    for (const auto& [file, exec] : entries) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(fs::is_regular_file(share + file));
        EXPECT_NE(testfiles::ReadText(share + file).find(exec), std::string::npos);
        EXPECT_EQ(std::system(("desktop-file-validate --no-hints '" + share + file + "'").c_str()), 0);
    }
}

}  // namespace
