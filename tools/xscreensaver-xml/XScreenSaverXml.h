// XScreenSaver's settings file for Sandmere, written from the settings table.
//
// XScreenSaver's settings dialog builds a saver's controls from a file
// config/<program>.xml: each <number> or <boolean> element becomes a control,
// and the options they stand for are appended to the program's command line.
// A boolean adds its "arg-set" option when checked and its "arg-unset" option
// when unchecked, and the dialog omits any option whose value equals the
// default; so a setting that defaults to on is written with its off option,
// one that defaults to off with its on option. The <command> elements are
// always passed: --root, and the marker that tells sandmere to take its
// settings from the options alone.
#pragma once

#include <string>

// The whole file, as text.
std::string XScreenSaverSettingsXml();
