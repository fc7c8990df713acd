// Runs the GTK popup menu on a private Xvfb.
#include "linux/GtkPopupMenu.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CatchingGuard.h"
#include "PrivateXServer.h"

namespace tesra::platform {
namespace {

// Runs handlers bare, as they ran without an application.
const HandlerGuard kBare;

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new tesra::testing::GtkOnPrivateXServer);

void RunPending() {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

// The menu on screen, found among the toplevel windows: GTK puts a popup menu into a popup window.
GtkMenuShell* OpenMenu() {
    GtkMenuShell* found = nullptr;
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* node = toplevels; node; node = node->next) {
        GtkWidget* child = gtk_bin_get_child(GTK_BIN(node->data));
        if (child && GTK_IS_MENU(child) && gtk_widget_get_visible(child) &&
            !gtk_menu_get_attach_widget(GTK_MENU(child))) {
            found = GTK_MENU_SHELL(child);
        }
    }
    g_list_free(toplevels);
    return found;
}

struct Line {
    std::string kind;  // "item", "check", "separator"
    std::string label;
    bool sensitive = true;
    bool submenu = false;
    bool operator==(const Line&) const = default;
};

std::vector<Line> Lines(GtkMenuShell* shell) {
    std::vector<Line> lines;
    GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
    for (GList* node = children; node; node = node->next) {
        GtkWidget* widget = GTK_WIDGET(node->data);
        Line line;
        if (GTK_IS_SEPARATOR_MENU_ITEM(widget)) {
            line.kind = "separator";
        } else {
            line.kind = GTK_IS_CHECK_MENU_ITEM(widget) && gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(widget))
                            ? "check"
                            : "item";
            line.label = gtk_menu_item_get_label(GTK_MENU_ITEM(widget));
            line.sensitive = gtk_widget_get_sensitive(widget);
            line.submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget)) != nullptr;
        }
        lines.push_back(line);
    }
    g_list_free(children);
    return lines;
}

GtkWidget* LineAt(GtkMenuShell* shell, int index) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
    auto* widget = GTK_WIDGET(g_list_nth_data(children, index));
    g_list_free(children);
    return widget;
}

// Runs action on the open menu once it is on screen (from inside the popup's own loop).
void WhileOpen(std::function<void(GtkMenuShell*)> action) {
    auto* pending = new std::function<void(GtkMenuShell*)>(std::move(action));
    g_timeout_add(
        20,
        [](gpointer data) -> gboolean {
            auto* act = static_cast<std::function<void(GtkMenuShell*)>*>(data);
            GtkMenuShell* shell = OpenMenu();
            if (!shell) return G_SOURCE_CONTINUE;
            (*act)(shell);
            delete act;
            return G_SOURCE_REMOVE;
        },
        pending);
}

class GtkPopupMenuTest : public ::testing::Test {
protected:
    GtkPopupMenu menu{kBare};
    std::vector<std::string> clicks;

    void SetUp() override {
        MenuItem& items = menu.Items();
        auto click = [this](MenuItem& sender) { clicks.push_back(sender.Caption()); };
        items.Add("显示主窗口").SetOnClick(click);
        items.Add("-");
        MenuItem& group = items.Add("办公");
        group.Add("邮件").SetOnClick(click);
        items.Add("关闭时隐藏到系统托盘").SetChecked(true);
        MenuItem& disabled = items.Add("不可用");
        disabled.SetEnabled(false);
        disabled.SetOnClick(click);
        items.Add("退出").SetOnClick(click);
    }
};

TEST_F(GtkPopupMenuTest, ShowsTheItemTree) {
    std::vector<Line> shown;
    WhileOpen([&](GtkMenuShell* shell) {
        shown = Lines(shell);
        gtk_menu_shell_deactivate(shell);
    });
    menu.PopupAtPointer();
    const std::vector<Line> expected = {
        {"item", "显示主窗口", true, false}, {"separator", "", true, false},
        {"item", "办公", true, true},        {"check", "关闭时隐藏到系统托盘", true, false},
        {"item", "不可用", false, false},    {"item", "退出", true, false},
    };
    EXPECT_EQ(shown, expected);
    RunPending();
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(OpenMenu(), nullptr);
}

TEST_F(GtkPopupMenuTest, ClickRunsAfterTheMenuHasClosed) {
    WhileOpen([](GtkMenuShell* shell) { gtk_menu_shell_activate_item(shell, LineAt(shell, 5), TRUE); });
    menu.PopupAtPointer();
    EXPECT_TRUE(clicks.empty());  // not while the popup still runs
    RunPending();
    EXPECT_EQ(clicks, std::vector<std::string>{"退出"});
}

TEST_F(GtkPopupMenuTest, ClickInASubmenu) {
    WhileOpen([](GtkMenuShell* shell) {
        GtkWidget* submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(LineAt(shell, 2)));
        gtk_menu_shell_activate_item(GTK_MENU_SHELL(submenu), LineAt(GTK_MENU_SHELL(submenu), 0), TRUE);
        gtk_menu_shell_deactivate(shell);
    });
    menu.PopupAtPointer();
    RunPending();
    EXPECT_EQ(clicks, std::vector<std::string>{"邮件"});
}

TEST_F(GtkPopupMenuTest, ChangesShowAtTheNextPopup) {
    menu.Items().Item(3).SetChecked(false);
    menu.Items().Insert(2, "-");
    std::vector<Line> shown;
    WhileOpen([&](GtkMenuShell* shell) {
        shown = Lines(shell);
        gtk_menu_shell_deactivate(shell);
    });
    menu.PopupAtPointer();
    ASSERT_EQ(shown.size(), 7u);
    EXPECT_EQ(shown[2].kind, "separator");
    EXPECT_EQ(shown[4], (Line{"item", "关闭时隐藏到系统托盘", true, false}));
}

TEST(GtkPopupMenuLifetime, ClickOfAMenuFreedMeanwhileIsDropped) {
    auto menu = std::make_unique<GtkPopupMenu>(kBare);
    bool clicked = false;
    menu->Items().Add("退出").SetOnClick([&](MenuItem&) { clicked = true; });
    WhileOpen([](GtkMenuShell* shell) { gtk_menu_shell_activate_item(shell, LineAt(shell, 0), TRUE); });
    menu->PopupAtPointer();
    menu.reset();
    RunPending();
    EXPECT_FALSE(clicked);
}

// The click runs through the guard that the menu was handed, which sees what the handler throws.
TEST(GtkPopupMenuGuard, ClickRunsThroughTheGuardHandedIn) {
    std::vector<std::string> caught;
    const HandlerGuard guard = testing::CatchingGuard(caught);
    GtkPopupMenu menu(guard);
    menu.Items().Add("退出").SetOnClick([](MenuItem&) { throw std::runtime_error("退出失败"); });
    WhileOpen([](GtkMenuShell* shell) { gtk_menu_shell_activate_item(shell, LineAt(shell, 0), TRUE); });
    menu.PopupAtPointer();
    EXPECT_TRUE(caught.empty());
    RunPending();
    EXPECT_EQ(caught, std::vector<std::string>{"退出失败"});
}

}  // namespace
}  // namespace tesra::platform
