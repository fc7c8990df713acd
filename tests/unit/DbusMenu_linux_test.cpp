// The tray menu as a tray host reads it over D-Bus, and the icon pictures in the protocol's form.
#include "linux/DbusMenu.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "linux/SniTray.h"

namespace tesra::platform {
namespace {

// Runs handlers bare, as they ran without an application.
const HandlerGuard kBare;

std::string Print(GVariant* value) {
    g_autoptr(GVariant) owned = g_variant_ref_sink(value);
    g_autofree char* text = g_variant_print(owned, FALSE);
    return text;
}

// The designed tray menu with one configured group, as the main window builds it.
struct TrayMenu {
    MenuItem root;
    MenuItem* tick = nullptr;
    TrayMenu() {
        root.Add("显示主窗口");
        root.Add("-");
        MenuItem& group = root.Add("办公");
        group.Add("邮件_收发");
        root.Add("-");
        tick = &root.Add("设置").Add("关闭时隐藏到系统托盘");
        tick->SetToggle(MenuToggle::CheckMark);
        root.Add("-");
        root.Add("退出");
    }
};

TEST(DbusMenuLayout, TheWholeTrayMenu) {
    TrayMenu menu;
    MenuIds ids(menu.root);
    const std::string layout = Print(MenuLayout(menu.root, ids, -1));
    const std::string expected =
        "(0, {'children-display': <'submenu'>}, ["
        "<(1, {'label': <'显示主窗口'>, 'enabled': <true>}, @av [])>, "
        "<(2, {'type': <'separator'>}, @av [])>, "
        "<(3, {'label': <'办公'>, 'enabled': <true>, 'children-display': <'submenu'>}, "
        "[<(4, {'label': <'邮件__收发'>, 'enabled': <true>}, @av [])>])>, "
        "<(5, {'type': <'separator'>}, @av [])>, "
        "<(6, {'label': <'设置'>, 'enabled': <true>, 'children-display': <'submenu'>}, "
        "[<(7, {'label': <'关闭时隐藏到系统托盘'>, 'enabled': <true>, 'toggle-type': <'checkmark'>, 'toggle-state': "
        "<0>}, @av [])>])>, "
        "<(8, {'type': <'separator'>}, @av [])>, "
        "<(9, {'label': <'退出'>, 'enabled': <true>}, @av [])>])";
    EXPECT_EQ(layout, expected);
}

TEST(DbusMenuLayout, IdsStayWhenItemsAreInsertedAndDepthLimitsTheTree) {
    TrayMenu menu;
    MenuIds ids(menu.root);
    Print(MenuLayout(menu.root, ids, -1));
    const int tickId = ids.IdOf(*menu.tick);
    menu.root.Insert(2, "新组").Add("新项");
    Print(MenuLayout(menu.root, ids, -1));
    EXPECT_EQ(ids.IdOf(*menu.tick), tickId);
    EXPECT_EQ(ids.ItemOf(tickId), menu.tick);
    EXPECT_EQ(ids.ItemOf(999), nullptr);
    EXPECT_EQ(ids.ItemOf(0), &menu.root);

    // Depth 1: the groups without their children.
    const std::string shallow = Print(MenuLayout(menu.root, ids, 1));
    EXPECT_NE(shallow.find("'新组'"), std::string::npos);
    EXPECT_EQ(shallow.find("'新项'"), std::string::npos);
    EXPECT_EQ(Print(MenuLayout(*menu.tick, ids, 0)).rfind("(" + std::to_string(tickId) + ", ", 0), 0u);
}

TEST(DbusMenuLayout, PropertiesFollowTheItem) {
    struct Row {
        const char* what;
        void (*change)(MenuItem&);
        const char* expected;
    };
    const Row rows[] = {
        {"ticked", [](MenuItem& i) { i.SetChecked(true); },
         "{'label': <'项'>, 'enabled': <true>, 'toggle-type': <'checkmark'>, 'toggle-state': <1>}"},
        {"disabled", [](MenuItem& i) { i.SetEnabled(false); }, "{'label': <'项'>, 'enabled': <false>}"},
        {"plain", [](MenuItem&) {}, "{'label': <'项'>, 'enabled': <true>}"},
        {"separator", [](MenuItem& i) { i.SetCaption("-"); }, "{'type': <'separator'>}"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MenuItem item("项");
        row.change(item);
        EXPECT_EQ(Print(MenuItemProperties(item)), row.expected);
    }
}

// The menu on a private bus, as a tray host sees it: its layout, the signals for a new line and a
// changed tick, and a click that runs the item once the call is answered.
class DbusMenuOnTheBus : public ::testing::Test {
protected:
    struct Menu : PopupMenu {
        void PopupAtPointer() override {}
    };

    void SetUp() override {
        bus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
        g_test_dbus_up(bus_);
        server_ = Connect();
        client_ = Connect();
        ASSERT_TRUE(server_ && client_);
        unique_ = g_dbus_connection_get_unique_name(server_);
        g_dbus_connection_signal_subscribe(client_, unique_.c_str(), "com.canonical.dbusmenu", nullptr, "/MenuBar",
                                           nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnSignal, this, nullptr);
    }
    void TearDown() override {
        g_clear_object(&client_);
        g_clear_object(&server_);
        g_test_dbus_down(bus_);
        g_object_unref(bus_);
    }

    GDBusConnection* Connect() {
        return g_dbus_connection_new_for_address_sync(
            g_test_dbus_get_bus_address(bus_),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
    }

    // Calls the menu and runs the loop until the answer; the answer's text, or "error".
    std::string Call(const char* method, GVariant* parameters) {
        std::string answer;
        bool done = false;
        struct Pending {
            std::string* answer;
            bool* done;
        };
        g_dbus_connection_call(
            client_, unique_.c_str(), "/MenuBar", "com.canonical.dbusmenu", method, parameters, nullptr,
            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer data) {
                std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
                g_autoptr(GVariant) value = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
                *pending->answer = value ? Print(value) : "error";
                *pending->done = true;
            },
            new Pending{&answer, &done});
        RunUntil([&] { return done; });
        return answer;
    }
    void RunUntil(const std::function<bool()>& condition) {
        const gint64 deadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
        while (!condition() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, FALSE);
    }
    static void OnSignal(GDBusConnection*, const char*, const char*, const char*, const char* signal,
                         GVariant* parameters, gpointer self) {
        static_cast<DbusMenuOnTheBus*>(self)->signals.push_back(std::string(signal) + " " + Print(parameters));
    }

    GTestDBus* bus_ = nullptr;
    GDBusConnection* server_ = nullptr;
    GDBusConnection* client_ = nullptr;
    std::string unique_;
    std::vector<std::string> signals;
};

TEST_F(DbusMenuOnTheBus, LayoutSignalsAndClicks) {
    Menu menu;
    std::vector<std::string> clicked;
    menu.Items().Add("显示主窗口").SetOnClick([&](MenuItem& item) { clicked.push_back(item.Caption()); });
    MenuItem& tick = menu.Items().Add("设置").Add("关闭时隐藏到系统托盘");
    tick.SetToggle(MenuToggle::CheckMark);
    DbusMenu published(kBare, server_, "/MenuBar", menu);
    ASSERT_TRUE(published.Exported());

    const std::string layout = Call("GetLayout", g_variant_new_parsed("(0, -1, @as [])"));
    EXPECT_EQ(layout.rfind("(1, (0, {'children-display': <'submenu'>}, [<(1, {'label': <'显示主窗口'>", 0), 0u)
        << layout;

    // Several changes in one go are one signal.
    menu.Items().Insert(1, "-");
    menu.Items().Insert(1, "组");
    RunUntil([&] { return !signals.empty(); });
    EXPECT_EQ(signals, std::vector<std::string>{"LayoutUpdated (2, 0)"});
    EXPECT_EQ(Call("GetLayout", g_variant_new_parsed("(0, 0, @as [])")).rfind("(2, (0, ", 0), 0u);

    signals.clear();
    tick.SetChecked(true);
    RunUntil([&] { return !signals.empty(); });
    ASSERT_EQ(signals.size(), 1u);
    EXPECT_NE(signals[0].find("ItemsPropertiesUpdated ([(3, {'label': <'关闭时隐藏到系统托盘'>, 'enabled': <true>, "
                              "'toggle-type': <'checkmark'>, 'toggle-state': <1>})]"),
              std::string::npos)
        << signals[0];
    EXPECT_EQ(Call("GetProperty", g_variant_new_parsed("(3, 'toggle-state')")), "(<1>,)");

    EXPECT_EQ(Call("Event", g_variant_new_parsed("(1, 'clicked', <0>, @u 0)")), "()");
    RunUntil([&] { return !clicked.empty(); });
    EXPECT_EQ(clicked, std::vector<std::string>{"显示主窗口"});
    EXPECT_EQ(Call("Event", g_variant_new_parsed("(99, 'clicked', <0>, @u 0)")), "error");
    EXPECT_EQ(Call("EventGroup", g_variant_new_parsed("([(1, 'hovered', <0>, @u 0), (99, 'clicked', <0>, @u 0)],)")),
              "([99],)");
}

TEST(IconPixmap, NetworkOrderArgbWithOrWithoutAlpha) {
    g_autoptr(GdkPixbuf) rgba = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 2, 1);
    guchar* pixels = gdk_pixbuf_get_pixels(rgba);
    const guchar source[] = {255, 0, 0, 255, 0, 0, 255, 128};
    std::copy(std::begin(source), std::end(source), pixels);
    const IconPixmap pixmap = PixmapFromPixbuf(rgba);
    EXPECT_EQ(pixmap.width, 2);
    EXPECT_EQ(pixmap.height, 1);
    EXPECT_EQ(pixmap.argb, (std::vector<std::uint8_t>{255, 255, 0, 0, 128, 0, 0, 255}));

    g_autoptr(GdkPixbuf) rgb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 1, 1);
    gdk_pixbuf_fill(rgb, 0x00FF0000);
    EXPECT_EQ(PixmapFromPixbuf(rgb).argb, (std::vector<std::uint8_t>{255, 0, 255, 0}));

    g_autoptr(GdkPixbuf) large = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 256, 256);
    gdk_pixbuf_fill(large, 0xFFFF00FF);
    const IconPixmap scaled = PixmapFromPixbuf(large);
    EXPECT_EQ(scaled.width, 64);
    EXPECT_EQ(scaled.height, 64);
    EXPECT_EQ(scaled.argb.size(), 64u * 64 * 4);
    EXPECT_EQ(PixmapFromPixbuf(nullptr).argb.size(), 0u);
}

TEST(IconPixmap, FromTheIconsPixels) {
    IconImage badge;
    badge.width = 1;
    badge.height = 1;
    badge.rgba = {0, 0, 255, 255};
    EXPECT_EQ(PixmapFromIcon(badge).argb, (std::vector<std::uint8_t>{255, 0, 0, 255}));
}

}  // namespace
}  // namespace tesra::platform
