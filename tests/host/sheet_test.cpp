// The configuration sheet with the real Sandmere.ui and GTK, on an X server of
// its own (Xvfb): filled from the owner's values, edited, saved, reset to the
// defaults, left by Cancel, the window manager and Esc; and a screenshot of it
// for a person to look at.
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "TestFiles.h"
#include "UserValues.h"
#include "host/ConfigureSheet.h"
#include "XvfbServer.h"  // last: Xlib

namespace {

// Xvfb, and GTK on it.
class SheetEnvironment : public XvfbEnvironment {
public:
    void SetUp() override {
        XvfbEnvironment::SetUp();
        ASSERT_TRUE(StartConfigureSheetToolkit());
    }
};
const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new SheetEnvironment);

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store.Save(stored));
        ASSERT_TRUE(sheet.Setup(ConfigureSheetFile(SANDMERE_BINARY_DIR "/resources"), &store,
                                [this](const USERSETTINGS& saved) {
                                    owner = saved;
                                    ++ownerCalls;
                                }));
        sheet.Open(stored);
        PumpConfigureSheets();
        storedText = testfiles::ReadText(store.FilePath());
    }
    GtkWidget* Control(const char* id) { return GTK_WIDGET(sheet.Object(id)); }
    void Check(const char* id, bool on) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Control(id)), on); }
    void Click(const char* id) { gtk_button_clicked(GTK_BUTTON(Control(id))); }
    bool VolumeEnabled() { return gtk_widget_get_sensitive(Control("oVolume")); }
    void Pump(int rounds) {
        for (int i = 0; i < rounds && sheet.IsOpen(); ++i) {
            PumpConfigureSheets();
            g_usleep(10000);
        }
    }
    // Edits every control away from `stored`.
    void Edit() {
        // Typed and not yet confirmed, and beyond 32 bits: the control's range keeps it.
        gtk_entry_set_text(GTK_ENTRY(Control("oNumCamels")), "4294967296");
        Check("oPlaySound", true);
        gtk_range_set_value(GTK_RANGE(Control("oVolume")), 250);
        Check("oMainMonitorOnly", false);
    }

    testfiles::TempDir dir;
    SettingsStore store{SettingsStoreMode::KeyFile, dir.File("kwSandmere/settings.ini")};
    const USERSETTINGS stored = Values(42, false, 9, true);
    std::string storedText;
    ConfigureSheet sheet;
    USERSETTINGS owner;
    int ownerCalls = 0;
};

TEST_F(SheetTest, OpensWithTheOwnersValuesAndSavesTheEdits) {
    ASSERT_TRUE(sheet.IsOpen());
    ExpectValues(sheet.ControlValues(), stored);
    EXPECT_FALSE(VolumeEnabled());  // sound is off
    Edit();
    EXPECT_TRUE(VolumeEnabled());  // at once, before Save
    sheet.Open(stored);            // asked for again while open: raised, the edits kept
    Click("oSave");
    EXPECT_FALSE(sheet.IsOpen());
    const USERSETTINGS edited = Values(10000, true, 250, false);
    ExpectValues(SettingsStore(SettingsStoreMode::KeyFile, store.FilePath()).Read(), edited);
    EXPECT_EQ(ownerCalls, 1);
    ExpectValues(owner, edited);
}

// Each way out but Save stores nothing and hides the sheet, which opens again
// in the same window, without the abandoned edits.
TEST_F(SheetTest, CancelWindowManagerCloseAndEscStoreNothingAndKeepTheSheet) {
    GtkWidget* const window = sheet.Window();
    const struct {
        const char* name;
        std::function<void()> leave;
    } ways[] = {
        {"Defaults, then Cancel",
         [&] {
             Check("oPlaySound", false);
             EXPECT_FALSE(VolumeEnabled());
             Click("oDefaults");
             ExpectValues(sheet.ControlValues(), DefaultUserSettings());
             EXPECT_TRUE(VolumeEnabled());
             EXPECT_TRUE(sheet.IsOpen());
             Click("oCancel");
         }},
        {"the window manager", [&] { CloseLikeTheWindowManager(window); }},
        {"Esc", [&] { gtk_bindings_activate(G_OBJECT(window), GDK_KEY_Escape, static_cast<GdkModifierType>(0)); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Edit();
        way.leave();
        Pump(100);
        EXPECT_FALSE(sheet.IsOpen());
        EXPECT_EQ(testfiles::ReadText(store.FilePath()), storedText);
        EXPECT_EQ(ownerCalls, 0);
        sheet.Open(stored);
        EXPECT_EQ(sheet.Window(), window);
        EXPECT_TRUE(gtk_widget_is_ancestor(Control("oVolume"), window));
        ExpectValues(sheet.ControlValues(), stored);
    }
}

// Writes test-output/configure-sheet.png: the sheet as the user sees it.
TEST_F(SheetTest, Screenshot) {
    Check("oPlaySound", true);
    for (int i = 0; i < 20; ++i) {  // until GTK has drawn the sheet
        PumpConfigureSheets();
        g_usleep(10000);
    }
    GdkWindow* window = gtk_widget_get_window(sheet.Window());
    const int width = gdk_window_get_width(window), height = gdk_window_get_height(window);
    GdkPixbuf* picture = gdk_pixbuf_get_from_window(window, 0, 0, width, height);
    ASSERT_NE(picture, nullptr);
    EXPECT_GT(width, 300);
    EXPECT_GT(height, 150);
    std::filesystem::create_directories(SANDMERE_BINARY_DIR "/test-output");
    EXPECT_TRUE(gdk_pixbuf_save(picture, SANDMERE_BINARY_DIR "/test-output/configure-sheet.png", "png", nullptr,
                                nullptr));
    g_object_unref(picture);
}

TEST(ConfigureDialogTest, RunsOnItsOwnUntilClosed) {
    testfiles::TempDir dir;
    SettingsStore store(SettingsStoreMode::KeyFile, dir.File("kwSandmere/settings.ini"));
    // Once the dialog is up, close it as the window manager would.
    g_timeout_add(100, [](gpointer) -> gboolean {
        for (GList* w = gtk_window_list_toplevels(); w != nullptr; w = w->next)
            if (gtk_widget_get_visible(GTK_WIDGET(w->data))) gtk_window_close(GTK_WINDOW(w->data));
        return G_SOURCE_REMOVE;
    }, nullptr);
    EXPECT_EQ(RunConfigureDialog(SANDMERE_BINARY_DIR "/resources", store), 0);
    // It was filled from the store, whose first run stored the defaults.
    ExpectValues(SettingsStore(SettingsStoreMode::KeyFile, store.FilePath()).Read(), DefaultUserSettings());
    EXPECT_EQ(RunConfigureDialog(dir.path(), store), 1);  // no interface file there
}

}  // namespace
