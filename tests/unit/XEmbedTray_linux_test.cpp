// Runs the tray layer on a private Xvfb with a real XEmbed tray host (trayer).
#include "linux/LinuxNotifyIcons.h"
#include "linux/XEmbedTray.h"

#include <gtest/gtest.h>

// Before Xlib, whose macro None clashes with the platform's names.
#include "LinuxPlatformFakes.h"

// After GoogleTest: Xlib's macros (None, Bool) clash with its names.
#define GDK_DISABLE_DEPRECATION_WARNINGS
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>

#include "PrivateXServer.h"
#include "linux/GtkPopupMenu.h"
#include "support/tsTrayIcon.h"

namespace tesra::platform {
namespace {

// Runs handlers bare, as they ran without an application.
const HandlerGuard kBare;

using tesra::testing::SpawnProgram;
using tesra::testing::StopProgram;

auto* const g_display = static_cast<tesra::testing::GtkOnPrivateXServer*>(
    ::testing::AddGlobalTestEnvironment(new tesra::testing::GtkOnPrivateXServer));

// Runs the main loop until the condition holds; false when it still does not after 15 seconds.
bool RunUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
        g_usleep(10000);
    }
    return true;
}

// A tray host lays out and keeps alive (in its save-set) the windows that it embeds a moment after
// the embedding; a real one runs long before it is clicked or ends.
void LetTheTrayHostSettle() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    RunUntil([&] { return std::chrono::steady_clock::now() > until; });
}

bool TrayHostOwnsTheSelection() {
    Display* x = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    return XGetSelectionOwner(x, XInternAtom(x, "_NET_SYSTEM_TRAY_S0", False)) != None;
}

class TrayHost {
public:
    TrayHost() {
        pid_ = SpawnProgram({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                             "--transparent", "false"});
        ready_ = pid_ && RunUntil(TrayHostOwnsTheSelection);
    }
    ~TrayHost() { Stop(); }
    void Stop() {
        StopProgram(pid_);
        pid_ = 0;
        RunUntil([] { return !TrayHostOwnsTheSelection(); });
    }
    bool Ready() const { return ready_; }

private:
    pid_t pid_ = 0;
    bool ready_ = false;
};

// A tray host that owns the tray's selection but never embeds an icon (one that is busy, or hung),
// on a connection of its own.
class SilentTrayHost {
public:
    SilentTrayHost() : display_(XOpenDisplay(g_display->Display().c_str())) {
        if (!display_) return;
        const Window owner = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
        XSetSelectionOwner(display_, XInternAtom(display_, "_NET_SYSTEM_TRAY_S0", False), owner, CurrentTime);
        XSync(display_, False);
    }
    ~SilentTrayHost() { Stop(); }
    // Closing the connection gives up the selection.
    void Stop() {
        if (display_) XCloseDisplay(display_);
        display_ = nullptr;
        RunUntil([] { return !TrayHostOwnsTheSelection(); });
    }
    bool Ready() const { return display_ && TrayHostOwnsTheSelection(); }

private:
    Display* display_;
};

IconImage RedSquare() {
    IconImage icon;
    icon.width = 16;
    icon.height = 16;
    for (int i = 0; i < 16 * 16; ++i) icon.rgba.insert(icon.rgba.end(), {255, 0, 0, 255});
    return icon;
}

class XEmbedTrayTest : public ::testing::Test {
protected:
    LinuxNotifyIconHost host{kBare, TrayProtocols::XEmbedOnly, 1000};
    std::vector<MessageRecord> received;
    WindowId window = host.CreateMessageWindow([this](const MessageRecord& message) {
        received.push_back(message);
        return 0;
    });

    NotifyIconData Record(unsigned flags = NIF_MESSAGE | NIF_ICON, std::string tip = {}) {
        NotifyIconData data;
        data.window = window;
        data.id = 7;
        data.flags = flags;
        data.callbackMessage = 9250;
        data.icon = RedSquare();
        data.tip = std::move(tip);
        return data;
    }
    std::vector<std::intptr_t> CodesReceived() const {
        std::vector<std::intptr_t> codes;
        for (const MessageRecord& message : received) {
            if (message.number == 9250) codes.push_back(message.lParam);
        }
        return codes;
    }
    // The tray host's answer to the add of icon 7: 1 shown, 0 not; -1 while there is none.
    std::intptr_t AddAnswer() const {
        for (const MessageRecord& message : received) {
            if (message.number == host.AddAnsweredMessage() && message.target == window && message.wParam == 7)
                return message.lParam;
        }
        return -1;
    }
    bool AddAnswered() {
        return RunUntil([this] { return AddAnswer() != -1; });
    }
    bool Received(std::intptr_t code) const {
        for (std::intptr_t c : CodesReceived()) {
            if (c == code) return true;
        }
        return false;
    }
};

TEST_F(XEmbedTrayTest, AddFailsWithoutATrayHost) {
    ASSERT_FALSE(TrayHostOwnsTheSelection());
    EXPECT_FALSE(host.Notify(NIM_ADD, Record()));
    EXPECT_EQ(host.XEmbed().StatusIcon(window, 7), nullptr);
    EXPECT_FALSE(host.Notify(NIM_MODIFY, Record()));
    EXPECT_FALSE(host.Notify(NIM_DELETE, Record()));
}

TEST_F(XEmbedTrayTest, AddModifyAndDeleteOnATrayHost) {
    TrayHost tray;
    ASSERT_TRUE(tray.Ready());
    ASSERT_TRUE(host.Notify(NIM_ADD, Record(NIF_MESSAGE | NIF_ICON | NIF_TIP, "蓝岸浏览器")));
    ASSERT_TRUE(AddAnswered());
    EXPECT_EQ(AddAnswer(), 1);
    GtkStatusIcon* status = host.XEmbed().StatusIcon(window, 7);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(gtk_status_icon_is_embedded(status));
    gchar* tip = gtk_status_icon_get_tooltip_text(status);
    EXPECT_STREQ(tip, "蓝岸浏览器");
    g_free(tip);
    GdkPixbuf* pixbuf = gtk_status_icon_get_pixbuf(status);
    ASSERT_NE(pixbuf, nullptr);
    EXPECT_EQ(gdk_pixbuf_get_width(pixbuf), 16);
    EXPECT_EQ(gdk_pixbuf_get_pixels(pixbuf)[0], 255);
    EXPECT_EQ(gdk_pixbuf_get_pixels(pixbuf)[1], 0);

    // Without NIF_TIP the tip goes away.
    EXPECT_TRUE(host.Notify(NIM_MODIFY, Record(NIF_MESSAGE | NIF_ICON, "蓝岸浏览器")));
    tip = gtk_status_icon_get_tooltip_text(status);
    EXPECT_EQ(tip, nullptr);
    g_free(tip);

    EXPECT_TRUE(host.Notify(NIM_DELETE, Record()));
    EXPECT_EQ(host.XEmbed().StatusIcon(window, 7), nullptr);
    EXPECT_FALSE(host.Notify(NIM_DELETE, Record()));
}

TEST_F(XEmbedTrayTest, MessageWindowGoesWithItsIcons) {
    TrayHost tray;
    ASSERT_TRUE(tray.Ready());
    ASSERT_TRUE(host.Notify(NIM_ADD, Record()));
    host.DestroyMessageWindow(window);
    EXPECT_EQ(host.XEmbed().StatusIcon(window, 7), nullptr);
    EXPECT_FALSE(host.Notify(NIM_ADD, Record()));
}

TEST_F(XEmbedTrayTest, NewTrayHostSendsTaskbarCreated) {
    auto tray = std::make_unique<TrayHost>();
    ASSERT_TRUE(tray->Ready());
    ASSERT_TRUE(host.Notify(NIM_ADD, Record()));
    ASSERT_TRUE(AddAnswered());
    LetTheTrayHostSettle();
    received.clear();
    tray.reset();
    EXPECT_TRUE(RunUntil([&] { return !gtk_status_icon_is_embedded(host.XEmbed().StatusIcon(window, 7)); }));
    EXPECT_TRUE(received.empty());
    tray = std::make_unique<TrayHost>();
    ASSERT_TRUE(tray->Ready());
    ASSERT_TRUE(RunUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received[0].number, host.TaskbarCreatedMessage());
    EXPECT_EQ(received[0].target, window);
    EXPECT_TRUE(host.Notify(NIM_ADD, Record()));
}

// A tray host that goes away with none coming back is told once the grace time has passed; one that
// comes back within it is only the re-creation.
TEST(XEmbedTrayLoss, LostHostIsToldAfterTheGraceTime) {
    LinuxNotifyIconHost host{kBare, TrayProtocols::XEmbedOnly, 1000, 300};
    std::vector<unsigned> received;
    const WindowId window = host.CreateMessageWindow([&](const MessageRecord& message) {
        received.push_back(message.number);
        return 0;
    });
    NotifyIconData data;
    data.window = window;
    data.id = 3;
    data.flags = NIF_MESSAGE | NIF_ICON;
    data.callbackMessage = 9250;
    data.icon = RedSquare();
    auto tray = std::make_unique<TrayHost>();
    ASSERT_TRUE(tray->Ready());
    ASSERT_TRUE(host.Notify(NIM_ADD, data));
    ASSERT_TRUE(RunUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received, std::vector<unsigned>{host.AddAnsweredMessage()});
    LetTheTrayHostSettle();
    received.clear();
    tray.reset();
    ASSERT_TRUE(RunUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received, std::vector<unsigned>{host.TaskbarLostMessage()});

    received.clear();
    tray = std::make_unique<TrayHost>();
    ASSERT_TRUE(tray->Ready());
    ASSERT_TRUE(RunUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received, std::vector<unsigned>{host.TaskbarCreatedMessage()});
    EXPECT_TRUE(host.Notify(NIM_ADD, data));
}

// The add returns before the tray host has embedded the icon; the answer comes when it does, or, from
// a host that never does, as a refusal after the embed timeout with the icon removed.
TEST_F(XEmbedTrayTest, AddIsAnsweredWhenTheTrayHostEmbedsOrRefusedWhenItNeverDoes) {
    LinuxNotifyIconHost patient{kBare, TrayProtocols::XEmbedOnly, 60000};
    std::vector<MessageRecord> answers;
    const WindowId owner = patient.CreateMessageWindow([&](const MessageRecord& message) {
        answers.push_back(message);
        return 0;
    });
    NotifyIconData late = Record();
    late.window = owner;
    {
        SilentTrayHost silent;
        ASSERT_TRUE(silent.Ready());
        ASSERT_TRUE(host.Notify(NIM_ADD, Record()));
        ASSERT_TRUE(patient.Notify(NIM_ADD, late));
        EXPECT_EQ(AddAnswer(), -1);
        EXPECT_TRUE(answers.empty());
        ASSERT_NE(host.XEmbed().StatusIcon(window, 7), nullptr);
        ASSERT_TRUE(AddAnswered());
        EXPECT_EQ(AddAnswer(), 0);
        EXPECT_EQ(host.XEmbed().StatusIcon(window, 7), nullptr);
        EXPECT_FALSE(host.Notify(NIM_MODIFY, Record()));
        // The other icon still waits: the silent host is replaced by one that embeds it.
        EXPECT_TRUE(answers.empty());
        ASSERT_NE(patient.XEmbed().StatusIcon(owner, 7), nullptr);
    }
    TrayHost tray;
    ASSERT_TRUE(tray.Ready());
    ASSERT_TRUE(RunUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers[0].number, patient.AddAnsweredMessage());
    EXPECT_EQ(answers[0].wParam, 7);
    EXPECT_EQ(answers[0].lParam, 1);
    EXPECT_TRUE(gtk_status_icon_is_embedded(patient.XEmbed().StatusIcon(owner, 7)));
}

TEST_F(XEmbedTrayTest, MouseClicksBecomeCallbackMessages) {
    TrayHost tray;
    ASSERT_TRUE(tray.Ready());
    ASSERT_TRUE(host.Notify(NIM_ADD, Record()));
    LetTheTrayHostSettle();
    // The pointer goes to the middle of the icon's own window, wherever the tray host put it.
    const std::string icon = std::to_string(gtk_status_icon_get_x11_window_id(host.XEmbed().StatusIcon(window, 7)));
    struct Row {
        std::vector<std::string> clicks;
        std::intptr_t code;
    };
    const Row rows[] = {
        {{"click", "1"}, NIN_LBUTTONDOWN},
        {{"click", "1"}, NIN_LBUTTONUP},
        {{"click", "--repeat", "2", "--delay", "60", "1"}, NIN_LBUTTONDBLCLK},
        {{"click", "3"}, NIN_RBUTTONDOWN},
        {{"click", "3"}, NIN_RBUTTONUP},
        {{"click", "--repeat", "2", "--delay", "60", "3"}, NIN_RBUTTONDBLCLK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        received.clear();
        std::vector<std::string> command = {"xdotool", "mousemove", "--window", icon, "8", "8"};
        command.insert(command.end(), row.clicks.begin(), row.clicks.end());
        const pid_t pid = SpawnProgram(command);
        ASSERT_NE(pid, 0);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(RunUntil([&] { return Received(row.code); }));
        for (const MessageRecord& message : received) {
            EXPECT_EQ(message.target, window);
            EXPECT_EQ(message.wParam, 7);
        }
        // Let a double click's time run out before the next row.
        g_usleep(600000);
    }
}

TEST(NotifyCodeOfButtonEvent, LeftAndRightButtons) {
    struct Row {
        GdkEventType type;
        unsigned button;
        std::intptr_t code;
    };
    const Row rows[] = {
        {GDK_BUTTON_PRESS, 1, NIN_LBUTTONDOWN},
        {GDK_BUTTON_RELEASE, 1, NIN_LBUTTONUP},
        {GDK_2BUTTON_PRESS, 1, NIN_LBUTTONDBLCLK},
        {GDK_BUTTON_PRESS, 3, NIN_RBUTTONDOWN},
        {GDK_BUTTON_RELEASE, 3, NIN_RBUTTONUP},
        {GDK_2BUTTON_PRESS, 3, NIN_RBUTTONDBLCLK},
        {GDK_BUTTON_PRESS, 2, 0},
        {GDK_3BUTTON_PRESS, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.type << "/" << row.button);
        EXPECT_EQ(NotifyCodeOfButtonEvent(row.type, row.button), row.code);
    }
}

// The component on the real tray: a failed add without a tray host, and re-adding by itself after
// the tray host was re-created.
class TrayComponentTest : public ::testing::Test {
protected:
    LinuxNotifyIconHost host{kBare, TrayProtocols::XEmbedOnly, 1000};
    fakes::LinuxFakePlatform fake;
    testing::FakeApplication& app = fake.app;
};

TEST_F(TrayComponentTest, NoTrayHostMeansEnabledTurnsFalse) {
    TtsTrayIcon tray(app, fake.boxes, host, fake.factory);
    tray.SetEnabled(true);
    EXPECT_FALSE(tray.Enabled());
}

// Enabling the icon returns while the tray host has not answered; a host that never answers makes it
// a failed add afterwards, with Enabled false.
TEST_F(TrayComponentTest, AnAddThatTheTrayHostNeverAnswersFailsAfterwards) {
    SilentTrayHost silent;
    ASSERT_TRUE(silent.Ready());
    TtsTrayIcon tray(app, fake.boxes, host, fake.factory);
    tray.SetEnabled(true);
    EXPECT_TRUE(tray.Enabled());
    EXPECT_FALSE(tray.InTray());
    EXPECT_NE(host.XEmbed().StatusIcon(tray.Record().window, tray.Record().id), nullptr);
    EXPECT_TRUE(RunUntil([&] { return !tray.Enabled(); }));
    EXPECT_FALSE(tray.InTray());
    EXPECT_EQ(host.XEmbed().StatusIcon(tray.Record().window, tray.Record().id), nullptr);
}

TEST_F(TrayComponentTest, StaysInTheTrayWhenTheTrayHostIsReplaced) {
    auto trayHost = std::make_unique<TrayHost>();
    ASSERT_TRUE(trayHost->Ready());
    TtsTrayIcon tray(app, fake.boxes, host, fake.factory);
    tray.SetHint("收件箱");
    tray.SetEnabled(true);
    ASSERT_TRUE(tray.Enabled());
    auto status = [&] { return host.XEmbed().StatusIcon(tray.Record().window, tray.Record().id); };
    ASSERT_NE(status(), nullptr);
    LetTheTrayHostSettle();
    trayHost.reset();
    trayHost = std::make_unique<TrayHost>();
    ASSERT_TRUE(trayHost->Ready());
    EXPECT_TRUE(RunUntil([&] { return status() && gtk_status_icon_is_embedded(status()); }));
    EXPECT_TRUE(tray.Enabled());
    gchar* tip = gtk_status_icon_get_tooltip_text(status());
    EXPECT_STREQ(tip, "收件箱");
    g_free(tip);
}

// The whole road of the tray menu: a right click on the icon opens the real menu at the pointer,
// and the chosen item's handler runs once the menu has closed.
TEST_F(TrayComponentTest, RightClickOpensTheMenuAndRunsTheChosenItem) {
    TrayHost trayHost;
    ASSERT_TRUE(trayHost.Ready());
    TtsTrayIcon tray(app, fake.boxes, host, fake.factory);
    GtkPopupMenu pmMain(kBare);
    std::vector<std::string> clicked;
    pmMain.Items().Add("显示主窗口").SetOnClick([&](MenuItem& item) { clicked.push_back(item.Caption()); });
    pmMain.Items().Add("-");
    pmMain.Items().Add("退出").SetOnClick([&](MenuItem& item) { clicked.push_back(item.Caption()); });
    tray.SetPopupMenu(&pmMain);
    tray.SetRestoreOn(ticNone);
    int restoresWhileOpen = 0;
    tray.OnRestoreApp = [&](TtsTrayIcon&) { ++restoresWhileOpen; };
    tray.SetEnabled(true);
    ASSERT_TRUE(tray.Enabled());
    LetTheTrayHostSettle();

    // Once the menu is on screen: a restore request (ignored while it is open), then "退出".
    g_timeout_add(
        20,
        [](gpointer component) -> gboolean {
            GList* toplevels = gtk_window_list_toplevels();
            GtkMenuShell* menu = nullptr;
            for (GList* node = toplevels; node; node = node->next) {
                GtkWidget* child = gtk_bin_get_child(GTK_BIN(node->data));
                if (child && GTK_IS_MENU(child) && gtk_widget_get_visible(child)) menu = GTK_MENU_SHELL(child);
            }
            g_list_free(toplevels);
            if (!menu) return G_SOURCE_CONTINUE;
            static_cast<TtsTrayIcon*>(component)->RestoreApp();
            GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
            gtk_menu_shell_activate_item(menu, GTK_WIDGET(g_list_nth_data(items, 2)), TRUE);
            g_list_free(items);
            return G_SOURCE_REMOVE;
        },
        &tray);
    GtkStatusIcon* status = host.XEmbed().StatusIcon(tray.Record().window, tray.Record().id);
    const std::string icon = std::to_string(gtk_status_icon_get_x11_window_id(status));
    const pid_t pid = SpawnProgram({"xdotool", "mousemove", "--window", icon, "8", "8", "click", "3"});
    ASSERT_NE(pid, 0);
    waitpid(pid, nullptr, 0);
    EXPECT_TRUE(RunUntil([&] { return !clicked.empty(); }));
    EXPECT_EQ(clicked, std::vector<std::string>{"退出"});
    EXPECT_EQ(restoresWhileOpen, 0);
}

}  // namespace
}  // namespace tesra::platform
