// tesra-bridge-peer: a process that talks to the program's page bridge socket as a web process would,
// for the end-to-end tests only.
//
//   tesra-bridge-peer SOCKET ask     sends Service.VersionInfo and prints "answered TEXT", or "closed"
//                                    when the program closes the connection without a reply (exit 3)
//   tesra-bridge-peer SOCKET stall   sends Service.InstalledSoft, prints "sent", and never reads; ends
//                                    by a signal or after 10 minutes
#include <gio/gio.h>
#include <gio/gunixsocketaddress.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/bridge/BridgeProtocol.h"

namespace {

int Closed() {
    std::puts("closed");
    return 3;
}

bool SendRequest(GSocketConnection* connection, const char* name) {
    g_autoptr(GVariant) request = g_variant_ref_sink(g_variant_new("(sv)", name, g_variant_new("()")));
    std::uint32_t header = GUINT32_TO_LE(static_cast<std::uint32_t>(g_variant_get_size(request)));
    std::string frame(reinterpret_cast<const char*>(&header), sizeof header);
    frame.append(static_cast<const char*>(g_variant_get_data(request)), g_variant_get_size(request));
    GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(connection));
    return g_output_stream_write_all(out, frame.data(), frame.size(), nullptr, nullptr, nullptr);
}

int Ask(GSocketConnection* connection) {
    if (!SendRequest(connection, tesra::bridge::kVersionInfo)) return Closed();
    GInputStream* in = g_io_stream_get_input_stream(G_IO_STREAM(connection));
    std::uint32_t header = 0;
    gsize got = 0;
    if (!g_input_stream_read_all(in, &header, sizeof header, &got, nullptr, nullptr) || got != sizeof header) {
        return Closed();
    }
    std::vector<char> body(GUINT32_FROM_LE(header));
    if (!g_input_stream_read_all(in, body.data(), body.size(), &got, nullptr, nullptr) || got != body.size()) {
        return Closed();
    }
    g_autoptr(GBytes) bytes = g_bytes_new(body.data(), body.size());
    g_autoptr(GVariant) reply = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("(bsv)"), bytes, FALSE));
    g_autoptr(GVariant) result = nullptr;
    const char* error = "";
    gboolean ok = FALSE;
    g_variant_get(reply, "(b&sv)", &ok, &error, &result);
    if (!ok || !g_variant_is_of_type(result, G_VARIANT_TYPE("(s)"))) {
        std::printf("failed %s\n", error);
        return 1;
    }
    const char* text = "";
    g_variant_get(result, "(&s)", &text);
    std::printf("answered %s\n", text);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tesra-bridge-peer SOCKET ask|stall\n");
        return 2;
    }
    g_autoptr(GSocketClient) client = g_socket_client_new();
    g_autoptr(GSocketAddress) address = g_unix_socket_address_new(argv[1]);
    g_autoptr(GError) error = nullptr;
    g_autoptr(GSocketConnection) connection = g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, &error);
    if (!connection) {
        std::printf("unreachable %s\n", error->message);
        return 4;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (std::strcmp(argv[2], "ask") == 0) return Ask(connection);
    if (!SendRequest(connection, tesra::bridge::kInstalledSoft)) return Closed();
    std::puts("sent");
    sleep(600);
    return 0;
}
