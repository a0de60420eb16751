#include "XScreenSaverXml.h"

#include <cctype>

#include "host/SettingsTable.h"

namespace {

std::string Escaped(const char* text) {
    std::string out;
    for (const char* c = text; *c != '\0'; ++c) {
        switch (*c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += *c;
        }
    }
    return out;
}

// The control's id: the key in lower case ("NumCamels" becomes "numcamels").
std::string ControlId(const SettingDescription& setting) {
    std::string id;
    for (const char* c = setting.key; *c != '\0'; ++c) id += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    return id;
}

// Wide ranges get a spin button (a slider cannot pick one of 10,000); narrow
// ones a slider.
constexpr int64_t kSliderMaximumSpan = 1000;

std::string NumberElement(const SettingDescription& setting) {
    const bool slider = setting.maximum - setting.minimum <= kSliderMaximumSpan;
    std::string element = "  <number id=\"" + ControlId(setting) + "\" type=\"" +
                          (slider ? "slider" : "spinbutton") + "\" arg=\"" + Escaped(setting.option) +
                          " %\"\n          _label=\"" + Escaped(setting.label) + "\"";
    if (slider)
        element += " _low-label=\"" + std::to_string(setting.minimum) + "\" _high-label=\"" +
                   std::to_string(setting.maximum) + "\"";
    element += "\n          low=\"" + std::to_string(setting.minimum) + "\" high=\"" +
               std::to_string(setting.maximum) + "\" default=\"" + std::to_string(setting.defaultValue) + "\"/>\n";
    return element;
}

std::string BooleanElement(const SettingDescription& setting) {
    const bool onByDefault = setting.defaultValue != 0;
    return "  <boolean id=\"" + ControlId(setting) + "\" _label=\"" + Escaped(setting.label) + "\" " +
           (onByDefault ? "arg-unset=\"" + Escaped(setting.optionOff) : "arg-set=\"" + Escaped(setting.option)) +
           "\"/>\n";
}

}  // namespace

std::string XScreenSaverSettingsXml() {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- Generated from Sandmere's settings table; edits here are lost. -->\n\n"
        "<screensaver name=\"sandmere\" _label=\"Sandmere\" gl=\"yes\">\n\n"
        "  <command arg=\"--root\"/>\n"
        "  <command arg=\"" + std::string(kNoSettingsFileOption) + "\"/>\n\n";
    for (const SettingDescription& setting : kSettingsTable)
        xml += setting.kind == SettingKind::Integer ? NumberElement(setting) : BooleanElement(setting);
    xml +=
        "\n  <_description>\n"
        "A desert at the end of the day: dunes and landmarks under a sky dome, a herd\n"
        "of skeletally animated camels, a sun whose lens flare hides behind whatever\n"
        "covers it, and a camera director that keeps changing its shot.\n\n"
        "The choices made here are passed to sandmere as options; the other screen\n"
        "savers and the window mode use \"sandmere --configure\" instead.\n"
        "  </_description>\n"
        "</screensaver>\n";
    return xml;
}
