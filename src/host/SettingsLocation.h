// Where the settings file lives, and making its folder.
//
// The file is $XDG_CONFIG_HOME/kwSandmere/settings.ini. XDG's base-directory
// rules only trust an absolute XDG_CONFIG_HOME; one that is unset,
// empty or relative means $HOME/.config. Some hosts start their savers with a
// reduced environment and no HOME at all, so the password database answers
// last. Without any home the path is empty and the store keeps to defaults.
#pragma once

#include <string>

// Values of the environment the location depends on; null means unset.
struct SettingsEnvironment {
    const char* xdgConfigHome = nullptr;
    const char* home = nullptr;
};

// The environment of this process.
SettingsEnvironment CurrentSettingsEnvironment();

// The settings file's full path, or an empty string when no home is known.
std::string SettingsFilePath(const SettingsEnvironment& environment);

// Creates every missing folder on the way to the settings file, each with
// mode 0700 (folders that exist keep their mode). True when the folder exists
// afterwards.
bool MakeSettingsFolder(const std::string& filePath);
