// The GlobalShortcuts client against a stand-in portal on a private session bus of its own.
#include "linux/PortalHotKeys.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "linux/Portal.h"

namespace tesra::platform {
namespace {

// Runs handlers bare, as they ran without an application.
const HandlerGuard kBare;

TEST(PortalTrigger, NamesModifiersAndKeysAsThePortalReadsThem) {
    struct Case {
        const char* name;
        unsigned modifiers, virtualKey;
        std::optional<std::string> trigger;
    };
    const Case cases[] = {
        {"Ctrl+Alt+F", MOD_CONTROL | MOD_ALT, 'F', "CTRL+ALT+f"},
        {"Ctrl+Alt+T", 3, 'T', "CTRL+ALT+t"},
        {"Windows key", MOD_WIN, 'E', "LOGO+e"},
        {"all four", 15, 'K', "CTRL+ALT+SHIFT+LOGO+k"},
        {"Shift+digit", MOD_SHIFT, '7', "SHIFT+7"},
        {"F12 alone", 0, 0x7B, "F12"},
        {"numpad 5", MOD_CONTROL, 0x65, "CTRL+KP_5"},
        {"numpad plus", MOD_ALT, 0x6B, "ALT+KP_Add"},
        {"space", MOD_CONTROL, 0x20, "CTRL+space"},
        {"enter", MOD_CONTROL, 0x0D, "CTRL+Return"},
        {"escape", MOD_CONTROL, 0x1B, "CTRL+Escape"},
        {"page down", MOD_CONTROL, 0x22, "CTRL+Page_Down"},
        {"left", MOD_CONTROL | MOD_SHIFT, 0x25, "CTRL+SHIFT+Left"},
        {"print", 0, 0x2C, "Print"},
        {"unknown modifier bit", 0x4002, 'T', std::nullopt},
        {"punctuation key", 2, 0xBA, std::nullopt},
        {"code 0", 2, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PortalTrigger(c.modifiers, c.virtualKey), c.trigger);
    }
}

constexpr const char* kIntrospection = R"xml(<node>
  <interface name="org.freedesktop.portal.GlobalShortcuts">
    <method name="CreateSession"><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
    <method name="BindShortcuts">
      <arg type="o" direction="in"/><arg type="a(sa{sv})" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.portal.Session">
    <method name="Close"/>
  </interface>
</node>)xml";

// A portal desktop object as the frontends of several versions behave: it records the calls and
// answers every request at once with a Response signal to the caller (or, asked to, never). It runs
// in a thread of its own, as the portal runs in a process of its own: the client's calls block.
class StandInPortal {
public:
    struct Settings {
        bool hasShortcuts = true;
        bool handleAsObjectPath = false;          // newer frontends; 1.16 sends a string
        bool shortcutsFromCreateSession = false;  // KDE 5.27 binds what CreateSession lists
        int bindAnswer = 0;                       // 0 granted, 1 cancelled, 2 refused, -1 no answer
    };

    explicit StandInPortal(Settings settings) : settings_(settings) {
        dbus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
        g_test_dbus_up(dbus_);
        client_ = Connect(g_test_dbus_get_bus_address(dbus_));
        node_ = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
        std::unique_lock lock(mutex_);
        thread_ = std::thread([this] { Serve(); });
        ready_.wait(lock, [this] { return loop_ != nullptr; });
    }
    ~StandInPortal() {
        g_main_loop_quit(loop_);
        thread_.join();
        g_object_unref(client_);
        g_dbus_node_info_unref(node_);
        g_test_dbus_down(dbus_);
        g_object_unref(dbus_);
    }

    GDBusConnection* Client() const { return client_; }
    // What the portal was asked: "create <ids>", "bind <ids>", "close <path>".
    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // The preferred trigger last sent for a shortcut id.
    std::string Trigger(const std::string& id) {
        std::lock_guard lock(mutex_);
        return triggers_[id];
    }
    std::string SessionToken() {
        std::lock_guard lock(mutex_);
        return sessionToken_;
    }
    std::string Session() {
        std::lock_guard lock(mutex_);
        return session_;
    }

    // The desktop reports that the user pressed a shortcut of a session.
    void Press(const std::string& session, const std::string& shortcut) {
        g_dbus_connection_emit_signal(
            server_, nullptr, kPortalPath, "org.freedesktop.portal.GlobalShortcuts", "Activated",
            g_variant_new("(osta{sv})", session.c_str(), shortcut.c_str(), 0, nullptr), nullptr);
        Settle();
    }

    // The user answers the bind that was left unanswered.
    void AnswerLastBind(guint32 response) {
        std::string sender, request;
        {
            std::lock_guard lock(mutex_);
            sender = bindSender_;
            request = bindRequest_;
        }
        Respond(sender.c_str(), request, response, g_variant_new("a{sv}", nullptr));
        Settle();
    }

    // Runs the client's events until what the portal sent so far has arrived: the portal answers a
    // ping only after everything it sent before.
    void Settle() {
        g_dbus_connection_flush_sync(server_, nullptr, nullptr);
        g_autoptr(GVariant) pong =
            g_dbus_connection_call_sync(client_, kPortalName, kPortalPath, "org.freedesktop.DBus.Peer", "Ping", nullptr,
                                        nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
    }

private:
    static GDBusConnection* Connect(const char* address) {
        return g_dbus_connection_new_for_address_sync(
            address,
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
    }

    void Serve() {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        server_ = Connect(g_test_dbus_get_bus_address(dbus_));
        Export(kPortalPath);
        g_autoptr(GVariant) owned = g_dbus_connection_call_sync(
            server_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
            g_variant_new("(su)", kPortalName, 0u), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        GMainLoop* loop = g_main_loop_new(context, FALSE);
        {
            std::lock_guard lock(mutex_);
            loop_ = loop;
        }
        ready_.notify_one();
        g_main_loop_run(loop);
        g_dbus_connection_close_sync(server_, nullptr, nullptr);
        g_object_unref(server_);
        g_main_loop_unref(loop);
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }

    void Export(const std::string& path) {
        static const GDBusInterfaceVTable vtable = {&StandInPortal::OnCall, nullptr, nullptr, {}};
        for (GDBusInterfaceInfo** info = node_->interfaces; *info; ++info) {
            g_dbus_connection_register_object(server_, path.c_str(), *info, &vtable, this, nullptr, nullptr);
        }
    }

    // The ids of a shortcut list; their preferred triggers are kept. Under the lock.
    std::string Ids(GVariant* list) {
        std::string ids;
        GVariantIter iter;
        g_variant_iter_init(&iter, list);
        const gchar* id = nullptr;
        GVariant* properties = nullptr;
        while (g_variant_iter_next(&iter, "(&s@a{sv})", &id, &properties)) {
            ids += (ids.empty() ? "" : ",") + std::string(id);
            g_autoptr(GVariant) owned = properties;
            const gchar* trigger = nullptr;
            if (g_variant_lookup(properties, "preferred_trigger", "&s", &trigger)) triggers_[id] = trigger;
        }
        return ids;
    }

    // Where the portal puts a caller's request or session: <desktop>/<kind>/<sender, ':' left out and
    // '.' as '_'>/<token>.
    static std::string ChildPath(const char* kind, const gchar* sender, const char* token) {
        std::string path = kPortalPath;
        path.append("/").append(kind).append("/");
        for (const gchar* c = sender + 1; *c; ++c) path.push_back(*c == '.' ? '_' : *c);
        path.append("/").append(token);
        return path;
    }

    static std::string RequestPath(const gchar* sender, GVariant* options) {
        const gchar* token = "";
        g_variant_lookup(options, "handle_token", "&s", &token);
        return ChildPath("request", sender, token);
    }

    void Respond(const gchar* sender, const std::string& path, guint32 response, GVariant* results) {
        g_dbus_connection_emit_signal(server_, sender, path.c_str(), "org.freedesktop.portal.Request", "Response",
                                      g_variant_new("(u@a{sv})", response, results), nullptr);
    }

    static void OnCall(GDBusConnection*, const gchar* sender, const gchar* path, const gchar* interface,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        static_cast<StandInPortal*>(data)->Handle(sender, path, interface, method, parameters, invocation);
    }

    void Handle(const gchar* sender, const std::string& path, const std::string& interface, const std::string& method,
                GVariant* parameters, GDBusMethodInvocation* invocation) {
        std::lock_guard lock(mutex_);
        if (method == "Get") {
            if (!settings_.hasShortcuts) {
                g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.InvalidArgs",
                                                           "No such interface");
                return;
            }
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", g_variant_new_uint32(1)));
        } else if (method == "Close") {
            calls_.push_back("close " + path);
            g_dbus_method_invocation_return_value(invocation, nullptr);
        } else if (method == "CreateSession") {
            g_autoptr(GVariant) options = g_variant_get_child_value(parameters, 0);
            g_autoptr(GVariant) list = g_variant_lookup_value(options, "shortcuts", G_VARIANT_TYPE("a(sa{sv})"));
            calls_.push_back("create " + (list ? Ids(list) : std::string()));
            const gchar* token = "";
            g_variant_lookup(options, "session_handle_token", "&s", &token);
            sessionToken_ = token;
            session_ = ChildPath("session", sender, token);
            if (!exported_) Export(session_);
            exported_ = true;
            std::string request = RequestPath(sender, options);
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", request.c_str()));
            GVariantBuilder results;
            g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
            g_variant_builder_add(&results, "{sv}", "session_handle",
                                  settings_.handleAsObjectPath ? g_variant_new_object_path(session_.c_str())
                                                               : g_variant_new_string(session_.c_str()));
            if (settings_.shortcutsFromCreateSession && list)
                g_variant_builder_add(&results, "{sv}", "shortcuts", list);
            Respond(sender, request, 0, g_variant_builder_end(&results));
        } else if (method == "BindShortcuts") {
            g_autoptr(GVariant) list = g_variant_get_child_value(parameters, 1);
            g_autoptr(GVariant) options = g_variant_get_child_value(parameters, 3);
            calls_.push_back("bind " + Ids(list));
            std::string request = RequestPath(sender, options);
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", request.c_str()));
            bindSender_ = sender;
            bindRequest_ = request;
            if (settings_.bindAnswer < 0) return;
            GVariantBuilder results;
            g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
            if (settings_.bindAnswer == 0) g_variant_builder_add(&results, "{sv}", "shortcuts", list);
            Respond(sender, request, static_cast<guint32>(settings_.bindAnswer), g_variant_builder_end(&results));
        } else {
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod",
                                                       interface.c_str());
        }
    }

    const Settings settings_;
    GTestDBus* dbus_;
    GDBusConnection* client_;
    GDBusConnection* server_ = nullptr;
    GDBusNodeInfo* node_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable ready_;
    GMainLoop* loop_ = nullptr;
    std::vector<std::string> calls_;
    std::map<std::string, std::string> triggers_;
    std::string sessionToken_, session_, bindSender_, bindRequest_;
    bool exported_ = false;
};

class PortalHotKeysTest : public ::testing::Test {
protected:
    std::vector<std::string> notices;
    HotKeyNotice notice{[this](const std::string& text) { notices.push_back(text); }};
    std::vector<int> pressed;

    std::unique_ptr<PortalHotKeys> Make(StandInPortal& portal, guint answerWaitMs = 30000) {
        return std::make_unique<PortalHotKeys>(
            kBare, portal.Client(), [this](int id) { pressed.push_back(id); }, notice, answerWaitMs);
    }
};

constexpr unsigned kCtrlAlt = MOD_CONTROL | MOD_ALT;
using Calls = std::vector<std::string>;

TEST_F(PortalHotKeysTest, RegistersThroughOneSessionAndCallsBackOnActivation) {
    StandInPortal portal({});
    auto keys = Make(portal);
    EXPECT_TRUE(keys->Register(1, kCtrlAlt, 'F'));
    EXPECT_EQ(portal.Calls(), (Calls{"create hotkey1-CTRL+ALT+f", "bind hotkey1-CTRL+ALT+f"}));
    EXPECT_EQ(portal.Trigger("hotkey1-CTRL+ALT+f"), "CTRL+ALT+f");
    EXPECT_EQ(portal.SessionToken(), "tesrabrowser_hotkeys");
    portal.Press(portal.Session(), "hotkey1-CTRL+ALT+f");
    EXPECT_EQ(pressed, std::vector<int>{1});
    // Another session's shortcut, and an unknown one of this session, call nothing.
    portal.Press(portal.Session() + "x", "hotkey1-CTRL+ALT+f");
    portal.Press(portal.Session(), "hotkey9-CTRL+ALT+q");
    EXPECT_EQ(pressed, std::vector<int>{1});
    EXPECT_TRUE(notices.empty());
}

TEST_F(PortalHotKeysTest, EveryChangeClosesTheSessionAndSendsTheWholeListAgain) {
    StandInPortal portal({});
    auto keys = Make(portal);
    ASSERT_TRUE(keys->Register(1, kCtrlAlt, 'F'));
    ASSERT_TRUE(keys->Register(2, kCtrlAlt, 'G'));
    const std::string session = portal.Session();
    EXPECT_FALSE(keys->Register(3, kCtrlAlt, 'G')) << "the same key twice";
    portal.Press(session, "hotkey2-CTRL+ALT+g");
    EXPECT_EQ(pressed, std::vector<int>{2});
    EXPECT_TRUE(keys->Unregister(1));
    EXPECT_FALSE(keys->Unregister(1));
    EXPECT_TRUE(keys->Unregister(2));
    portal.Settle();
    const std::string f = "hotkey1-CTRL+ALT+f", g = "hotkey2-CTRL+ALT+g";
    EXPECT_EQ(portal.Calls(),
              (Calls{"create " + f, "bind " + f, "close " + session, "create " + f + "," + g, "bind " + f + "," + g,
                     "close " + session, "create " + g, "bind " + g, "close " + session}));
    portal.Press(session, g);
    EXPECT_EQ(pressed, std::vector<int>{2}) << "no key is left";
}

TEST_F(PortalHotKeysTest, ClosesItsSessionWhenItGoes) {
    StandInPortal portal({});
    {
        auto keys = Make(portal);
        ASSERT_TRUE(keys->Register(1, kCtrlAlt, 'F'));
    }
    portal.Settle();
    EXPECT_EQ(portal.Calls().back(), "close " + portal.Session());
}

TEST_F(PortalHotKeysTest, AcceptsTheSessionHandleAsObjectPathAndKeysBoundAtCreation) {
    StandInPortal portal({.handleAsObjectPath = true, .shortcutsFromCreateSession = true});
    auto keys = Make(portal);
    EXPECT_TRUE(keys->Register(4, MOD_WIN, 'E'));
    EXPECT_EQ(portal.Calls(), Calls{"create hotkey4-LOGO+e"});
    portal.Press(portal.Session(), "hotkey4-LOGO+e");
    EXPECT_EQ(pressed, std::vector<int>{4});
}

TEST_F(PortalHotKeysTest, ARefusedBindAnswersFalseAndTellsOnce) {
    for (int answer : {2, 1}) {
        SCOPED_TRACE(answer);
        StandInPortal portal({.bindAnswer = answer});
        auto keys = Make(portal);
        EXPECT_FALSE(keys->Register(1, kCtrlAlt, 'F'));
        EXPECT_FALSE(keys->Register(2, kCtrlAlt, 'G'));
        portal.Press(portal.Session(), "hotkey1-CTRL+ALT+f");
        EXPECT_TRUE(pressed.empty());
    }
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("“CTRL+ALT+f”"), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find("系统没有允许"), std::string::npos) << notices[0];
}

TEST_F(PortalHotKeysTest, WithoutGlobalShortcutsEveryRegistrationIsFalseAndTellsOnce) {
    StandInPortal portal({.hasShortcuts = false});
    auto keys = Make(portal);
    EXPECT_FALSE(keys->Register(1, kCtrlAlt, 'F'));
    EXPECT_FALSE(keys->Register(2, kCtrlAlt, 'G'));
    EXPECT_TRUE(portal.Calls().empty());
    EXPECT_EQ(notices, std::vector<std::string>{kNoGlobalShortcutsText});
}

TEST_F(PortalHotKeysTest, WithoutABusEveryRegistrationIsFalseAndTellsOnce) {
    PortalHotKeys keys(
        kBare, nullptr, [this](int id) { pressed.push_back(id); }, notice, 30000);
    EXPECT_FALSE(keys.Register(1, kCtrlAlt, 'F'));
    EXPECT_FALSE(keys.Unregister(1));
    EXPECT_EQ(notices, std::vector<std::string>{kNoGlobalShortcutsText});
}

TEST_F(PortalHotKeysTest, AKeyThePortalCannotNameIsRefusedWithoutAsking) {
    StandInPortal portal({});
    auto keys = Make(portal);
    EXPECT_FALSE(keys->Register(1, kCtrlAlt, 0xBA));
    EXPECT_TRUE(portal.Calls().empty());
    EXPECT_TRUE(notices.empty());
}

TEST_F(PortalHotKeysTest, ABindStillAskingTheUserCountsAsTakenAndALaterRefusalIsTold) {
    StandInPortal portal({.bindAnswer = -1});
    auto keys = Make(portal, 50);
    EXPECT_TRUE(keys->Register(1, kCtrlAlt, 'F'));
    EXPECT_TRUE(notices.empty());
    portal.AnswerLastBind(2);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("“CTRL+ALT+f”"), std::string::npos) << notices[0];
}

}  // namespace
}  // namespace tesra::platform
