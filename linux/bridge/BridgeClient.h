#pragma once
// The web process side of the blocking requests: one connection per web process, made on first use.

#include <gio/gio.h>

#include <stdexcept>
#include <string>

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

private:
    GSocketConnection* Connect();
    [[noreturn]] void Fail(const char* message);

    std::string path_;
    platform::GObjectPtr<GSocketConnection> connection_;
};

}  // namespace tesra::bridge
