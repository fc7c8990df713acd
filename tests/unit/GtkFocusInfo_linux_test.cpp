// The GTK focus information and application cursor on a real X server: needs DISPLAY (for example
// a private Xvfb); skips otherwise.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>

#include "linux/Cursor.h"
#include "linux/FocusInfo.h"
#include "platform/Exception.h"
#include "support/tsException.h"

namespace tesra::platform {
namespace {

class GtkFocusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (DISPLAY is not set)";
        ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
        window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_widget_set_name(window, "fmInputUrl");
        gtk_window_set_title(GTK_WINDOW(window), "请输入地址");
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        entry = gtk_entry_new();
        gtk_widget_set_name(entry, "cbUrl");
        gtk_entry_set_text(GTK_ENTRY(entry), "http://host/");
        button = gtk_button_new_with_label("确定");
        gtk_widget_set_name(button, "btnOk");
        combo = gtk_combo_box_text_new_with_entry();
        gtk_widget_set_name(combo, "cbHistory");
        gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))), "http://history/");
        gtk_container_add(GTK_CONTAINER(box), entry);
        gtk_container_add(GTK_CONTAINER(box), combo);
        gtk_container_add(GTK_CONTAINER(box), button);
        gtk_container_add(GTK_CONTAINER(window), box);
        gtk_widget_show_all(window);
        gtk_window_present(GTK_WINDOW(window));
        ASSERT_TRUE(Pump([this] { return gtk_window_is_active(GTK_WINDOW(window)); }))
            << "the window never became active";
    }
    void TearDown() override {
        if (window) gtk_widget_destroy(window);
        Pump([] { return false; }, std::chrono::milliseconds(50));
    }

    // Runs the main loop until the condition holds or the time is up.
    template <typename Condition>
    static bool Pump(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            while (gtk_events_pending()) gtk_main_iteration();
            if (condition()) return true;
            g_usleep(10000);
        }
        return condition();
    }

    GtkWidget* window = nullptr;
    GtkWidget* entry = nullptr;
    GtkWidget* button = nullptr;
    GtkWidget* combo = nullptr;
};

TEST_F(GtkFocusTest, NamesTheActiveWindowAndTheFocusedControl) {
    gtk_widget_grab_focus(entry);
    GtkFocusInfo focus;
    auto form = focus.ActiveForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->caption, "请输入地址");
    EXPECT_EQ(form->name, "fmInputUrl");
    EXPECT_EQ(form->className, "GtkWindow");
    auto control = focus.FocusedControl();
    ASSERT_TRUE(control);
    EXPECT_EQ(control->name, "cbUrl");
    EXPECT_EQ(control->className, "GtkEntry");
    EXPECT_EQ(focus.FocusedControlText(), "http://host/");

    gtk_widget_grab_focus(button);
    control = focus.FocusedControl();
    ASSERT_TRUE(control);
    EXPECT_EQ(control->name, "btnOk");
    EXPECT_EQ(control->className, "GtkButton");
    EXPECT_EQ(focus.FocusedControlText(), "确定");

    gtk_widget_grab_focus(gtk_bin_get_child(GTK_BIN(combo)));  // the combo box's own edit box
    control = focus.FocusedControl();
    ASSERT_TRUE(control);
    EXPECT_EQ(control->name, "cbHistory");
    EXPECT_EQ(control->className, "GtkComboBoxText");
    EXPECT_EQ(focus.FocusedControlText(), "http://history/");
}

TEST_F(GtkFocusTest, DescriptionOfTheAddressDialog) {
    gtk_widget_grab_focus(entry);
    GtkFocusInfo focus;
    EXPECT_EQ(DescribeException(focus, Exception("Access violation", "EAccessViolation")),
              "光标在表单“请输入地址”(fmInputUrl:GtkWindow) 中控件“http://host/”(cbUrl:GtkEntry) 时, 发生 "
              "EAccessViolation 异常：Access violation");
}

TEST_F(GtkFocusTest, NoActiveWindowNoForm) {
    gtk_widget_destroy(window);
    window = nullptr;
    Pump([] { return false; }, std::chrono::milliseconds(100));
    GtkFocusInfo focus;
    EXPECT_FALSE(focus.ActiveForm());
    EXPECT_FALSE(focus.FocusedControl());
    EXPECT_EQ(focus.FocusedControlText(), "");
}

TEST_F(GtkFocusTest, BusyCursorOnEveryWindowAndBack) {
    GdkWindow* native = gtk_widget_get_window(window);
    GtkAppCursor cursor;
    cursor.SetBusy(true);
    ASSERT_NE(gdk_window_get_cursor(native), nullptr);
    EXPECT_EQ(gdk_cursor_get_cursor_type(gdk_window_get_cursor(native)), GDK_WATCH);
    cursor.SetBusy(false);
    EXPECT_EQ(gdk_window_get_cursor(native), nullptr);
}

}  // namespace
}  // namespace tesra::platform
