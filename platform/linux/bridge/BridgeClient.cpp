#include "platform/linux/bridge/BridgeClient.h"

#include <gio/gunixsocketaddress.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/linux/bridge/BridgeProtocol.h"

namespace tesra::bridge {

BridgeClient::~BridgeClient() { Drop(); }

void BridgeClient::Drop() {
    if (connection_) g_object_unref(connection_);
    connection_ = nullptr;
}

GSocketConnection* BridgeClient::Connect() {
    if (connection_) return connection_;
    GSocketClient* client = g_socket_client_new();
    GSocketAddress* address = g_unix_socket_address_new(path_.c_str());
    GError* error = nullptr;
    connection_ = g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, &error);
    g_object_unref(address);
    g_object_unref(client);
    if (!connection_) {
        std::fprintf(stderr, "TesraBrowser page bridge: %s: %s\n", path_.c_str(), error ? error->message : "connect failed");
        g_clear_error(&error);
        throw BridgeError(kNotReachable);
    }
    return connection_;
}

GVariant* BridgeClient::Call(const char* name, GVariant* payload) {
    GVariant* request = g_variant_ref_sink(g_variant_new("(sv)", name, payload));
    GBytes* bytes = g_variant_get_data_as_bytes(request);
    g_variant_unref(request);
    gsize size = 0;
    const void* data = g_bytes_get_data(bytes, &size);
    std::uint32_t header = GUINT32_TO_LE(static_cast<std::uint32_t>(size));

    GIOStream* stream = G_IO_STREAM(Connect());
    GOutputStream* out = g_io_stream_get_output_stream(stream);
    GInputStream* in = g_io_stream_get_input_stream(stream);
    // One send for the whole frame: a header sent alone wakes the program for a read that finds no body.
    GOutputVector frame[] = {{&header, sizeof header}, {data, size}};
    bool sent = g_output_stream_writev_all(out, frame, G_N_ELEMENTS(frame), nullptr, nullptr, nullptr);
    g_bytes_unref(bytes);
    gsize got = 0;
    if (!sent || !g_input_stream_read_all(in, &header, sizeof header, &got, nullptr, nullptr) || got != sizeof header) {
        Drop();
        throw BridgeError(kNoAnswer);
    }
    std::uint32_t length = GUINT32_FROM_LE(header);
    if (length > kMaxFrame) {
        Drop();
        throw BridgeError(kBadAnswer);
    }
    std::vector<char> body(length);
    if (!g_input_stream_read_all(in, body.data(), length, &got, nullptr, nullptr) || got != length) {
        Drop();
        throw BridgeError(kNoAnswer);
    }
    GVariant* reply = g_variant_ref_sink(g_variant_new_from_data(G_VARIANT_TYPE(kReplyType), g_memdup2(body.data(), length), length,
                                                                 FALSE, g_free, nullptr));
    if (!g_variant_is_normal_form(reply)) {
        g_variant_unref(reply);
        Drop();
        throw BridgeError(kBadAnswer);
    }
    gboolean ok = FALSE;
    const char* error = nullptr;
    GVariant* result = nullptr;
    g_variant_get(reply, "(b&sv)", &ok, &error, &result);
    std::string message = error;
    g_variant_unref(reply);
    const RequestType* type = FindRequest(name);
    if (ok && type && !g_variant_is_of_type(result, G_VARIANT_TYPE(type->result))) {
        ok = FALSE;
        message = kBadAnswer;
    }
    if (!ok) {
        g_variant_unref(result);
        throw BridgeError(message);
    }
    return result;
}

}  // namespace tesra::bridge
