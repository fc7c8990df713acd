#pragma once
// The UI side of the page bridge: serves the blocking requests of every web process from the main
// loop. A handler may run a nested loop (a capture does); other requests are served meanwhile.

#include <gio/gio.h>

#include <functional>
#include <map>
#include <string>

namespace tesra::platform {

class BridgeServer {
public:
    // Answers a request: returns the result (a new or floating GVariant, never null) or throws an
    // exception whose message becomes the script error.
    using Handler = std::function<GVariant*(GVariant* payload)>;

    BridgeServer();
    ~BridgeServer();
    BridgeServer(const BridgeServer&) = delete;
    BridgeServer& operator=(const BridgeServer&) = delete;

    // Listens on a fresh socket in the runtime folder; false when that fails.
    bool Listen();
    const std::string& SocketPath() const { return path_; }
    void SetHandler(const std::string& name, Handler handler) { handlers_[name] = std::move(handler); }
    bool HasHandler(const std::string& name) const { return handlers_.count(name) > 0; }

    // The reply frame for one request frame body; used by the connections and by tests.
    GBytes* Answer(GBytes* request);

private:
    static gboolean OnIncoming(GSocketService* service, GSocketConnection* connection, GObject* source, gpointer self);

    GSocketService* service_ = nullptr;
    std::string path_;
    std::map<std::string, Handler> handlers_;
};

}  // namespace tesra::platform
