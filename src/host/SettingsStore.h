// The settings store: the user's four choices in a key file, group
// "kwSandmere", with the keys and kinds of the settings table.
//
// Reading follows a fixed order: the version marker, then the four values.
// When the marker is absent or not exactly "1.0" (a first run, a file from
// another version, or a file that cannot be parsed at all) the defaults
// replace whatever was read and are written back at once. An absent or
// unreadable key reads as false or 0. Numbers are read at 64 bits and kept in
// their table range before they are narrowed, so no file can ask for zero,
// negative or billions of camels.
//
// The store is written only by the first-run rule and by Save, each time as a
// whole new file renamed over the old one (SettingsFileWriter.h). Nothing is
// reported to the caller beyond a bool: a store that cannot be written still
// hands out sensible values.
//
// A store made with SettingsStoreMode::TableDefaultsOnly never touches the
// disk: Read gives the table's defaults and Save stores nothing. That is the
// mode of a run XScreenSaver starts, whose own settings dialog passes options.
#pragma once

#include <string>

#include "host/UserSettings.h"

enum class SettingsStoreMode { KeyFile, TableDefaultsOnly };

class SettingsStore {
public:
    // The store in its usual place ($XDG_CONFIG_HOME/kwSandmere/settings.ini).
    explicit SettingsStore(SettingsStoreMode mode = SettingsStoreMode::KeyFile);
    // A store at a given file; an empty path behaves as no store at all (defaults, nothing written).
    SettingsStore(SettingsStoreMode mode, std::string filePath);

    // The stored values, applying the first-run rule.
    USERSETTINGS Read();
    // Stores the four values and the version marker. True when they are on disk.
    bool Save(const USERSETTINGS& user);

    SettingsStoreMode Mode() const { return mode; }
    const std::string& FilePath() const { return filePath; }

private:
    bool WriteFile(const std::string& text);

    SettingsStoreMode mode;
    std::string filePath;
};

// A record with every value inside its table range.
USERSETTINGS ClampUserSettings(const USERSETTINGS& user);
