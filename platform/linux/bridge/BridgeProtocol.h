#pragma once
// The messages between the program (UI process) and the page bridge (the web extension in every web
// process), all listed here with their payloads (GVariant type strings).
//
// Web process -> UI process: blocking requests over a Unix stream socket. A frame is a 32-bit
// little-endian byte count followed by a serialised GVariant: requests are "(sv)" (name, payload),
// replies "(bsv)" (ok, error message, result).
// UI process -> web process: WebKit user messages, answered asynchronously.

#include <cstdint>

namespace tesra::bridge {

// Requests of the web process.
constexpr char kHello[] = "Bridge.Hello";  // payload "(t)" process id; result "(s)" the start address

// User messages to the page.
constexpr char kPing[] = "Page.Ping";  // payload "s"; reply "s" the same text and the page's address

constexpr char kRequestType[] = "(sv)";
constexpr char kReplyType[] = "(bsv)";
constexpr std::uint32_t kMaxFrame = 64u << 20;  // a capture of a large screen fits many times over

// Start-up data handed to every web extension: "(s)" the socket path.
constexpr char kInitType[] = "(s)";

}  // namespace tesra::bridge
