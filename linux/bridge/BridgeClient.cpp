#include "linux/bridge/BridgeClient.h"

#include <gio/gunixsocketaddress.h>

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "services/BridgeProtocol.h"

namespace tesra::bridge {

BridgeClient::~BridgeClient() {
    if (idle_) {
        g_source_destroy(idle_);
        g_source_unref(idle_);
    }
}

// The connection is dropped, so that the next call connects anew.
void BridgeClient::Fail(const char* message) {
    connection_.reset();
    throw BridgeError(message);
}

GSocketConnection* BridgeClient::Connect() {
    if (connection_) return connection_.get();
    g_autoptr(GSocketClient) client = g_socket_client_new();
    g_autoptr(GSocketAddress) address = g_unix_socket_address_new(path_.c_str());
    g_autoptr(GError) error = nullptr;
    connection_.reset(g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, &error));
    if (!connection_) {
        std::fprintf(stderr, "TesraBrowser page bridge: %s: %s\n", path_.c_str(),
                     error ? error->message : "connect failed");
        throw BridgeError(kNotReachable);
    }
    return connection_.get();
}

VariantPtr BridgeClient::CallRaw(const char* name, GVariant* payload) {
    VariantPtr owned(g_variant_ref_sink(payload));
    SendPosted();
    return Exchange(name, owned.get());
}

void BridgeClient::PostRaw(const char* name, GVariant* payload) {
    posted_.emplace_back(name, VariantPtr(g_variant_ref_sink(payload)));
    if (idle_) return;
    idle_ = g_idle_source_new();
    g_source_set_callback(idle_, &BridgeClient::OnIdle, this, nullptr);
    g_source_attach(idle_, g_main_context_get_thread_default());
}

gboolean BridgeClient::OnIdle(gpointer self) {
    auto* client = static_cast<BridgeClient*>(self);
    g_source_unref(std::exchange(client->idle_, nullptr));
    client->SendPosted();
    return G_SOURCE_REMOVE;
}

void BridgeClient::SendPosted() {
    while (!posted_.empty()) {
        auto [name, payload] = std::move(posted_.front());
        posted_.pop_front();
        try {
            Exchange(name.c_str(), payload.get());
        } catch (const BridgeError&) {
            // The program is gone or refused it: nobody waits for the answer.
        }
    }
}

VariantPtr BridgeClient::Exchange(const char* name, GVariant* payload) {
    VariantPtr request = EncodeRequest(name, payload);
    gsize size = g_variant_get_size(request.get());
    std::uint32_t header = GUINT32_TO_LE(static_cast<std::uint32_t>(size));

    GIOStream* stream = G_IO_STREAM(Connect());
    GOutputStream* out = g_io_stream_get_output_stream(stream);
    GInputStream* in = g_io_stream_get_input_stream(stream);
    // One send for the whole frame: a header sent alone wakes the program for a read that finds no body.
    GOutputVector frame[] = {{&header, sizeof header}, {g_variant_get_data(request.get()), size}};
    bool sent = g_output_stream_writev_all(out, frame, G_N_ELEMENTS(frame), nullptr, nullptr, nullptr);
    gsize got = 0;
    if (!sent || !g_input_stream_read_all(in, &header, sizeof header, &got, nullptr, nullptr) || got != sizeof header) {
        Fail(kNoAnswer);
    }
    std::uint32_t length = GUINT32_FROM_LE(header);
    if (length > kMaxFrame) Fail(kBadAnswer);
    std::vector<char> body(length);
    if (!g_input_stream_read_all(in, body.data(), length, &got, nullptr, nullptr) || got != length) Fail(kNoAnswer);
    Reply reply;
    if (!DecodeReply(body.data(), length, reply)) Fail(kBadAnswer);
    if (!reply.ok) throw BridgeError(reply.error);
    const RequestType* type = FindRequest(name);
    if (!type || !g_variant_is_of_type(reply.result.get(), G_VARIANT_TYPE(type->result))) throw BridgeError(kBadAnswer);
    return std::move(reply.result);
}

}  // namespace tesra::bridge
