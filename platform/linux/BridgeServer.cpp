#include "platform/linux/BridgeServer.h"

#include <gio/gunixsocketaddress.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/Folders.h"
#include "platform/linux/bridge/BridgeProtocol.h"

namespace tesra::platform {
namespace {

GVariant* Reply(bool ok, const std::string& error, GVariant* result) {
    return g_variant_new("(bsv)", ok, bridge::MessageText(error).c_str(), result ? result : g_variant_new("()"));
}

// One web process: reads frames one after the other and writes each reply before reading on.
class Connection {
public:
    Connection(BridgeServer& server, GSocketConnection* connection)
        : server_(server), connection_(G_SOCKET_CONNECTION(g_object_ref(connection))) {}
    ~Connection() { g_object_unref(connection_); }

    void ReadHeader() {
        g_input_stream_read_all_async(In(), header_, sizeof header_, G_PRIORITY_DEFAULT, nullptr, &Connection::OnHeader, this);
    }

private:
    GInputStream* In() { return g_io_stream_get_input_stream(G_IO_STREAM(connection_)); }
    GOutputStream* Out() { return g_io_stream_get_output_stream(G_IO_STREAM(connection_)); }

    static void OnHeader(GObject*, GAsyncResult* result, gpointer data) {
        auto* self = static_cast<Connection*>(data);
        gsize read = 0;
        if (!g_input_stream_read_all_finish(self->In(), result, &read, nullptr) || read != sizeof self->header_) return self->Close();
        std::uint32_t size = GUINT32_FROM_LE(*reinterpret_cast<std::uint32_t*>(self->header_));
        if (size > bridge::kMaxFrame) return self->Close();
        self->body_.assign(size, 0);
        if (size == 0) return self->Serve();
        g_input_stream_read_all_async(self->In(), self->body_.data(), size, G_PRIORITY_DEFAULT, nullptr, &Connection::OnBody, self);
    }

    static void OnBody(GObject*, GAsyncResult* result, gpointer data) {
        auto* self = static_cast<Connection*>(data);
        gsize read = 0;
        if (!g_input_stream_read_all_finish(self->In(), result, &read, nullptr) || read != self->body_.size()) return self->Close();
        self->Serve();
    }

    void Serve() {
        GBytes* request = g_bytes_new(body_.data(), body_.size());
        GBytes* reply = server_.Answer(request);
        g_bytes_unref(request);
        gsize size = 0;
        const void* data = g_bytes_get_data(reply, &size);
        std::uint32_t header = GUINT32_TO_LE(static_cast<std::uint32_t>(size));
        // One send for the whole frame, so that the waiting web process wakes once.
        GOutputVector frame[] = {{&header, sizeof header}, {data, size}};
        bool ok = g_output_stream_writev_all(Out(), frame, G_N_ELEMENTS(frame), nullptr, nullptr, nullptr);
        g_bytes_unref(reply);
        if (!ok) return Close();
        ReadHeader();
    }

    void Close() {
        g_io_stream_close(G_IO_STREAM(connection_), nullptr, nullptr);
        delete this;
    }

    BridgeServer& server_;
    GSocketConnection* connection_;
    char header_[4] = {};
    std::string body_;
};

}  // namespace

BridgeServer::BridgeServer() = default;

BridgeServer::~BridgeServer() {
    if (service_) {
        g_socket_service_stop(service_);
        g_object_unref(service_);
        unlink(path_.c_str());
    }
}

bool BridgeServer::Listen() {
    path_ = RuntimeFolder() + "/bridge-" + std::to_string(getpid()) + ".sock";
    unlink(path_.c_str());
    service_ = g_socket_service_new();
    GSocketAddress* address = g_unix_socket_address_new(path_.c_str());
    GError* error = nullptr;
    bool ok = g_socket_listener_add_address(G_SOCKET_LISTENER(service_), address, G_SOCKET_TYPE_STREAM,
                                            G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, &error);
    g_object_unref(address);
    if (!ok) {
        std::fprintf(stderr, "TesraBrowser: page bridge socket %s: %s\n", path_.c_str(), error->message);
        g_error_free(error);
        return false;
    }
    g_signal_connect(service_, "incoming", G_CALLBACK(&BridgeServer::OnIncoming), this);
    g_socket_service_start(service_);
    return true;
}

gboolean BridgeServer::OnIncoming(GSocketService*, GSocketConnection* connection, GObject*, gpointer self) {
    (new Connection(*static_cast<BridgeServer*>(self), connection))->ReadHeader();
    return TRUE;
}

GBytes* BridgeServer::Answer(GBytes* request) {
    GVariant* message = g_variant_new_from_bytes(G_VARIANT_TYPE(bridge::kRequestType), request, FALSE);
    g_variant_ref_sink(message);
    GVariant* reply = nullptr;
    if (!g_variant_is_normal_form(message)) {
        reply = Reply(false, "malformed request", nullptr);
    } else {
        const char* name = nullptr;
        GVariant* payload = nullptr;
        g_variant_get(message, "(&sv)", &name, &payload);
        auto handler = handlers_.find(name);
        if (handler == handlers_.end()) {
            std::fprintf(stderr, "TesraBrowser: page bridge: unknown request %s\n", name);
            reply = Reply(false, std::string("unknown request ") + name, nullptr);
        } else {
            try {
                reply = Reply(true, "", handler->second(payload));
            } catch (const std::exception& e) {
                reply = Reply(false, e.what(), nullptr);
            } catch (...) {
                reply = Reply(false, "Catastrophic failure", nullptr);
            }
        }
        g_variant_unref(payload);
    }
    g_variant_unref(message);
    g_variant_ref_sink(reply);
    GBytes* bytes = g_variant_get_data_as_bytes(reply);
    g_variant_unref(reply);
    return bytes;
}

}  // namespace tesra::platform
