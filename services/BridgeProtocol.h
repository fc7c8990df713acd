#pragma once
// The messages between the program (UI process) and the page bridge (the web extension in every web
// process), all listed here with the types of their payloads and results, and each type's one encoding;
// and the scripting object's members, each declared once with its type information and its request.
//
// Web process -> UI process: blocking requests over a Unix stream socket. A frame is a 32-bit
// little-endian byte count followed by a serialised GVariant: requests are "(sv)" (name, payload),
// replies "(bsv)" (ok, error message, result).
// UI process -> web process: WebKit user messages to the page, answered asynchronously; every reply
// starts with (ok, error).

#include <glib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/PageLink.h"
#include "services/TesraBrowser_TLB.h"

namespace tesra::bridge {

// Payloads and results. Each has one encoding, its GVariant type, and one decoding; Decode expects a
// value of that type (TryDecode checks it first). Every text is sent as MessageText makes it.
struct None {
    bool operator==(const None&) const = default;
};
struct Number {
    std::int32_t value = 0;
    bool operator==(const Number&) const = default;
};
struct Text {
    std::string value;
    bool operator==(const Text&) const = default;
};
struct Flag {
    bool value = false;
    bool operator==(const Flag&) const = default;
};
struct ProcessId {
    std::uint64_t value = 0;
    bool operator==(const ProcessId&) const = default;
};
struct HotKeyRegistration {
    std::int32_t id = 0, modifier = 0, vk = 0;
    std::uint64_t facade = 0;  // the facade handed over with the registration
    bool operator==(const HotKeyRegistration&) const = default;
};
// The addresses whose documents may be bound.
struct Addresses {
    std::vector<std::string> value;
    bool operator==(const Addresses&) const = default;
};
struct DocumentData {
    Addresses trusted;
    std::optional<platform::ClientTexts> report;  // sent to the page when present
    std::string version;
    bool operator==(const DocumentData&) const = default;
};
struct PageMessage {
    std::string name, value;
    bool operator==(const PageMessage&) const = default;
};
struct HotKeyName {
    std::string value;
    bool operator==(const HotKeyName&) const = default;
};
struct HotKeyCall {
    std::uint64_t facade = 0;
    std::int32_t id = 0;
    bool operator==(const HotKeyCall&) const = default;
};
// A page's window.close(): whether the main document is the application's and bound.
struct WindowClose {
    bool application = false;
    bool operator==(const WindowClose&) const = default;
};
// The head of every reply of the page: false with the page's error when the message failed.
struct Status {
    bool ok = true;
    std::string error;
    bool operator==(const Status&) const = default;
};
struct Binding {
    Status status;
    bool bound = false, retry = false, host = false;
    std::vector<std::string> errors;
    bool operator==(const Binding&) const = default;
};
struct DocumentResult {
    Binding binding;
    std::string reportError, versionError;
    bool operator==(const DocumentResult&) const = default;
};

template <class T>
struct Wire;

// A text as a message may carry it: valid UTF-8 without zero characters (each bad byte becomes U+FFFD).
inline std::string MessageText(const std::string& text) {
    std::string clean = text;
    clean.erase(std::remove(clean.begin(), clean.end(), '\0'), clean.end());
    if (g_utf8_validate(clean.data(), static_cast<gssize>(clean.size()), nullptr)) return clean;
    g_autofree gchar* valid = g_utf8_make_valid(clean.data(), static_cast<gssize>(clean.size()));
    return valid;
}

namespace wire {
inline GVariant* Strings(const std::vector<std::string>& texts) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
    for (const auto& text : texts) g_variant_builder_add(&builder, "s", MessageText(text).c_str());
    return g_variant_builder_end(&builder);
}
inline std::vector<std::string> Strings(GVariant* list) {
    std::vector<std::string> texts;
    GVariantIter iter;
    g_variant_iter_init(&iter, list);
    const char* text;
    while (g_variant_iter_next(&iter, "&s", &text)) texts.emplace_back(text);
    return texts;
}
inline std::string Child(GVariant* value, size_t index) {
    g_autoptr(GVariant) child = g_variant_get_child_value(value, index);
    return g_variant_get_string(child, nullptr);
}
inline bool Bool(GVariant* value, size_t index) {
    g_autoptr(GVariant) child = g_variant_get_child_value(value, index);
    return g_variant_get_boolean(child);
}
}  // namespace wire

template <>
struct Wire<None> {
    static constexpr char kType[] = "()";
    static GVariant* Encode(const None&) { return g_variant_new("()"); }
    static None Decode(GVariant*) { return {}; }
};
template <>
struct Wire<Number> {
    static constexpr char kType[] = "(i)";
    static GVariant* Encode(const Number& n) { return g_variant_new(kType, n.value); }
    static Number Decode(GVariant* v) {
        Number n;
        g_variant_get(v, kType, &n.value);
        return n;
    }
};
template <>
struct Wire<Text> {
    static constexpr char kType[] = "(s)";
    static GVariant* Encode(const Text& t) { return g_variant_new(kType, MessageText(t.value).c_str()); }
    static Text Decode(GVariant* v) { return {wire::Child(v, 0)}; }
};
template <>
struct Wire<HotKeyName> {
    static constexpr char kType[] = "(s)";
    static GVariant* Encode(const HotKeyName& t) { return g_variant_new(kType, MessageText(t.value).c_str()); }
    static HotKeyName Decode(GVariant* v) { return {wire::Child(v, 0)}; }
};
template <>
struct Wire<Flag> {
    static constexpr char kType[] = "(b)";
    static GVariant* Encode(const Flag& f) { return g_variant_new(kType, f.value); }
    static Flag Decode(GVariant* v) { return {wire::Bool(v, 0)}; }
};
template <>
struct Wire<ProcessId> {
    static constexpr char kType[] = "(t)";
    static GVariant* Encode(const ProcessId& p) { return g_variant_new(kType, static_cast<guint64>(p.value)); }
    static ProcessId Decode(GVariant* v) {
        guint64 pid = 0;
        g_variant_get(v, kType, &pid);
        return {pid};
    }
};
template <>
struct Wire<HotKeyRegistration> {
    static constexpr char kType[] = "(iiit)";
    static GVariant* Encode(const HotKeyRegistration& r) {
        return g_variant_new(kType, r.id, r.modifier, r.vk, static_cast<guint64>(r.facade));
    }
    static HotKeyRegistration Decode(GVariant* v) {
        HotKeyRegistration r;
        guint64 facade = 0;
        g_variant_get(v, kType, &r.id, &r.modifier, &r.vk, &facade);
        r.facade = facade;
        return r;
    }
};
template <>
struct Wire<Addresses> {
    static constexpr char kType[] = "(as)";
    static GVariant* Encode(const Addresses& a) {
        GVariant* list = wire::Strings(a.value);
        return g_variant_new_tuple(&list, 1);
    }
    static Addresses Decode(GVariant* v) {
        g_autoptr(GVariant) list = g_variant_get_child_value(v, 0);
        return {wire::Strings(list)};
    }
};
template <>
struct Wire<DocumentData> {
    static constexpr char kType[] = "(asbsssss)";
    static GVariant* Encode(const DocumentData& d) {
        platform::ClientTexts texts = d.report.value_or(platform::ClientTexts{});
        return g_variant_new("(@asbsssss)", wire::Strings(d.trusted.value), d.report.has_value(),
                             MessageText(texts.cpu).c_str(), MessageText(texts.memory).c_str(),
                             MessageText(texts.os).c_str(), MessageText(texts.software).c_str(),
                             MessageText(d.version).c_str());
    }
    static DocumentData Decode(GVariant* v) {
        DocumentData d;
        g_autoptr(GVariant) list = g_variant_get_child_value(v, 0);
        d.trusted.value = wire::Strings(list);
        if (wire::Bool(v, 1))
            d.report =
                platform::ClientTexts{wire::Child(v, 2), wire::Child(v, 3), wire::Child(v, 4), wire::Child(v, 5)};
        d.version = wire::Child(v, 6);
        return d;
    }
};
template <>
struct Wire<PageMessage> {
    static constexpr char kType[] = "(ss)";
    static GVariant* Encode(const PageMessage& m) {
        return g_variant_new(kType, MessageText(m.name).c_str(), MessageText(m.value).c_str());
    }
    static PageMessage Decode(GVariant* v) { return {wire::Child(v, 0), wire::Child(v, 1)}; }
};
template <>
struct Wire<HotKeyCall> {
    static constexpr char kType[] = "(ti)";
    static GVariant* Encode(const HotKeyCall& c) { return g_variant_new(kType, static_cast<guint64>(c.facade), c.id); }
    static HotKeyCall Decode(GVariant* v) {
        guint64 facade = 0;
        HotKeyCall c;
        g_variant_get(v, kType, &facade, &c.id);
        c.facade = facade;
        return c;
    }
};
template <>
struct Wire<WindowClose> {
    static constexpr char kType[] = "b";
    static GVariant* Encode(const WindowClose& c) { return g_variant_new_boolean(c.application); }
    static WindowClose Decode(GVariant* v) { return {g_variant_get_boolean(v) != FALSE}; }
};
template <>
struct Wire<Status> {
    static constexpr char kType[] = "(bs)";
    static GVariant* Encode(const Status& s) { return g_variant_new(kType, s.ok, MessageText(s.error).c_str()); }
    static Status Decode(GVariant* v) { return {wire::Bool(v, 0), wire::Child(v, 1)}; }
};
template <>
struct Wire<Binding> {
    static constexpr char kType[] = "(bsbbbas)";
    static GVariant* Encode(const Binding& b) {
        return g_variant_new("(bsbbb@as)", b.status.ok, MessageText(b.status.error).c_str(), b.bound, b.retry, b.host,
                             wire::Strings(b.errors));
    }
    static Binding Decode(GVariant* v) {
        Binding b{{wire::Bool(v, 0), wire::Child(v, 1)}, wire::Bool(v, 2), wire::Bool(v, 3), wire::Bool(v, 4), {}};
        g_autoptr(GVariant) list = g_variant_get_child_value(v, 5);
        b.errors = wire::Strings(list);
        return b;
    }
};
template <>
struct Wire<DocumentResult> {
    static constexpr char kType[] = "(bsbbbasss)";
    static GVariant* Encode(const DocumentResult& d) {
        const Binding& b = d.binding;
        return g_variant_new("(bsbbb@asss)", b.status.ok, MessageText(b.status.error).c_str(), b.bound, b.retry, b.host,
                             wire::Strings(b.errors), MessageText(d.reportError).c_str(),
                             MessageText(d.versionError).c_str());
    }
    static DocumentResult Decode(GVariant* v) {
        DocumentResult d;
        d.binding = {{wire::Bool(v, 0), wire::Child(v, 1)}, wire::Bool(v, 2), wire::Bool(v, 3), wire::Bool(v, 4), {}};
        g_autoptr(GVariant) list = g_variant_get_child_value(v, 5);
        d.binding.errors = wire::Strings(list);
        d.reportError = wire::Child(v, 6);
        d.versionError = wire::Child(v, 7);
        return d;
    }
};

template <class T>
GVariant* Encode(const T& value) {
    return Wire<T>::Encode(value);
}

// The value, or nothing when the variant is not of T's type (it came from another process).
template <class T>
std::optional<T> TryDecode(GVariant* value) {
    if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE(Wire<T>::kType))) return std::nullopt;
    return Wire<T>::Decode(value);
}

// The reply of a page message that failed with the error: its status says so, the rest is empty.
inline Status& StatusOf(Status& s) { return s; }
inline Status& StatusOf(Binding& b) { return b.status; }
inline Status& StatusOf(DocumentResult& d) { return d.binding.status; }
template <class T>
T Failed(const std::string& error) {
    T reply{};
    StatusOf(reply) = {false, error};
    return reply;
}

// A message: its name and the types of its payload and result.
template <class P, class R>
struct Message {
    using Payload = P;
    using Result = R;
    const char* name;
};

// A name given as a template argument: each request is a type of its own, so that its handler is found
// when compiling.
template <std::size_t N>
struct Name {
    constexpr Name(const char (&name)[N]) { std::copy_n(name, N, text); }
    char text[N]{};
};

// A request of the web process, answered by the program.
template <Name N, class P, class R>
struct WebRequest {
    using Payload = P;
    using Result = R;
    static constexpr const char* name = N.text;
};

// A member of the scripting object whose work the program does: its type information and the request
// that asks the program for it.
template <Name N, class P, class R>
struct ScriptingMember : WebRequest<N, P, R> {
    constexpr ScriptingMember(int slot, int dispid, const char* member, tlb::Kind kind, tlb::ParamList params = {})
        : type{slot, dispid, member, kind, params} {}
    tlb::MemberType type;
};

// A member that asks nothing and answers an empty text: the client information reaches the page
// through the page hook's report.
struct EmptyMember {
    constexpr EmptyMember(int slot, int dispid, const char* member, tlb::ParamList params)
        : type{slot, dispid, member, tlb::Kind::Method, params} {}
    tlb::MemberType type;
};

// The scripting members in interface order, one entry each: the slot, dispatch identifier, name and
// parameters that page script binds to (they never change), and the request with its payload and
// result. The program serves each request with a handler of its own (ProgramServices::Serve).
constexpr auto kMembers = std::tuple{
    ScriptingMember<"Service.ShowNewMessageHint", Number, None>{
        7,
        201,
        "ShowNewMessageHint",
        tlb::Kind::Method,
        {{"newMessageCount", tlb::Type::Long, tlb::Direction::In},
         {"clickCommand", tlb::Type::Bstr, tlb::Direction::In}}},
    ScriptingMember<"Service.Close", None, None>{8, 202, "Close", tlb::Kind::Method},
    // The payload is the mode, the result a base64 JPEG.
    ScriptingMember<"Service.GetCaptureImage", Number, Text>{
        9,
        203,
        "GetCaptureImage",
        tlb::Kind::Method,
        {{"Amode", tlb::Type::LongPtr, tlb::Direction::In}, {"Value", tlb::Type::BstrPtr, tlb::Direction::OutRetval}}},
    ScriptingMember<"Service.RegisterHotKey", HotKeyRegistration, Flag>{
        10,
        204,
        "RegisterHotKey",
        tlb::Kind::Method,
        {{"id", tlb::Type::Long, tlb::Direction::In},
         {"modifier", tlb::Type::Long, tlb::Direction::In},
         {"vk", tlb::Type::Long, tlb::Direction::In},
         {"facade", tlb::Type::Dispatch, tlb::Direction::In},
         {"Vaule", tlb::Type::BoolPtr, tlb::Direction::OutRetval}}},
    ScriptingMember<"Service.Refresh", None, None>{11, 205, "Refresh", tlb::Kind::Method},
    ScriptingMember<"Service.VersionInfo", None, Text>{
        12, 206, "VersionInfo", tlb::Kind::PropertyGet, {{"Value", tlb::Type::BstrPtr, tlb::Direction::OutRetval}}},
    EmptyMember{
        13,
        207,
        "GetCPUInfo",
        {{"mode", tlb::Type::LongPtr, tlb::Direction::In}, {"Value", tlb::Type::BstrPtr, tlb::Direction::OutRetval}}},
    EmptyMember{
        14,
        208,
        "GetMemoryInfo",
        {{"mode", tlb::Type::LongPtr, tlb::Direction::In}, {"Value", tlb::Type::BstrPtr, tlb::Direction::OutRetval}}},
    EmptyMember{15, 209, "GetOSVersion", {{"Value", tlb::Type::BstrPtr, tlb::Direction::OutRetval}}},
    ScriptingMember<"Service.InstalledSoft", None, Text>{
        16, 210, "GetInstalledSoft", tlb::Kind::Method, {{"Value", tlb::Type::BstrPtr, tlb::Direction::OutRetval}}},
};

// What a member's type information says it returns is its request's result.
template <Name N, class P, class R>
constexpr bool ReturnsItsResult(const ScriptingMember<N, P, R>& member) {
    const tlb::Param* retval = member.type.Retval();
    if constexpr (std::is_same_v<R, None>) return retval == nullptr;
    if constexpr (std::is_same_v<R, Text>) return retval && retval->type == tlb::Type::BstrPtr;
    if constexpr (std::is_same_v<R, Flag>) return retval && retval->type == tlb::Type::BoolPtr;
    return false;
}
constexpr bool ReturnsItsResult(const EmptyMember& member) {
    return member.type.Retval() && member.type.Retval()->type == tlb::Type::BstrPtr;
}
static_assert(std::apply([](auto... member) { return (ReturnsItsResult(member) && ...); }, kMembers),
              "a member's retval is not of its request's result type");

// The list is in interface order (slots from 7 on) and no two members share a dispatch identifier.
constexpr bool InInterfaceOrder(std::initializer_list<tlb::MemberType> types) {
    int slot = 7;
    for (const tlb::MemberType& type : types) {
        if (type.slot != slot++) return false;
        for (const tlb::MemberType& other : types) {
            if (&other != &type && other.dispid == type.dispid) return false;
        }
    }
    return true;
}
static_assert(std::apply([](auto... member) { return InInterfaceOrder({member.type...}); }, kMembers),
              "the members are not in interface order or share a dispatch identifier");

template <Name N, class P, class R>
constexpr auto RequestsOf(const ScriptingMember<N, P, R>& member) {
    return std::tuple{member};
}
constexpr std::tuple<> RequestsOf(const EmptyMember&) { return {}; }

// The requests of the members whose work the program does, in interface order.
constexpr auto kMemberRequests =
    std::apply([](auto... member) { return std::tuple_cat(RequestsOf(member)...); }, kMembers);

// Requests of the web process, answered by the program: those of the members and of the bridge itself.
constexpr auto kRequestMessages =
    std::tuple_cat(std::tuple{WebRequest<"Bridge.Hello", ProcessId, Text>{}},  // the start address
                   kMemberRequests,
                   std::tuple{
                       // a scripting object was handed out
                       WebRequest<"Service.ObjectCreated", None, None>{},
                       // the page let one go
                       WebRequest<"Service.ObjectReleased", None, None>{},
                   });

// No two requests share a name.
constexpr bool NamesDistinct(std::initializer_list<std::string_view> names) {
    for (auto name = names.begin(); name != names.end(); ++name) {
        if (std::find(names.begin(), name, *name) != name) return false;
    }
    return true;
}
static_assert(std::apply([](auto... request) { return NamesDistinct({request.name...}); }, kRequestMessages),
              "two requests share a name");

// The position of the request of that name; a name that is no request does not compile.
template <Name N>
constexpr std::size_t RequestIndex() {
    constexpr std::size_t count = std::tuple_size_v<decltype(kRequestMessages)>;
    constexpr std::size_t index = std::apply(
        [](auto... request) {
            std::size_t at = 0, found = count;
            for (std::string_view name : {std::string_view(request.name)...}) {
                if (name == N.text) found = at;
                ++at;
            }
            return found;
        },
        kRequestMessages);
    static_assert(index < count, "no request of that name");
    return index;
}

// The request of that name, picked when compiling: kRequestNamed<"Service.Close"> is its value,
// RequestNamed<"Service.Close"> its type.
template <Name N>
constexpr auto kRequestNamed = std::get<RequestIndex<N>()>(kRequestMessages);
template <Name N>
using RequestNamed = std::remove_const_t<decltype(kRequestNamed<N>)>;

// Calls visit(message) with the message of that name among messages; false when there is none.
template <class Messages, class Visit>
bool VisitMessage(const Messages& messages, const std::string& name, Visit&& visit) {
    return std::apply([&](auto... message) { return ((name == message.name && (visit(message), true)) || ...); },
                      messages);
}

template <class Visit>
bool VisitRequest(const std::string& name, Visit&& visit) {
    return VisitMessage(kRequestMessages, name, std::forward<Visit>(visit));
}

// Every request with the types of its payload and of its result; anything else is not a request.
struct RequestType {
    const char* name;
    const char* payload;
    const char* result;
};
template <class M>
constexpr RequestType Describe(M message) {
    return {message.name, Wire<typename M::Payload>::kType, Wire<typename M::Result>::kType};
}
constexpr auto kRequests =
    std::apply([](auto... message) { return std::array{Describe(message)...}; }, kRequestMessages);

inline const RequestType* FindRequest(const std::string& name) {
    for (const RequestType& request : kRequests) {
        if (name == request.name) return &request;
    }
    return nullptr;
}

// Answers the request of that name among requests with services.Serve(request, payload), the payload
// decoded and the result encoded: returns the result (floating, never null) or throws an exception whose
// message becomes the script error. The name and the payload's type were checked (DecodeRequest). The
// visitor is instantiated for every request, so services that lack a request's Serve do not compile.
template <class Services, class Requests = decltype(kRequestMessages)>
GVariant* ServeRequest(Services& services, const std::string& name, GVariant* payload,
                       const Requests& requests = kRequestMessages) {
    GVariant* result = nullptr;
    bool known = VisitMessage(requests, name, [&](auto request) {
        using M = decltype(request);
        result = Encode<typename M::Result>(services.Serve(request, Wire<typename M::Payload>::Decode(payload)));
    });
    if (!known) throw std::invalid_argument("a request of unknown name \"" + MessageText(name) + "\"");
    return result;
}

// Messages of the program to a page, answered by the page bridge.
constexpr Message<Addresses, Binding> kBindFacade{"Page.BindFacade"};
// Binding, client report and version statement in one go.
constexpr Message<DocumentData, DocumentResult> kDocumentComplete{"Page.DocumentComplete"};
constexpr Message<PageMessage, Status> kDoMessage{"Page.DoMessage"};
constexpr Message<HotKeyName, Status> kDoHotKey{"Page.DoHotKey"};
constexpr Message<HotKeyCall, Status> kHotKey{"Page.HotKey"};  // DoHotKey(id) on a facade handed over

constexpr auto kPageMessages = std::tuple{kBindFacade, kDocumentComplete, kDoMessage, kDoHotKey, kHotKey};

// Calls visit(message) with the page message of that name; false when there is none. The visitor is
// instantiated for every page message, so one that lacks a page message's handler does not compile.
template <class Visit>
bool VisitPageMessage(const std::string& name, Visit&& visit) {
    return VisitMessage(kPageMessages, name, std::forward<Visit>(visit));
}

// User message of a page to its view, not answered: the main document's script called window.close().
constexpr Message<WindowClose, None> kCloseWindow{"View.CloseWindow"};

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
        why = "a request " + request.name + " with a payload of type " + g_variant_get_type_string(payload) + ", not " +
              type->payload;
        return false;
    }
    return true;
}

// The body of a request frame (a floating payload is taken).
inline VariantPtr EncodeRequest(const char* name, GVariant* payload) {
    return VariantPtr(g_variant_ref_sink(g_variant_new(kRequestType, name, payload)));
}

// The body of a reply frame (floating); a null result is an empty one.
inline GVariant* EncodeReply(bool ok, const std::string& error, GVariant* result) {
    return g_variant_new(kReplyType, ok, MessageText(error).c_str(), result ? result : Encode(None{}));
}

// A reply as a web process reads it from the program.
struct Reply {
    bool ok = false;
    std::string error;
    VariantPtr result;
};

// Reads the body of a reply frame: false when it is not one.
inline bool DecodeReply(const void* data, size_t size, Reply& reply) {
    g_autoptr(GBytes) bytes = g_bytes_new(data, size);
    VariantPtr message(g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE(kReplyType), bytes, FALSE)));
    if (!g_variant_is_normal_form(message.get())) return false;
    gboolean ok = FALSE;
    const char* error = nullptr;
    GVariant* result = nullptr;
    g_variant_get(message.get(), "(b&sv)", &ok, &error, &result);
    reply = {ok != FALSE, error, VariantPtr(result)};
    return true;
}

// Start-up data handed to every web extension.
struct ExtensionData {
    std::string socketPath;
    bool operator==(const ExtensionData&) const = default;
};
template <>
struct Wire<ExtensionData> {
    static constexpr char kType[] = "(s)";
    static GVariant* Encode(const ExtensionData& d) { return g_variant_new(kType, MessageText(d.socketPath).c_str()); }
    static ExtensionData Decode(GVariant* v) { return {wire::Child(v, 0)}; }
};

}  // namespace tesra::bridge
