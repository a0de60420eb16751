// The configuration sheet: a GTK dialog in which the user edits the four
// settings and saves them to the store.
//
// The interface comes from the GtkBuilder file "Sandmere.ui" in the resource
// folder, loaded once by Setup and kept until Cleanup. Its object ids name the
// sheet's outlets (configureSheet, oSave, oMainMonitorOnly, oNumCamels,
// oPlaySound, oVolume) and its signal handlers the sheet's actions
// (configureSheet_save, _cancel, _defaults, _update, _openwebsite). Labels and
// ranges of the controls are set from the settings table at load time, so the
// sheet offers exactly what the store keeps.
//
// Open fills the controls from the values its owner passes (the stored ones,
// never this run's command-line overrides, which Save would otherwise store)
// and shows the sheet without waiting: the owner's loop keeps running and
// pumps GTK with PumpConfigureSheets. Save stores the controls' values,
// hides the sheet and hands the values to the owner; Cancel hides it and
// stores nothing; Defaults only fills the controls. Closing the sheet through
// the window manager or with Esc is Cancel, and the sheet is hidden, never
// destroyed, so the next Open reuses it.
#pragma once

#include <functional>
#include <string>

#include "host/SettingsStore.h"
#include "host/UserSettings.h"

typedef struct _GtkBuilder GtkBuilder;
typedef struct _GtkWidget GtkWidget;
typedef struct _GObject GObject;

class ConfigureSheet {
public:
    // Called after Save with the values just saved (also when the store could
    // not write them: they still apply to the running owner).
    using SavedHandler = std::function<void(const USERSETTINGS&)>;

    ConfigureSheet() = default;
    ~ConfigureSheet() { Cleanup(); }
    ConfigureSheet(const ConfigureSheet&) = delete;
    ConfigureSheet& operator=(const ConfigureSheet&) = delete;

    // Loads `uiPath` (once; later calls answer whether it is loaded). GTK
    // must be initialised. False when the file is missing or lacks an outlet.
    bool Setup(const std::string& uiPath, SettingsStore* store, SavedHandler onSaved);
    void Cleanup();

    // Fills the controls from `values` and shows the sheet. A sheet already
    // open is only raised, with the edits in progress kept.
    void Open(const USERSETTINGS& values);
    bool IsOpen() const;

    // The controls' values as a settings record.
    USERSETTINGS ControlValues() const;
    // The sheet window, and any object of the interface file by id.
    GtkWidget* Window() const { return configureSheet; }
    GObject* Object(const char* id) const;

    // The actions, as the interface file's signals call them.
    void Save();
    void Cancel();
    void Defaults();
    void UpdateStates();
    void OpenWebsite();

private:
    void Fill(const USERSETTINGS& values);
    void ApplyTable();

    GtkBuilder* builder = nullptr;
    GtkWidget* configureSheet = nullptr;
    GtkWidget* oSave = nullptr;
    GtkWidget* oMainMonitorOnly = nullptr;
    GtkWidget* oNumCamels = nullptr;
    GtkWidget* oPlaySound = nullptr;
    GtkWidget* oVolume = nullptr;
    SettingsStore* store = nullptr;
    SavedHandler onSaved;
};

// The path of the interface file in a resource folder.
std::string ConfigureSheetFile(const std::string& resourceFolder);

// Initialises GTK on the display, once, when a sheet is first wanted: runs
// that never open one (module, full-screen, headless) never set up GTK. The
// numeric locale stays "C", as the rest of the program writes numbers with
// the C library. False when there is no display.
bool StartConfigureSheetToolkit();
// Whether StartConfigureSheetToolkit succeeded in this process.
bool ConfigureSheetToolkitStarted();

// Runs everything GTK has waiting, without blocking: the owner's loop calls it
// once per tick while a sheet may be open.
void PumpConfigureSheets();

// `sandmere --configure`: initialises GTK, shows the sheet as a dialog of its
// own filled from the store, and returns when it is closed (Save, Cancel, the
// window manager, Esc; SIGTERM, SIGINT and SIGHUP count as Cancel). 0 when the
// sheet was shown, 1 when there is no display or no interface file.
int RunConfigureDialog(const std::string& resourceFolder, SettingsStore& store);
