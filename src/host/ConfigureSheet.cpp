#include "host/ConfigureSheet.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>

#include "host/SettingsTable.h"
#include "host/WebPage.h"

namespace {

ConfigureSheet* SheetOf(gpointer data) { return static_cast<ConfigureSheet*>(data); }

// The interface file's signal handlers. GtkBuilder passes the sheet as user data.
extern "C" {
void configureSheet_save(GtkButton*, gpointer sheet) { SheetOf(sheet)->Save(); }
void configureSheet_cancel(GtkButton*, gpointer sheet) { SheetOf(sheet)->Cancel(); }
void configureSheet_defaults(GtkButton*, gpointer sheet) { SheetOf(sheet)->Defaults(); }
void configureSheet_update(GtkToggleButton*, gpointer sheet) { SheetOf(sheet)->UpdateStates(); }
// The link button's own opening (through GIO) is replaced by the sheet's launcher.
gboolean configureSheet_openwebsite(GtkLinkButton*, gpointer sheet) {
    SheetOf(sheet)->OpenWebsite();
    return TRUE;
}
}

// The window manager's close button and Esc (which GtkDialog turns into a
// delete request) both end here: Cancel, and keep the window.
gboolean CloseRequested(GtkWidget*, GdkEvent*, gpointer sheet) {
    SheetOf(sheet)->Cancel();
    return TRUE;
}

GtkWidget* Widget(GtkBuilder* builder, const char* id) {
    GObject* object = gtk_builder_get_object(builder, id);
    return object != nullptr && GTK_IS_WIDGET(object) ? GTK_WIDGET(object) : nullptr;
}

void SetRange(GtkWidget* control, SettingIndex index) {
    const SettingDescription& setting = kSettingsTable[index];
    if (GTK_IS_SPIN_BUTTON(control))
        gtk_spin_button_set_range(GTK_SPIN_BUTTON(control), setting.minimum, setting.maximum);
    else
        gtk_range_set_range(GTK_RANGE(control), setting.minimum, setting.maximum);
}

int64_t IntegerValue(GtkWidget* control) {
    if (GTK_IS_SPIN_BUTTON(control)) {
        // Commit a number typed but not yet confirmed with Enter or Tab.
        gtk_spin_button_update(GTK_SPIN_BUTTON(control));
        return gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(control));
    }
    return std::lround(gtk_range_get_value(GTK_RANGE(control)));
}

void SetIntegerValue(GtkWidget* control, int64_t value) {
    if (GTK_IS_SPIN_BUTTON(control))
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(control), static_cast<double>(value));
    else
        gtk_range_set_value(GTK_RANGE(control), static_cast<double>(value));
}

bool IsChecked(GtkWidget* box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)) != FALSE; }
void SetChecked(GtkWidget* box, bool on) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), on); }

}  // namespace

std::string ConfigureSheetFile(const std::string& resourceFolder) {
    std::string path = resourceFolder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + "Sandmere.ui";
}

bool ConfigureSheet::Setup(const std::string& uiPath, SettingsStore* settingsStore, SavedHandler savedHandler) {
    store = settingsStore;
    onSaved = std::move(savedHandler);
    if (builder != nullptr) return true;

    GError* error = nullptr;
    builder = gtk_builder_new();
    gtk_builder_add_callback_symbols(builder,
        "configureSheet_save", G_CALLBACK(configureSheet_save),
        "configureSheet_cancel", G_CALLBACK(configureSheet_cancel),
        "configureSheet_defaults", G_CALLBACK(configureSheet_defaults),
        "configureSheet_update", G_CALLBACK(configureSheet_update),
        "configureSheet_openwebsite", G_CALLBACK(configureSheet_openwebsite), nullptr);
    if (!gtk_builder_add_from_file(builder, uiPath.c_str(), &error)) {
        std::fprintf(stderr, "sandmere: cannot load the configuration sheet %s: %s\n", uiPath.c_str(), error->message);
        g_error_free(error);
        Cleanup();
        return false;
    }
    configureSheet = Widget(builder, "configureSheet");
    oSave = Widget(builder, "oSave");
    oMainMonitorOnly = Widget(builder, "oMainMonitorOnly");
    oNumCamels = Widget(builder, "oNumCamels");
    oPlaySound = Widget(builder, "oPlaySound");
    oVolume = Widget(builder, "oVolume");
    bool complete = GTK_IS_WINDOW(configureSheet) && oSave != nullptr && GTK_IS_TOGGLE_BUTTON(oMainMonitorOnly) &&
                    (GTK_IS_SPIN_BUTTON(oNumCamels) || GTK_IS_RANGE(oNumCamels)) && GTK_IS_TOGGLE_BUTTON(oPlaySound) &&
                    (GTK_IS_SPIN_BUTTON(oVolume) || GTK_IS_RANGE(oVolume));
    if (!complete) {
        std::fprintf(stderr, "sandmere: the configuration sheet %s lacks one of its controls\n", uiPath.c_str());
        Cleanup();
        return false;
    }
    // The builder holds the toplevel; the sheet holds it too, so hiding never frees it.
    g_object_ref_sink(configureSheet);
    gtk_builder_connect_signals(builder, this);
    g_signal_connect(configureSheet, "delete-event", G_CALLBACK(CloseRequested), this);
    ApplyTable();
    return true;
}

void ConfigureSheet::Cleanup() {
    if (configureSheet != nullptr) {
        g_signal_handlers_disconnect_by_data(configureSheet, this);
        gtk_widget_destroy(configureSheet);
        g_object_unref(configureSheet);
    }
    if (builder != nullptr) g_object_unref(builder);
    builder = nullptr;
    configureSheet = oSave = oMainMonitorOnly = oNumCamels = oPlaySound = oVolume = nullptr;
}

// Labels and ranges from the settings table, and the web page's address.
void ConfigureSheet::ApplyTable() {
    SetRange(oNumCamels, kNumCamels);
    SetRange(oVolume, kVolume);
    gtk_button_set_label(GTK_BUTTON(oPlaySound), kSettingsTable[kPlaySound].label);
    gtk_button_set_label(GTK_BUTTON(oMainMonitorOnly), kSettingsTable[kMainMonitorOnly].label);
    if (GtkWidget* label = Widget(builder, "lNumCamels"))
        gtk_label_set_text(GTK_LABEL(label), kSettingsTable[kNumCamels].label);
    if (GtkWidget* label = Widget(builder, "lVolume"))
        gtk_label_set_text(GTK_LABEL(label), kSettingsTable[kVolume].label);
    if (GtkWidget* link = Widget(builder, "oWebsite"); GTK_IS_LINK_BUTTON(link))
        gtk_link_button_set_uri(GTK_LINK_BUTTON(link), kSandmereWebPage);
}

GObject* ConfigureSheet::Object(const char* id) const {
    return builder != nullptr ? gtk_builder_get_object(builder, id) : nullptr;
}

void ConfigureSheet::Fill(const USERSETTINGS& values) {
    USERSETTINGS shown = ClampUserSettings(values);
    SetChecked(oMainMonitorOnly, shown.MainMonitorOnly);
    SetIntegerValue(oNumCamels, shown.values.NUM_CAMELS);
    SetChecked(oPlaySound, shown.values.PLAYSOUND);
    SetIntegerValue(oVolume, shown.values.VOLUME);
    UpdateStates();
}

void ConfigureSheet::Open(const USERSETTINGS& values) {
    if (configureSheet == nullptr) return;
    if (!IsOpen()) Fill(values);
    gtk_window_present(GTK_WINDOW(configureSheet));
}

bool ConfigureSheet::IsOpen() const {
    return configureSheet != nullptr && gtk_widget_get_visible(configureSheet);
}

USERSETTINGS ConfigureSheet::ControlValues() const {
    USERSETTINGS user;
    user.MainMonitorOnly = IsChecked(oMainMonitorOnly);
    user.values.NUM_CAMELS = IntegerValue(oNumCamels);
    user.values.PLAYSOUND = IsChecked(oPlaySound);
    user.values.VOLUME = static_cast<int32_t>(ClampSetting(kVolume, IntegerValue(oVolume)));
    return ClampUserSettings(user);
}

void ConfigureSheet::Save() {
    if (configureSheet == nullptr) return;
    USERSETTINGS saved = ControlValues();
    if (store != nullptr && !store->Save(saved))
        std::fprintf(stderr, "sandmere: could not write the settings to %s\n",
                     store->FilePath().empty() ? "the settings file" : store->FilePath().c_str());
    gtk_widget_hide(configureSheet);
    if (onSaved) onSaved(saved);
}

void ConfigureSheet::Cancel() {
    if (configureSheet != nullptr) gtk_widget_hide(configureSheet);
}

void ConfigureSheet::Defaults() {
    if (configureSheet != nullptr) Fill(DefaultUserSettings());
}

void ConfigureSheet::UpdateStates() {
    if (configureSheet != nullptr) gtk_widget_set_sensitive(oVolume, IsChecked(oPlaySound));
}

void ConfigureSheet::OpenWebsite() {
    if (!OpenWebPage(kSandmereWebPage))
        std::fprintf(stderr, "sandmere: could not open %s (no xdg-open or x-www-browser, or running as root)\n",
                     kSandmereWebPage);
}

namespace {

bool g_toolkitStarted = false;

// A stop signal while the dialog runs: Cancel, so the loop below ends and the
// process leaves with status 0 and the file as it was.
gboolean CancelOnSignal(gpointer sheet) {
    SheetOf(sheet)->Cancel();
    return G_SOURCE_CONTINUE;
}

}  // namespace

bool StartConfigureSheetToolkit() {
    if (g_toolkitStarted) return true;
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "sandmere: cannot open the display for the configuration sheet\n");
        return false;
    }
    // gtk_init sets every category from the environment; numbers stay "C".
    std::setlocale(LC_NUMERIC, "C");
    g_toolkitStarted = true;
    return true;
}

bool ConfigureSheetToolkitStarted() { return g_toolkitStarted; }

void PumpConfigureSheets() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

int RunConfigureDialog(const std::string& resourceFolder, SettingsStore& store) {
    if (!StartConfigureSheetToolkit()) return 1;
    ConfigureSheet sheet;
    if (!sheet.Setup(ConfigureSheetFile(resourceFolder), &store, nullptr)) return 1;
    guint signalSources[3] = {};
    int n = 0;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) signalSources[n++] = g_unix_signal_add(signal, CancelOnSignal, &sheet);
    sheet.Open(store.Read());
    while (sheet.IsOpen()) g_main_context_iteration(nullptr, TRUE);
    for (const guint source : signalSources) g_source_remove(source);
    return 0;
}
