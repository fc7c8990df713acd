#include "linux/BridgeServer.h"

#include <gio/gunixsocketaddress.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

#include "linux/Folders.h"
#include "linux/Leftovers.h"
#include "services/BridgeProtocol.h"

namespace tesra::platform {

// One web process: reads a request, answers it, and reads the next one only when the whole reply has
// gone out. A reply the peer does not take at once waits in the connection and goes out as the peer
// reads; the program never waits for it.
class BridgeServer::Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(BridgeServer& server, GSocketConnection* connection)
        : server_(&server), connection_(G_SOCKET_CONNECTION(g_object_ref(connection))), cancel_(g_cancellable_new()) {}
    ~Connection() { StopWaitingForPeer(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void ReadHeader() {
        g_input_stream_read_all_async(In(), header_, sizeof header_, G_PRIORITY_DEFAULT, cancel_.get(),
                                      &Connection::OnHeader, HoldForRead());
    }

    // The server lets the connection go. A read in progress ends cancelled; its buffer stays until then.
    void Close(const std::string& why) {
        BridgeServer* server = std::exchange(server_, nullptr);
        if (server) {
            if (!why.empty()) std::fprintf(stderr, "TesraBrowser: page bridge: %s; connection closed\n", why.c_str());
            StopWaitingForPeer();
            g_cancellable_cancel(cancel_.get());
        }
        if (reading_) {
            // The stream is busy until the read returns; the peer hears the end now.
            g_socket_shutdown(Socket(), TRUE, TRUE, nullptr);
        } else {
            g_io_stream_close(G_IO_STREAM(connection_.get()), nullptr, nullptr);
        }
        if (server) server->connections_.erase(this);
    }

private:
    GInputStream* In() { return g_io_stream_get_input_stream(G_IO_STREAM(connection_.get())); }
    GSocket* Socket() { return g_socket_connection_get_socket(connection_.get()); }

    // The reference that a read in progress holds; its callback takes it back.
    gpointer HoldForRead() {
        reading_ = true;
        return new std::shared_ptr<Connection>(shared_from_this());
    }
    static std::shared_ptr<Connection> TakeBackFromRead(gpointer held) {
        std::unique_ptr<std::shared_ptr<Connection>> owned(static_cast<std::shared_ptr<Connection>*>(held));
        std::shared_ptr<Connection> self = std::move(*owned);
        self->reading_ = false;
        return self;
    }

    static void OnHeader(GObject*, GAsyncResult* result, gpointer data) {
        std::shared_ptr<Connection> self = TakeBackFromRead(data);
        gsize read = 0;
        bool whole = g_input_stream_read_all_finish(self->In(), result, &read, nullptr) && read == sizeof self->header_;
        if (!self->server_) return self->Close("");
        if (!whole) return self->Close(read == 0 ? "" : "a truncated frame header");
        std::uint32_t size = 0;
        std::memcpy(&size, self->header_, sizeof size);
        size = GUINT32_FROM_LE(size);
        if (size > bridge::kMaxRequest)
            return self->Close("an oversized request of " + std::to_string(size) + " bytes");
        self->body_.assign(size, 0);
        if (size == 0) return self->Serve();
        g_input_stream_read_all_async(self->In(), self->body_.data(), size, G_PRIORITY_DEFAULT, self->cancel_.get(),
                                      &Connection::OnBody, self->HoldForRead());
    }

    static void OnBody(GObject*, GAsyncResult* result, gpointer data) {
        std::shared_ptr<Connection> self = TakeBackFromRead(data);
        gsize read = 0;
        bool whole = g_input_stream_read_all_finish(self->In(), result, &read, nullptr) && read == self->body_.size();
        if (!self->server_) return self->Close("");
        if (!whole) return self->Close("a truncated request");
        self->Serve();
    }

    void Serve() {
        std::string why;
        g_autoptr(GBytes) reply = server_->Answer(body_.data(), body_.size(), why);
        if (!reply) return Close(why);
        // A handler may run a nested loop, in which the server may have let the connection go.
        if (!server_) return;
        gsize size = 0;
        const char* data = static_cast<const char*>(g_bytes_get_data(reply, &size));
        std::uint32_t header = GUINT32_TO_LE(static_cast<std::uint32_t>(size));
        out_.assign(reinterpret_cast<const char*>(&header), sizeof header);
        out_.append(data, size);
        sent_ = 0;
        Flush();
    }

    // Sends what the socket takes now; the rest waits for the peer.
    void Flush() {
        while (sent_ < out_.size()) {
            g_autoptr(GError) error = nullptr;
            gssize n =
                g_socket_send_with_blocking(Socket(), out_.data() + sent_, out_.size() - sent_, FALSE, nullptr, &error);
            if (n < 0) {
                if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_WOULD_BLOCK)) return WaitForPeer();
                return Close(std::string("the reply could not be sent: ") + error->message);
            }
            sent_ += static_cast<size_t>(n);
            if (stall_timer_) {
                g_source_remove(stall_timer_);
                stall_timer_ = 0;
            }
        }
        out_.clear();
        out_.shrink_to_fit();
        ReadHeader();
    }

    void WaitForPeer() {
        if (!stall_timer_)
            stall_timer_ =
                g_timeout_add_seconds(static_cast<guint>(server_->StallLimit().count()), &Connection::OnStalled, this);
        if (write_source_) return;
        write_source_ = g_socket_create_source(Socket(), G_IO_OUT, nullptr);
        g_source_set_callback(write_source_, G_SOURCE_FUNC(&Connection::OnWritable), this, nullptr);
        g_source_attach(write_source_, nullptr);
    }

    void StopWaitingForPeer() {
        if (write_source_) {
            g_source_destroy(write_source_);
            g_source_unref(write_source_);
            write_source_ = nullptr;
        }
        if (stall_timer_) {
            g_source_remove(stall_timer_);
            stall_timer_ = 0;
        }
    }

    static gboolean OnWritable(GSocket*, GIOCondition, gpointer data) {
        std::shared_ptr<Connection> self = static_cast<Connection*>(data)->shared_from_this();
        g_source_unref(self->write_source_);
        self->write_source_ = nullptr;
        self->Flush();
        return G_SOURCE_REMOVE;
    }

    static gboolean OnStalled(gpointer data) {
        std::shared_ptr<Connection> self = static_cast<Connection*>(data)->shared_from_this();
        self->stall_timer_ = 0;
        self->Close("the web process took nothing of a reply for " +
                    std::to_string(self->server_->StallLimit().count()) + " s");
        return G_SOURCE_REMOVE;
    }

    BridgeServer* server_;  // null once closed
    GObjectPtr<GSocketConnection> connection_;
    GObjectPtr<GCancellable> cancel_;
    bool reading_ = false;
    char header_[4] = {};
    std::string body_;
    std::string out_;  // the reply being sent
    size_t sent_ = 0;
    GSource* write_source_ = nullptr;
    guint stall_timer_ = 0;
};

BridgeServer::BridgeServer(Answerer answer, std::chrono::seconds stallLimit)
    : answer_(std::move(answer)), stall_limit_(stallLimit) {}

BridgeServer::~BridgeServer() {
    if (service_) {
        g_socket_service_stop(service_.get());
        g_signal_handlers_disconnect_by_data(service_.get(), this);
        unlink(path_.c_str());
    }
    for (auto& open : std::exchange(connections_, {})) open.second->Close("");
}

bool BridgeServer::Listen() {
    const std::string folder = RuntimeFolder();
    RemoveStaleBridgeSockets(folder);
    path_ = folder + "/bridge-" + std::to_string(getpid()) + ".sock";
    unlink(path_.c_str());
    service_.reset(g_socket_service_new());
    g_autoptr(GSocketAddress) address = g_unix_socket_address_new(path_.c_str());
    g_autoptr(GError) error = nullptr;
    if (!g_socket_listener_add_address(G_SOCKET_LISTENER(service_.get()), address, G_SOCKET_TYPE_STREAM,
                                       G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, &error)) {
        std::fprintf(stderr, "TesraBrowser: page bridge socket %s: %s\n", path_.c_str(), error->message);
        return false;
    }
    RemoveAtExit(path_);
    g_signal_connect(service_.get(), "incoming", G_CALLBACK(&BridgeServer::OnIncoming), this);
    g_socket_service_start(service_.get());
    return true;
}

gboolean BridgeServer::OnIncoming(GSocketService*, GSocketConnection* connection, GObject*, gpointer self) {
    auto* server = static_cast<BridgeServer*>(self);
    auto peer = std::make_shared<Connection>(*server, connection);
    server->connections_.emplace(peer.get(), peer);
    // Only the user's own web processes: anyone else who reaches the socket is turned away.
    g_autoptr(GCredentials) credentials = g_socket_get_credentials(g_socket_connection_get_socket(connection), nullptr);
    uid_t uid = credentials ? g_credentials_get_unix_user(credentials, nullptr) : static_cast<uid_t>(-1);
    if (uid != getuid()) {
        peer->Close("refused a connection of user " + (credentials ? std::to_string(uid) : std::string("unknown")));
    } else {
        peer->ReadHeader();
    }
    return TRUE;
}

GBytes* BridgeServer::Answer(const void* frame, size_t size, std::string& why) {
    bridge::Request request;
    if (!bridge::DecodeRequest(frame, size, request, why)) return nullptr;
    GVariant* reply = nullptr;
    try {
        reply = bridge::EncodeReply(true, "", answer_(request.name, request.payload.get()));
    } catch (const std::exception& e) {
        reply = bridge::EncodeReply(false, e.what(), nullptr);
    } catch (...) {
        reply = bridge::EncodeReply(false, "Catastrophic failure", nullptr);
    }
    bridge::VariantPtr owned(g_variant_ref_sink(reply));
    return g_variant_get_data_as_bytes(owned.get());
}

}  // namespace tesra::platform
