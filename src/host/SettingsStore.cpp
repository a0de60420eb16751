#include "host/SettingsStore.h"

#include <cstring>
#include <glib.h>
#include <memory>

#include "host/SettingsFileWriter.h"
#include "host/SettingsLocation.h"

namespace {

struct KeyFileDeleter {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileDeleter>;

// The file as a key file; null when it is missing or cannot be parsed.
KeyFile LoadKeyFile(const std::string& path) {
    KeyFile file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr)) return nullptr;
    return file;
}

// Absent keys and values that are not numbers or booleans read as 0 or false.
int64_t ReadInteger(GKeyFile* file, SettingIndex index) {
    GError* error = nullptr;
    gint64 value = g_key_file_get_int64(file, kSettingsGroup, kSettingsTable[index].key, &error);
    if (error != nullptr) {
        g_error_free(error);
        return 0;
    }
    return value;
}

bool ReadBoolean(GKeyFile* file, SettingIndex index) {
    GError* error = nullptr;
    gboolean value = g_key_file_get_boolean(file, kSettingsGroup, kSettingsTable[index].key, &error);
    if (error != nullptr) {
        g_error_free(error);
        return false;
    }
    return value != FALSE;
}

bool HasCurrentVersion(GKeyFile* file) {
    gchar* version = g_key_file_get_string(file, kSettingsGroup, kSettingsVersionKey, nullptr);
    bool current = version != nullptr && std::strcmp(version, kSettingsVersion) == 0;
    g_free(version);
    return current;
}

// The four values and the marker go into `file`, leaving any other keys alone.
void PutUserSettings(GKeyFile* file, const USERSETTINGS& user) {
    g_key_file_set_string(file, kSettingsGroup, kSettingsVersionKey, kSettingsVersion);
    g_key_file_set_boolean(file, kSettingsGroup, kSettingsTable[kMainMonitorOnly].key, user.MainMonitorOnly);
    g_key_file_set_int64(file, kSettingsGroup, kSettingsTable[kNumCamels].key, user.values.NUM_CAMELS);
    g_key_file_set_boolean(file, kSettingsGroup, kSettingsTable[kPlaySound].key, user.values.PLAYSOUND);
    g_key_file_set_int64(file, kSettingsGroup, kSettingsTable[kVolume].key, user.values.VOLUME);
}

std::string KeyFileText(GKeyFile* file) {
    gsize length = 0;
    gchar* data = g_key_file_to_data(file, &length, nullptr);
    std::string text(data != nullptr ? data : "", data != nullptr ? length : 0);
    g_free(data);
    return text;
}

}  // namespace

USERSETTINGS ClampUserSettings(const USERSETTINGS& user) {
    USERSETTINGS clamped = user;
    clamped.values.NUM_CAMELS = ClampSetting(kNumCamels, user.values.NUM_CAMELS);
    clamped.values.VOLUME = static_cast<int32_t>(ClampSetting(kVolume, user.values.VOLUME));
    return clamped;
}

SettingsStore::SettingsStore(SettingsStoreMode mode)
    : SettingsStore(mode, mode == SettingsStoreMode::KeyFile ? SettingsFilePath(CurrentSettingsEnvironment())
                                                              : std::string()) {}

SettingsStore::SettingsStore(SettingsStoreMode mode, std::string filePath)
    : mode(mode), filePath(std::move(filePath)) {}

USERSETTINGS SettingsStore::Read() {
    if (mode == SettingsStoreMode::TableDefaultsOnly || filePath.empty()) return DefaultUserSettings();

    KeyFile file = LoadKeyFile(filePath);
    if (file == nullptr || !HasCurrentVersion(file.get())) {
        // First run: the defaults are stored and used, whatever was read.
        USERSETTINGS defaults = DefaultUserSettings();
        KeyFile fresh(g_key_file_new());
        PutUserSettings(fresh.get(), defaults);
        WriteFile(KeyFileText(fresh.get()));
        return defaults;
    }
    USERSETTINGS user;
    user.MainMonitorOnly = ReadBoolean(file.get(), kMainMonitorOnly);
    user.values.NUM_CAMELS = ClampSetting(kNumCamels, ReadInteger(file.get(), kNumCamels));
    user.values.PLAYSOUND = ReadBoolean(file.get(), kPlaySound);
    user.values.VOLUME = static_cast<int32_t>(ClampSetting(kVolume, ReadInteger(file.get(), kVolume)));
    return user;
}

bool SettingsStore::Save(const USERSETTINGS& user) {
    if (mode == SettingsStoreMode::TableDefaultsOnly || filePath.empty()) return false;
    // Reopen the file so keys this version does not know survive; a file that
    // vanished or broke since it was read is simply written anew.
    KeyFile file = LoadKeyFile(filePath);
    if (file == nullptr) file.reset(g_key_file_new());
    PutUserSettings(file.get(), ClampUserSettings(user));
    return WriteFile(KeyFileText(file.get()));
}

bool SettingsStore::WriteFile(const std::string& text) {
    return MakeSettingsFolder(filePath) && WriteSettingsFileAtomically(filePath, text);
}
