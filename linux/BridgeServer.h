#pragma once
// The UI side of the page bridge: serves the blocking requests of every web process from the main
// loop. A handler may run a nested loop (a capture does); other requests are served meanwhile. Only
// processes of the same user are served; every frame they send is checked before it is used, and a
// frame that is wrong closes its connection and nothing else. The program never waits for a web
// process: a reply that the peer does not take at once goes out as the peer reads, and a peer that
// takes nothing of it for 30 s is cut off. The server owns its connections: when it goes, they close.

#include <gio/gio.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "linux/GObjectPtr.h"

namespace tesra::platform {

class BridgeServer {
public:
    // Answers a request of a known name with a payload of its type: returns the result (a new or
    // floating GVariant, never null) or throws an exception whose message becomes the script error.
    using Answerer = std::function<GVariant*(const std::string& name, GVariant* payload)>;

    // stallLimit: how long a peer may take nothing of a reply before it is cut off.
    explicit BridgeServer(Answerer answer, std::chrono::seconds stallLimit = std::chrono::seconds(30));
    ~BridgeServer();
    BridgeServer(const BridgeServer&) = delete;
    BridgeServer& operator=(const BridgeServer&) = delete;

    // Listens on a fresh socket in the runtime folder; false when that fails.
    [[nodiscard]] bool Listen();
    const std::string& SocketPath() const { return path_; }
    std::chrono::seconds StallLimit() const { return stall_limit_; }

    // The reply frame body for one request frame body (a new reference); null, with the reason in
    // why, when the request is not one to answer and its connection is to be closed.
    [[nodiscard]] GBytes* Answer(const void* frame, size_t size, std::string& why);

private:
    class Connection;

    static gboolean OnIncoming(GSocketService* service, GSocketConnection* connection, GObject* source, gpointer self);

    Answerer answer_;
    std::chrono::seconds stall_limit_;
    GObjectPtr<GSocketService> service_;
    std::string path_;
    // A read in progress holds its connection as well, so that the buffer it fills outlives a close.
    std::map<Connection*, std::shared_ptr<Connection>> connections_;
};

}  // namespace tesra::platform
