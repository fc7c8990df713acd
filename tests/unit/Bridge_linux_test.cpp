// The blocking request path of the page bridge, over a real socket: a client thread stands in for a
// web process while the test's main loop serves it, as the program's main loop does.

#include <gtest/gtest.h>
#include <glib/gstdio.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/linux/BridgeServer.h"
#include "platform/linux/bridge/BridgeClient.h"

namespace tesra {
namespace {

class BridgeTest : public testing::Test {
protected:
    void SetUp() override {
        runtime_ = g_dir_make_tmp("bridge-XXXXXX", nullptr);
        g_setenv("XDG_RUNTIME_DIR", runtime_, TRUE);
        ASSERT_TRUE(server_.Listen());
    }
    void TearDown() override { g_free(runtime_); }

    // Runs the client on its own thread while the main loop serves it.
    void RunClient(const std::function<void(bridge::BridgeClient&)>& body) {
        std::atomic<bool> done{false};
        std::thread client([&] {
            bridge::BridgeClient c(server_.SocketPath());
            body(c);
            done = true;
            g_main_context_wakeup(nullptr);
        });
        while (!done) g_main_context_iteration(nullptr, TRUE);
        client.join();
    }

    gchar* runtime_ = nullptr;
    platform::BridgeServer server_;
};

TEST_F(BridgeTest, RoundTripCarriesValuesUnchanged) {
    server_.SetHandler("Echo", [](GVariant* payload) { return g_variant_new("(v)", payload); });
    const char* samples[] = {"plain", "quote \" and \\ backslash", "line\nbreak", "中文 ümlaut", ""};
    RunClient([&](bridge::BridgeClient& client) {
        for (const char* sample : samples) {
            GVariant* result = client.Call("Echo", g_variant_new_string(sample));
            GVariant* inner = nullptr;
            g_variant_get(result, "(v)", &inner);
            EXPECT_STREQ(g_variant_get_string(inner, nullptr), sample);
            g_variant_unref(inner);
            g_variant_unref(result);
        }
    });
}

TEST_F(BridgeTest, FailuresReachTheCallerAsErrors) {
    server_.SetHandler("Fail", [](GVariant*) -> GVariant* { throw std::runtime_error("截屏失败"); });
    RunClient([&](bridge::BridgeClient& client) {
        try {
            client.Call("Fail", g_variant_new_int32(1));
            ADD_FAILURE() << "no error";
        } catch (const bridge::BridgeError& e) {
            EXPECT_STREQ(e.what(), "截屏失败");
        }
        EXPECT_THROW(client.Call("NoSuchRequest", g_variant_new_int32(1)), bridge::BridgeError);
        // The connection stays usable after a failed request.
        server_.SetHandler("Ok", [](GVariant*) { return g_variant_new("(i)", 7); });
        GVariant* result = client.Call("Ok", g_variant_new_int32(0));
        gint32 value = 0;
        g_variant_get(result, "(i)", &value);
        EXPECT_EQ(value, 7);
        g_variant_unref(result);
    });
}

TEST_F(BridgeTest, MalformedRequestIsRefused) {
    GBytes* garbage = g_bytes_new_static("\x01\x02\x03", 3);
    GBytes* reply = server_.Answer(garbage);
    GVariant* message = g_variant_new_from_bytes(G_VARIANT_TYPE("(bsv)"), reply, FALSE);
    gboolean ok = TRUE;
    g_variant_get_child(message, 0, "b", &ok);
    EXPECT_FALSE(ok);
    g_variant_unref(message);
    g_bytes_unref(reply);
    g_bytes_unref(garbage);
}

TEST(BridgeClient, ReportsAnAbsentProgram) {
    bridge::BridgeClient client("/nonexistent/tesra-bridge.sock");
    EXPECT_THROW(client.Call("Echo", g_variant_new_string("x")), bridge::BridgeError);
}

}  // namespace
}  // namespace tesra

#include "platform/linux/BridgeRequests.h"
#include "platform/linux/bridge/BridgeProtocol.h"

namespace tesra {
namespace {

TEST(BridgeProtocol, EveryRequestHasAHandlerInTheProgram) {
    platform::BridgeServer server;
    ProgramServices services(false);
    platform::ServeBridgeRequests(server, services);
    for (const char* name : bridge::kRequests) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(server.HasHandler(name));
    }
}

}  // namespace
}  // namespace tesra
