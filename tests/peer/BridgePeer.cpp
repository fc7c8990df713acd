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

#include "services/BridgeProtocol.h"

namespace {

int Closed() {
    std::puts("closed");
    return 3;
}

bool SendRequest(GSocketConnection* connection, const char* name) {
    tesra::bridge::VariantPtr request =
        tesra::bridge::EncodeRequest(name, tesra::bridge::Encode(tesra::bridge::None{}));
    std::uint32_t header = GUINT32_TO_LE(static_cast<std::uint32_t>(g_variant_get_size(request.get())));
    std::string frame(reinterpret_cast<const char*>(&header), sizeof header);
    frame.append(static_cast<const char*>(g_variant_get_data(request.get())), g_variant_get_size(request.get()));
    GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(connection));
    return g_output_stream_write_all(out, frame.data(), frame.size(), nullptr, nullptr, nullptr);
}

int Ask(GSocketConnection* connection) {
    if (!SendRequest(connection, tesra::bridge::kRequestNamed<"Service.VersionInfo">.name)) return Closed();
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
    tesra::bridge::Reply reply;
    if (!tesra::bridge::DecodeReply(body.data(), body.size(), reply)) return Closed();
    auto text = reply.ok ? tesra::bridge::TryDecode<tesra::bridge::Text>(reply.result.get()) : std::nullopt;
    if (!text) {
        std::printf("failed %s\n", reply.error.c_str());
        return 1;
    }
    std::printf("answered %s\n", text->value.c_str());
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
    g_autoptr(GSocketConnection) connection =
        g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, &error);
    if (!connection) {
        std::printf("unreachable %s\n", error->message);
        return 4;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (std::strcmp(argv[2], "ask") == 0) return Ask(connection);
    if (!SendRequest(connection, tesra::bridge::kRequestNamed<"Service.InstalledSoft">.name)) return Closed();
    std::puts("sent");
    sleep(600);
    return 0;
}
