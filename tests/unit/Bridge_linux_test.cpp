// The blocking request path of the page bridge, over a real socket: client threads stand in for web
// processes while the test's main loop serves them, as the program's main loop does.

#include <gio/gunixsocketaddress.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "LinuxPlatformFakes.h"
#include "ScopedEnv.h"
#include "linux/BridgeServer.h"
#include "linux/bridge/BridgeClient.h"
#include "platform/Platform.h"
#include "services/BridgeProtocol.h"
#include "shell/ProgramServices.h"

namespace tesra {
namespace {

using namespace std::chrono_literals;

// A raw connection to the program's socket, as any process of the user could make one.
class RawPeer {
public:
    explicit RawPeer(const std::string& path) {
        g_autoptr(GSocketClient) client = g_socket_client_new();
        g_autoptr(GSocketAddress) address = g_unix_socket_address_new(path.c_str());
        connection_ = g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, nullptr);
    }
    ~RawPeer() {
        if (connection_) g_object_unref(connection_);
    }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;
    bool Connected() const { return connection_ != nullptr; }
    void Send(const std::string& bytes) {
        g_output_stream_write_all(g_io_stream_get_output_stream(G_IO_STREAM(connection_)), bytes.data(), bytes.size(),
                                  nullptr, nullptr, nullptr);
    }
    void EndWriting() { g_socket_shutdown(g_socket_connection_get_socket(connection_), FALSE, TRUE, nullptr); }
    // The next reply frame, header and body; "" when the connection ends first.
    std::string ReadFrame() {
        GInputStream* in = g_io_stream_get_input_stream(G_IO_STREAM(connection_));
        std::uint32_t header = 0;
        gsize got = 0;
        if (!g_input_stream_read_all(in, &header, sizeof header, &got, nullptr, nullptr) || got != sizeof header)
            return "";
        std::string body(GUINT32_FROM_LE(header), '\0');
        if (!g_input_stream_read_all(in, body.data(), body.size(), &got, nullptr, nullptr) || got != body.size())
            return "";
        return std::string(reinterpret_cast<const char*>(&header), sizeof header) + body;
    }
    // Whether the program ends the connection within the time, with nothing more sent.
    bool EndedWithin(std::chrono::seconds limit) {
        GSocket* socket = g_socket_connection_get_socket(connection_);
        g_socket_set_timeout(socket, static_cast<guint>(limit.count()));
        char byte = 0;
        return g_socket_receive(socket, &byte, 1, nullptr, nullptr) == 0;
    }
    // Everything until the program closes the connection.
    std::string ReadToEnd() {
        std::string all;
        char buffer[65536];
        for (;;) {
            gssize n = g_input_stream_read(g_io_stream_get_input_stream(G_IO_STREAM(connection_)), buffer,
                                           sizeof buffer, nullptr, nullptr);
            if (n <= 0) return all;
            all.append(buffer, static_cast<size_t>(n));
        }
    }

private:
    GSocketConnection* connection_ = nullptr;
};

std::string Frame(const std::string& body) {
    std::uint32_t header = GUINT32_TO_LE(static_cast<std::uint32_t>(body.size()));
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + body;
}

// The request's body; a floating payload is taken over, any other is shared, as g_variant_new does.
std::string RequestBody(const char* name, GVariant* payload) {
    bridge::VariantPtr request = bridge::EncodeRequest(name, payload);
    return std::string(static_cast<const char*>(g_variant_get_data(request.get())), g_variant_get_size(request.get()));
}

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime_ = g_dir_make_tmp("bridge-XXXXXX", nullptr);
        runtimeVariable_.emplace("XDG_RUNTIME_DIR", runtime_);
        ASSERT_TRUE(server_->Listen());
    }
    void TearDown() override { g_free(runtime_); }

    // Runs the body on its own thread while the main loop serves it.
    void RunClient(const std::function<void()>& body) {
        std::atomic<bool> done{false};
        std::thread client([&] {
            body();
            done = true;
            g_main_context_wakeup(nullptr);
        });
        while (!done) g_main_context_iteration(nullptr, TRUE);
        client.join();
    }

    gchar* runtime_ = nullptr;
    std::optional<testing::ScopedEnv> runtimeVariable_;
    // The test's answers, by request name, unless the test hands the server another way to answer.
    std::map<std::string, std::function<GVariant*(GVariant*)>> handlers_;
    platform::BridgeServer::Answerer answer_ = [this](const std::string& name, GVariant* payload) {
        return handlers_.at(name)(payload);
    };
    std::unique_ptr<platform::BridgeServer> server_ = std::make_unique<platform::BridgeServer>(
        [this](const std::string& name, GVariant* payload) { return answer_(name, payload); }, 1s);
};

TEST_F(BridgeTest, RoundTripCarriesValuesUnchanged) {
    const std::string samples[] = {"plain", "quote \" and \\ backslash", "line\nbreak", "中文 ümlaut", ""};
    size_t next = 0;
    handlers_[bridge::kRequestNamed<"Service.VersionInfo">.name] = [&](GVariant*) {
        return bridge::Encode(bridge::Text{samples[next++]});
    };
    RunClient([&] {
        bridge::BridgeClient client(server_->SocketPath());
        for (const std::string& sample : samples)
            EXPECT_EQ(client.Call(bridge::kRequestNamed<"Service.VersionInfo">).value, sample);
    });
}

TEST_F(BridgeTest, HelloAnswersTheStartAddressDecidedAfterServingBegan) {
    fakes::LinuxFakePlatform fakes;
    TScreenCapture capture(fakes.factory, fakes.screen, fakes.captureUi);
    std::string startAddress;
    ProgramServices services(false, fakes.app, fakes.registry, fakes.handle.environment, capture, nullptr,
                             [&] { return startAddress; });
    answer_ = [&services](const std::string& name, GVariant* payload) { return services.Answer(name, payload); };
    startAddress = "http://app.example:8080/index.html";
    RunClient([&] {
        bridge::BridgeClient client(server_->SocketPath());
        EXPECT_EQ(client.Call(bridge::kRequestNamed<"Bridge.Hello">, {42}).value, startAddress);
    });
}

TEST_F(BridgeTest, FailuresReachTheCallerAsErrors) {
    handlers_[bridge::kRequestNamed<"Service.GetCaptureImage">.name] = [](GVariant*) -> GVariant* {
        throw std::runtime_error("截屏失败");
    };
    handlers_[bridge::kRequestNamed<"Service.VersionInfo">.name] = [](GVariant*) {
        return bridge::Encode(bridge::Text{"1.0"});
    };
    RunClient([&] {
        bridge::BridgeClient client(server_->SocketPath());
        try {
            client.Call(bridge::kRequestNamed<"Service.GetCaptureImage">, {1});
            ADD_FAILURE() << "no error";
        } catch (const bridge::BridgeError& e) {
            EXPECT_STREQ(e.what(), "截屏失败");
        }
        // The connection stays usable after a failed request.
        EXPECT_EQ(client.Call(bridge::kRequestNamed<"Service.VersionInfo">).value, "1.0");
        // A request the program does not know closes the connection: the caller hears it in Chinese,
        // and the next call connects anew.
        try {
            client.CallRaw("NoSuchRequest", bridge::Encode(bridge::None{}));
            ADD_FAILURE() << "no error";
        } catch (const bridge::BridgeError& e) {
            EXPECT_STREQ(e.what(), bridge::kNoAnswer);
        }
        EXPECT_EQ(client.Call(bridge::kRequestNamed<"Service.VersionInfo">).value, "1.0");
    });
}

TEST_F(BridgeTest, ABadFrameClosesItsConnectionAndNothingElse) {
    handlers_[bridge::kRequestNamed<"Service.VersionInfo">.name] = [](GVariant*) {
        return bridge::Encode(bridge::Text{"1.0"});
    };
    std::uint32_t oversized = GUINT32_TO_LE(bridge::kMaxRequest + 1);
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"a truncated header", std::string("\x05\x00", 2)},
        {"a truncated body",
         Frame(RequestBody(bridge::kRequestNamed<"Service.VersionInfo">.name, bridge::Encode(bridge::None{})))
             .substr(0, 9)},
        {"an oversized frame", std::string(reinterpret_cast<const char*>(&oversized), 4) + std::string(100, 'x')},
        {"garbage", Frame("\x01\x02\x03")},
        {"an empty frame", Frame("")},
        {"the wrong payload type",
         Frame(RequestBody(bridge::kRequestNamed<"Service.ShowNewMessageHint">.name, g_variant_new("(s)", "3")))},
        {"a bare payload",
         Frame(RequestBody(bridge::kRequestNamed<"Service.RegisterHotKey">.name, g_variant_new_int32(1)))},
        {"an unknown name", Frame(RequestBody("Service.FormatDisk", bridge::Encode(bridge::None{})))},
    };
    RunClient([&] {
        bridge::BridgeClient good(server_->SocketPath());
        EXPECT_EQ(good.Call(bridge::kRequestNamed<"Service.VersionInfo">).value, "1.0");
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            RawPeer bad(server_->SocketPath());
            ASSERT_TRUE(bad.Connected());
            bad.Send(row.bytes);
            bad.EndWriting();
            EXPECT_EQ(bad.ReadToEnd(), "") << "no reply, the connection closed";
            EXPECT_EQ(good.Call(bridge::kRequestNamed<"Service.VersionInfo">).value, "1.0");
        }
    });
}

TEST_F(BridgeTest, APeerThatDoesNotReadNeitherBlocksTheProgramNorStaysForever) {
    const std::string big(4u << 20, 'x');
    handlers_[bridge::kRequestNamed<"Service.InstalledSoft">.name] = [&](GVariant*) {
        return bridge::Encode(bridge::Text{big.c_str()});
    };
    handlers_[bridge::kRequestNamed<"Service.VersionInfo">.name] = [](GVariant*) {
        return bridge::Encode(bridge::Text{"1.0"});
    };
    RunClient([&] {
        RawPeer stuck(server_->SocketPath());
        stuck.Send(
            Frame(RequestBody(bridge::kRequestNamed<"Service.InstalledSoft">.name, bridge::Encode(bridge::None{}))));
        // The program goes on serving others while the reply waits for the stuck peer.
        bridge::BridgeClient other(server_->SocketPath());
        for (int i = 0; i < 20; ++i) EXPECT_EQ(other.Call(bridge::kRequestNamed<"Service.VersionInfo">).value, "1.0");
        std::this_thread::sleep_for(2500ms);
        // Cut off after the stall limit: what it reads now ends before the whole reply.
        std::string got = stuck.ReadToEnd();
        EXPECT_LT(got.size(), big.size());
        EXPECT_EQ(other.Call(bridge::kRequestNamed<"Service.VersionInfo">).value, "1.0");
    });
}

TEST_F(BridgeTest, ASlowReaderGetsTheWholeReply) {
    const std::string big(4u << 20, 'y');
    handlers_[bridge::kRequestNamed<"Service.InstalledSoft">.name] = [&](GVariant*) {
        return bridge::Encode(bridge::Text{big.c_str()});
    };
    RunClient([&] {
        RawPeer slow(server_->SocketPath());
        slow.Send(
            Frame(RequestBody(bridge::kRequestNamed<"Service.InstalledSoft">.name, bridge::Encode(bridge::None{}))));
        std::this_thread::sleep_for(600ms);  // under the stall limit: a pause, not a stall
        slow.EndWriting();
        std::string got = slow.ReadToEnd();
        ASSERT_GT(got.size(), 4u);
        g_autoptr(GBytes) body = g_bytes_new(got.data() + 4, got.size() - 4);
        g_autoptr(GVariant) reply = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("(bsv)"), body, FALSE));
        g_autoptr(GVariant) result = g_variant_get_child_value(reply, 2);
        g_autoptr(GVariant) inner = g_variant_get_variant(result);
        const char* text = "";
        g_variant_get(inner, "(&s)", &text);
        EXPECT_EQ(std::string(text), big);
    });
}

TEST_F(BridgeTest, ItsConnectionsCloseWithTheServer) {
    handlers_[bridge::kRequestNamed<"Service.VersionInfo">.name] = [](GVariant*) {
        return bridge::Encode(bridge::Text{"1.0"});
    };
    RawPeer peer(server_->SocketPath());
    ASSERT_TRUE(peer.Connected());
    RunClient([&] {
        peer.Send(
            Frame(RequestBody(bridge::kRequestNamed<"Service.VersionInfo">.name, bridge::Encode(bridge::None{}))));
        EXPECT_NE(peer.ReadFrame(), "");
        peer.Send(std::string("\x05\x00", 2));  // half of the next header: the server is in the middle of a read
    });
    server_.reset();
    EXPECT_TRUE(peer.EndedWithin(20s));
    // The cancelled read returns; the connection it held goes with it.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

TEST_F(BridgeTest, APostedRequestLeavesTheCallerAtOnceAndReachesTheProgramInOrder) {
    std::mutex lock;
    std::vector<std::string> heard;
    auto hear = [&](const char* what) {
        std::lock_guard<std::mutex> guard(lock);
        heard.push_back(what);
    };
    auto heardSoFar = [&] {
        std::lock_guard<std::mutex> guard(lock);
        return heard;
    };
    handlers_[bridge::kRequestNamed<"Service.ObjectReleased">.name] = [&](GVariant*) {
        hear("released");
        return bridge::Encode(bridge::None{});
    };
    handlers_[bridge::kRequestNamed<"Service.VersionInfo">.name] = [&](GVariant*) {
        hear("version");
        return bridge::Encode(bridge::Text{"1.0"});
    };
    RunClient([&] {
        // The web process's main loop, as the client thread's own.
        GMainContext* loop = g_main_context_new();
        g_main_context_push_thread_default(loop);
        {
            bridge::BridgeClient client(server_->SocketPath());
            client.Post(bridge::kRequestNamed<"Service.ObjectReleased">);
            // A blocking round trip would have run the handler before returning.
            EXPECT_TRUE(heardSoFar().empty());
            EXPECT_EQ(client.Call(bridge::kRequestNamed<"Service.VersionInfo">).value, "1.0");
            EXPECT_EQ(heardSoFar(), (std::vector<std::string>{"released", "version"}));
            client.Post(bridge::kRequestNamed<"Service.ObjectReleased">);
            while (g_main_context_iteration(loop, FALSE)) {
            }
            EXPECT_EQ(heardSoFar(), (std::vector<std::string>{"released", "version", "released"}));
        }
        g_main_context_pop_thread_default(loop);
        g_main_context_unref(loop);
    });
}

TEST(BridgeClient, APostToAnAbsentProgramIsDropped) {
    GMainContext* loop = g_main_context_new();
    g_main_context_push_thread_default(loop);
    {
        bridge::BridgeClient client("/nonexistent/tesra-bridge.sock");
        client.Post(bridge::kRequestNamed<"Service.ObjectReleased">);
        EXPECT_TRUE(g_main_context_iteration(loop, FALSE)) << "the post was sent from the loop";
        EXPECT_THROW(client.Call(bridge::kRequestNamed<"Service.VersionInfo">), bridge::BridgeError);
    }
    g_main_context_pop_thread_default(loop);
    g_main_context_unref(loop);
}

TEST(BridgeClient, ReportsAnAbsentProgramInChinese) {
    bridge::BridgeClient client("/nonexistent/tesra-bridge.sock");
    try {
        client.Call(bridge::kRequestNamed<"Service.VersionInfo">);
        ADD_FAILURE() << "no error";
    } catch (const bridge::BridgeError& e) {
        EXPECT_STREQ(e.what(), bridge::kNotReachable);
    }
}

// That every request has its handler in the program is checked when compiling (ServeRequest).
TEST(BridgeProtocol, EveryRequestPayloadIsReadBackUnchanged) {
    for (const bridge::RequestType& type : bridge::kRequests) {
        SCOPED_TRACE(type.name);
        // A payload of the request's type, with a value in every field, read back unchanged.
        g_autoptr(GVariantBuilder) builder = g_variant_builder_new(G_VARIANT_TYPE(type.payload));
        for (const char* field = type.payload + 1; *field != ')'; ++field) {
            if (*field == 'i') g_variant_builder_add(builder, "i", -7);
            if (*field == 't') g_variant_builder_add(builder, "t", G_GUINT64_CONSTANT(1) << 40);
        }
        g_autoptr(GVariant) payload = g_variant_ref_sink(g_variant_builder_end(builder));
        std::string body = RequestBody(type.name, payload);
        bridge::Request request;
        std::string why;
        ASSERT_TRUE(bridge::DecodeRequest(body.data(), body.size(), request, why)) << why;
        EXPECT_EQ(request.name, type.name);
        EXPECT_TRUE(g_variant_equal(request.payload.get(), payload));
    }
}

// The value read back from its encoding, and the encoding of the wrong type refused.
template <class T>
void ExpectRoundTrip(const T& value) {
    SCOPED_TRACE(bridge::Wire<T>::kType);
    g_autoptr(GVariant) encoded = g_variant_ref_sink(bridge::Encode(value));
    EXPECT_STREQ(g_variant_get_type_string(encoded), bridge::Wire<T>::kType);
    auto back = bridge::TryDecode<T>(encoded);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(*back == value);
    g_autoptr(GVariant) wrong = g_variant_ref_sink(g_variant_new("(u)", 7u));
    EXPECT_FALSE(bridge::TryDecode<T>(wrong).has_value());
}

TEST(BridgeProtocol, EveryPayloadAndResultRoundTrips) {
    using namespace bridge;
    const std::string chinese = "蓝岸浏览器", bad = std::string("a\xff\0b", 4);
    ExpectRoundTrip(None{});
    ExpectRoundTrip(Number{-7});
    ExpectRoundTrip(Text{chinese});
    ExpectRoundTrip(Flag{true});
    ExpectRoundTrip(ProcessId{G_GUINT64_CONSTANT(1) << 40});
    ExpectRoundTrip(HotKeyRegistration{3, 2, 0x4E, (G_GUINT64_CONSTANT(4242) << 32) | 9});
    ExpectRoundTrip(Addresses{{"http://127.0.0.1:8080/app/", chinese}});
    ExpectRoundTrip(Addresses{});
    ExpectRoundTrip(
        DocumentData{{{"http://a/"}}, platform::ClientTexts{"4 核", "8 GB", "Debian", chinese}, "1.0.0.41"});
    ExpectRoundTrip(DocumentData{{{"http://a/"}}, std::nullopt, "1.0.0.41"});
    ExpectRoundTrip(PageMessage{"CPU", chinese});
    ExpectRoundTrip(HotKeyName{"Ctrl+N"});
    ExpectRoundTrip(HotKeyCall{G_GUINT64_CONSTANT(1) << 33, 5});
    ExpectRoundTrip(WindowClose{true});
    ExpectRoundTrip(WindowClose{false});
    ExpectRoundTrip(Status{false, chinese});
    ExpectRoundTrip(Binding{{true, ""}, true, false, true, {"错误一", "错误二"}});
    ExpectRoundTrip(DocumentResult{{{false, "失败"}, false, true, false, {}}, "report", "version"});
    // A text that is not valid UTF-8 or holds a zero still goes, cleaned.
    g_autoptr(GVariant) cleaned = g_variant_ref_sink(Encode(Text{bad}));
    EXPECT_EQ(TryDecode<Text>(cleaned)->value, "a\uFFFDb");
}

// A failed reply: of the message's result type, failed with the error, nothing else set.
template <class T>
void ExpectFailed() {
    SCOPED_TRACE(bridge::Wire<T>::kType);
    g_autoptr(GVariant) encoded = g_variant_ref_sink(bridge::Encode(bridge::Failed<T>("没有文档")));
    EXPECT_STREQ(g_variant_get_type_string(encoded), bridge::Wire<T>::kType);
    auto back = bridge::TryDecode<T>(encoded);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(bridge::StatusOf(*back), (bridge::Status{false, "没有文档"}));
    bridge::StatusOf(*back) = {};
    EXPECT_TRUE(*back == T{});
}

TEST(BridgeProtocol, AFailedReplyIsOfItsMessagesType) {
    ExpectFailed<bridge::Status>();
    ExpectFailed<bridge::Binding>();
    ExpectFailed<bridge::DocumentResult>();
}

TEST(BridgeProtocol, PageMessagesAreFoundByNameOnly) {
    const std::vector<std::string> names = {"Page.BindFacade", "Page.DocumentComplete", "Page.DoMessage",
                                            "Page.DoHotKey", "Page.HotKey"};
    std::vector<std::string> visited;
    for (const std::string& name : names) {
        EXPECT_TRUE(bridge::VisitPageMessage(name, [&](auto message) { visited.push_back(message.name); })) << name;
    }
    EXPECT_EQ(visited, names);
    EXPECT_FALSE(bridge::VisitPageMessage("Page.Unknown", [&](auto) { ADD_FAILURE(); }));
    EXPECT_FALSE(bridge::VisitPageMessage("Service.Close", [&](auto) { ADD_FAILURE(); }));
}

}  // namespace
}  // namespace tesra
