#include "platform/linux/WebKitPageLink.h"

#include <memory>

#include "platform/HandlerGuard.h"
#include "platform/linux/bridge/BridgeProtocol.h"

namespace tesra::platform {
namespace {

using ReplyHandler = std::function<void(GVariant* reply, const std::string& error)>;

void OnReply(GObject* view, GAsyncResult* result, gpointer data) {
    std::unique_ptr<ReplyHandler> handler(static_cast<ReplyHandler*>(data));
    g_autoptr(GError) error = nullptr;
    g_autoptr(WebKitUserMessage) reply = webkit_web_view_send_message_to_page_finish(WEBKIT_WEB_VIEW(view), result, &error);
    std::string message = error ? error->message : "";
    GVariant* parameters = reply ? webkit_user_message_get_parameters(reply) : nullptr;
    if (!parameters && message.empty()) message = "页面没有应答";
    RunHandler([&] { (*handler)(parameters, message); });
}

// The (ok, error) head of every reply.
std::string ReplyError(GVariant* reply, const std::string& error) {
    if (!reply) return error;
    gboolean ok = FALSE;
    const char* text = "";
    g_variant_get_child(reply, 0, "b", &ok);
    g_variant_get_child(reply, 1, "&s", &text);
    return ok ? std::string() : std::string(*text ? text : "页面调用失败");
}

}  // namespace

void WebKitPageLink::Send(const char* name, GVariant* parameters, ReplyHandler handler) {
    WebKitUserMessage* message = webkit_user_message_new(name, parameters);
    webkit_web_view_send_message_to_page(view_, message, nullptr, &OnReply, new ReplyHandler(std::move(handler)));
}

void WebKitPageLink::SendSimple(const char* name, GVariant* parameters, Done done) {
    Send(name, parameters, [done](GVariant* reply, const std::string& error) {
        if (done) done(ReplyError(reply, error));
    });
}

// The bind outcome at the head of a BindFacade or DocumentComplete reply, whose fields follow the
// (ok, error) pair as (bound, retry, host found, errors).
static BindOutcome ReadBinding(GVariant* reply, const std::string& error) {
    BindOutcome outcome;
    outcome.linkError = ReplyError(reply, error);
    if (!outcome.linkError.empty()) return outcome;
    gboolean bound = FALSE, retry = FALSE, host = FALSE;
    g_variant_get_child(reply, 2, "b", &bound);
    g_variant_get_child(reply, 3, "b", &retry);
    g_variant_get_child(reply, 4, "b", &host);
    outcome.bound = bound;
    outcome.retryLater = retry;
    outcome.hasFacadeHost = host;
    g_autoptr(GVariant) errors = g_variant_get_child_value(reply, 5);
    GVariantIter iter;
    g_variant_iter_init(&iter, errors);
    const char* text;
    while (g_variant_iter_next(&iter, "&s", &text)) outcome.errors.push_back(text);
    return outcome;
}

static GVariant* AddressList(const std::vector<std::string>& addresses) {
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
    for (const auto& address : addresses) g_variant_builder_add(&builder, "s", bridge::MessageText(address).c_str());
    return g_variant_builder_end(&builder);
}

void WebKitPageLink::BindFacade(const std::vector<std::string>& trustedAddresses, std::function<void(const BindOutcome&)> done) {
    Send(bridge::kBindFacade, AddressList(trustedAddresses),
         [done](GVariant* reply, const std::string& error) { done(ReadBinding(reply, error)); });
}

void WebKitPageLink::CompleteDocument(const std::vector<std::string>& trustedAddresses, const std::optional<ClientTexts>& report,
                                      const std::string& version, std::function<void(const DocumentOutcome&)> done) {
    using bridge::MessageText;
    ClientTexts texts = report.value_or(ClientTexts{});
    GVariant* parameters = g_variant_new("(@asbsssss)", AddressList(trustedAddresses), report.has_value(),
                                         MessageText(texts.cpu).c_str(), MessageText(texts.memory).c_str(), MessageText(texts.os).c_str(),
                                         MessageText(texts.software).c_str(), MessageText(version).c_str());
    Send(bridge::kDocumentComplete, parameters, [done](GVariant* reply, const std::string& error) {
        DocumentOutcome outcome;
        outcome.binding = ReadBinding(reply, error);
        if (outcome.binding.linkError.empty()) {
            const char *reportError = "", *versionError = "";
            g_variant_get_child(reply, 6, "&s", &reportError);
            g_variant_get_child(reply, 7, "&s", &versionError);
            outcome.reportError = reportError;
            outcome.versionError = versionError;
        }
        done(outcome);
    });
}

void WebKitPageLink::DoMessage(const std::string& name, const std::string& value, Done done) {
    SendSimple(bridge::kDoMessage, g_variant_new("(ss)", bridge::MessageText(name).c_str(), bridge::MessageText(value).c_str()),
               std::move(done));
}

void WebKitPageLink::DoHotKey(const std::string& key, Done done) {
    SendSimple(bridge::kDoHotKey, g_variant_new_string(bridge::MessageText(key).c_str()), std::move(done));
}

void WebKitPageLink::HotKey(std::uint64_t facade, std::int32_t id, Done done) {
    SendSimple(bridge::kHotKey, g_variant_new("(ti)", static_cast<guint64>(facade), id), std::move(done));
}

}  // namespace tesra::platform
