#pragma once
// The web process side of the blocking requests: one connection per web process, made on first use.

#include <gio/gio.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <utility>

#include "linux/GObjectPtr.h"
#include "services/BridgeProtocol.h"

namespace tesra::bridge {

// What page script hears when the program cannot be asked.
constexpr char kNotReachable[] = "无法连接蓝岸浏览器";
constexpr char kNoAnswer[] = "蓝岸浏览器没有响应";
constexpr char kBadAnswer[] = "蓝岸浏览器的应答无法识别";

class BridgeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class BridgeClient {
public:
    explicit BridgeClient(std::string socketPath) : path_(std::move(socketPath)) {}
    ~BridgeClient();
    BridgeClient(const BridgeClient&) = delete;
    BridgeClient& operator=(const BridgeClient&) = delete;

    // Sends the request and waits for the reply. Returns the result; throws BridgeError with the
    // program's message when the request failed or the program is gone.
    template <class M>
    typename M::Result Call(M message, const typename M::Payload& payload = {}) {
        VariantPtr result = CallRaw(message.name, Encode(payload));
        return Wire<typename M::Result>::Decode(result.get());
    }

    // The same for a request as it goes out (a floating payload is taken): the result is of the
    // request's type.
    VariantPtr CallRaw(const char* name, GVariant* payload);

    // Queues the request without touching the socket, for callers that may not wait on the program (a
    // script engine finalizer). It goes out from the thread's main loop, or ahead of the next call if that comes
    // first, so that the program hears the requests in the order they were made; its failure and its
    // result are dropped.
    template <class M>
    void Post(M message, const typename M::Payload& payload = {}) {
        PostRaw(message.name, Encode(payload));
    }
    void PostRaw(const char* name, GVariant* payload);

private:
    VariantPtr Exchange(const char* name, GVariant* payload);
    void SendPosted();
    static gboolean OnIdle(gpointer self);

    GSocketConnection* Connect();
    [[noreturn]] void Fail(const char* message);

    std::string path_;
    platform::GObjectPtr<GSocketConnection> connection_;
    std::deque<std::pair<std::string, VariantPtr>> posted_;
    GSource* idle_ = nullptr;
};

}  // namespace tesra::bridge
