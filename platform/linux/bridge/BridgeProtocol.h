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
#include <cstring>
#include <memory>
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

// Every request with the types of its payload and of its result; anything else is not a request.
struct RequestType {
    const char* name;
    const char* payload;
    const char* result;
};
constexpr RequestType kRequests[] = {
    {kHello, "(t)", "(s)"},       {kShowNewMessageHint, "(i)", "()"}, {kClose, "()", "()"},
    {kGetCaptureImage, "(i)", "(s)"}, {kRegisterHotKey, "(iiit)", "(b)"}, {kRefresh, "()", "()"},
    {kVersionInfo, "()", "(s)"},  {kInstalledSoft, "()", "(s)"},      {kObjectCreated, "()", "()"},
    {kObjectReleased, "()", "()"},
};

inline const RequestType* FindRequest(const std::string& name) {
    for (const RequestType& request : kRequests) {
        if (name == request.name) return &request;
    }
    return nullptr;
}

// User messages to the page: name, parameters, reply parameters. Every reply starts with (ok, error).
constexpr char kBindFacade[] = "Page.BindFacade";        // "as" trusted addresses; "(bsbbbas)" bound, retry, host found, errors
// "(asbsssss)" trusted addresses, report?, cpu, memory, os, software, version;
// "(bsbbbasss)" the BindFacade reply followed by the report's and the version statement's errors
constexpr char kDocumentComplete[] = "Page.DocumentComplete";
constexpr char kDoMessage[] = "Page.DoMessage";          // "(ss)" name, value; "(bs)"
constexpr char kDoHotKey[] = "Page.DoHotKey";            // "s" key name; "(bs)"
constexpr char kHotKey[] = "Page.HotKey";                // "(ti)" facade, hot-key id; "(bs)"

constexpr const char* kPageMessages[] = {kBindFacade, kDocumentComplete, kDoMessage, kDoHotKey, kHotKey};

// User message of a page to its view, not answered.
constexpr char kCloseWindow[] = "View.CloseWindow";  // no parameters: the main document's script called window.close()

constexpr char kRequestType[] = "(sv)";
constexpr char kReplyType[] = "(bsv)";
constexpr std::uint32_t kMaxFrame = 64u << 20;    // a reply: a capture of a large screen fits many times over
constexpr std::uint32_t kMaxRequest = 64u << 10;  // a request carries a name and a few numbers

struct VariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantUnref>;

// A request as the program reads it from a web process.
struct Request {
    std::string name;
    VariantPtr payload;
};

// Reads the body of a request frame, which comes from a web process and so is not trusted: false, with
// what was wrong in why, unless it is a request of a known name with a payload of that request's type.
inline bool DecodeRequest(const void* data, size_t size, Request& request, std::string& why) {
    g_autoptr(GBytes) bytes = g_bytes_new(data, size);
    VariantPtr message(g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE(kRequestType), bytes, FALSE)));
    if (!g_variant_is_normal_form(message.get())) {
        why = "a malformed request of " + std::to_string(size) + " bytes";
        return false;
    }
    const char* name = nullptr;
    GVariant* payload = nullptr;
    g_variant_get(message.get(), "(&sv)", &name, &payload);
    request.payload.reset(payload);
    request.name = name;
    const RequestType* type = FindRequest(request.name);
    if (!type) {
        why = "a request of unknown name \"" + request.name + "\"";
        return false;
    }
    if (!g_variant_is_of_type(payload, G_VARIANT_TYPE(type->payload))) {
        why = "a request " + request.name + " with a payload of type " + g_variant_get_type_string(payload) + ", not " + type->payload;
        return false;
    }
    return true;
}

// Start-up data handed to every web extension: "(s)" the socket path.
constexpr char kInitType[] = "(s)";

// A text as a message may carry it: valid UTF-8 without zero characters (each bad byte becomes U+FFFD).
inline std::string MessageText(const std::string& text) {
    std::string clean = text;
    clean.erase(std::remove(clean.begin(), clean.end(), '\0'), clean.end());
    if (g_utf8_validate(clean.data(), static_cast<gssize>(clean.size()), nullptr)) return clean;
    g_autofree gchar* valid = g_utf8_make_valid(clean.data(), static_cast<gssize>(clean.size()));
    return valid;
}

}  // namespace tesra::bridge
