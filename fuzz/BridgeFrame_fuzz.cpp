// Feeds arbitrary bytes to the UI process's reading of page bridge frames, as a web process could send
// them: a stream of frames (32-bit little-endian length, then the body), each body decoded as a request
// and, when it is one, its payload read as the request's handler reads it. Finds reads outside the data,
// crashes, leaks and hangs in the decoding of untrusted frames.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "services/BridgeProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t offset = 0;
    while (size - offset >= 4) {
        std::uint32_t length = 0;
        std::memcpy(&length, data + offset, sizeof length);
        length = GUINT32_FROM_LE(length);
        offset += 4;
        // The server closes the connection here: an oversized or truncated frame ends the stream.
        if (length > tesra::bridge::kMaxRequest || length > size - offset) break;
        tesra::bridge::Request request;
        std::string why;
        if (tesra::bridge::DecodeRequest(data + offset, length, request, why)) {
            // The payload read as its handler reads it.
            tesra::bridge::VisitRequest(request.name, [&](auto message) {
                tesra::bridge::Wire<typename decltype(message)::Payload>::Decode(request.payload.get());
            });
        }
        offset += length;
    }
    return 0;
}
