#pragma once
// The messages between the program (UI process) and the page bridge (the web extension in every web
// process), all listed here with their payloads (GVariant type strings).
//
// Web process -> UI process: blocking requests over a Unix stream socket. A frame is a 32-bit
// little-endian byte count followed by a serialised GVariant: requests are "(sv)" (name, payload),
// replies "(bsv)" (ok, error message, result).
// UI process -> web process: WebKit user messages to the page, answered asynchronously.

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace tesra::bridge {

// Requests of the web process: name, payload, result.
constexpr char kHello[] = "Bridge.Hello";                           // "(t)" pid; "(s)" start address
constexpr char kShowNewMessageHint[] = "Service.ShowNewMessageHint";  // "(i)" count; "()"
constexpr char kClose[] = "Service.Close";                          // "()"; "()"
constexpr char kGetCaptureImage[] = "Service.GetCaptureImage";      // "(i)" mode; "(s)" base64 JPEG
constexpr char kRegisterHotKey[] = "Service.RegisterHotKey";        // "(iiit)" id, modifier, vk, facade; "(b)"
constexpr char kRefresh[] = "Service.Refresh";                      // "()"; "()"
constexpr char kVersionInfo[] = "Service.VersionInfo";              // "()"; "(s)"
constexpr char kInstalledSoft[] = "Service.InstalledSoft";          // "()"; "(s)"
constexpr char kObjectCreated[] = "Service.ObjectCreated";          // "()"; "()" a scripting object was handed out
constexpr char kObjectReleased[] = "Service.ObjectReleased";        // "()"; "()" the page let one go

constexpr const char* kRequests[] = {kHello, kShowNewMessageHint, kClose, kGetCaptureImage, kRegisterHotKey,
                                     kRefresh, kVersionInfo, kInstalledSoft, kObjectCreated, kObjectReleased};

// User messages to the page: name, parameters, reply parameters. Every reply starts with (ok, error).
constexpr char kBindFacade[] = "Page.BindFacade";        // "as" trusted addresses; "(bsbbbas)" bound, retry, host found, errors
// "(asbsssss)" trusted addresses, report?, cpu, memory, os, software, version;
// "(bsbbbasss)" the BindFacade reply followed by the report's and the version statement's errors
constexpr char kDocumentComplete[] = "Page.DocumentComplete";
constexpr char kDoMessage[] = "Page.DoMessage";          // "(ss)" name, value; "(bs)"
constexpr char kDoHotKey[] = "Page.DoHotKey";            // "s" key name; "(bs)"
constexpr char kHotKey[] = "Page.HotKey";                // "(ti)" facade, hot-key id; "(bs)"

constexpr const char* kPageMessages[] = {kBindFacade, kDocumentComplete, kDoMessage, kDoHotKey, kHotKey};

constexpr char kRequestType[] = "(sv)";
constexpr char kReplyType[] = "(bsv)";
constexpr std::uint32_t kMaxFrame = 64u << 20;  // a capture of a large screen fits many times over

// Start-up data handed to every web extension: "(s)" the socket path.
constexpr char kInitType[] = "(s)";

// A text as a message may carry it: valid UTF-8 without zero characters (each bad byte becomes U+FFFD).
inline std::string MessageText(const std::string& text) {
    std::string clean = text;
    clean.erase(std::remove(clean.begin(), clean.end(), '\0'), clean.end());
    if (g_utf8_validate(clean.data(), static_cast<gssize>(clean.size()), nullptr)) return clean;
    gchar* valid = g_utf8_make_valid(clean.data(), static_cast<gssize>(clean.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

}  // namespace tesra::bridge
