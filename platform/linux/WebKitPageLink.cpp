#include "platform/linux/WebKitPageLink.h"

#include <memory>

#include "platform/HandlerGuard.h"
#include "platform/linux/bridge/BridgeProtocol.h"

namespace tesra::platform {
namespace {

using ReplyHandler = std::function<void(GVariant* reply, const std::string& error)>;

void OnReply(GObject* view, GAsyncResult* result, gpointer data) {
    std::unique_ptr<ReplyHandler> handler(static_cast<ReplyHandler*>(data));
    GError* error = nullptr;
    WebKitUserMessage* reply = webkit_web_view_send_message_to_page_finish(WEBKIT_WEB_VIEW(view), result, &error);
    std::string message = error ? error->message : "";
    g_clear_error(&error);
    GVariant* parameters = reply ? webkit_user_message_get_parameters(reply) : nullptr;
    if (!parameters && message.empty()) message = "页面没有应答";
    RunHandler([&] { (*handler)(parameters, message); });
    if (reply) g_object_unref(reply);
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

void WebKitPageLink::BindFacade(const std::vector<std::string>& trustedAddresses, std::function<void(const BindOutcome&)> done) {
    GVariantBuilder addresses;
    g_variant_builder_init(&addresses, G_VARIANT_TYPE("as"));
    for (const auto& address : trustedAddresses) g_variant_builder_add(&addresses, "s", address.c_str());
    Send(bridge::kBindFacade, g_variant_builder_end(&addresses), [done](GVariant* reply, const std::string& error) {
        BindOutcome outcome;
        std::string failure = ReplyError(reply, error);
        if (!failure.empty()) {
            outcome.linkError = failure;
        } else {
            gboolean ok, bound, retry, host;
            const char* ignored;
            GVariantIter* errors = nullptr;
            g_variant_get(reply, "(b&sbbbas)", &ok, &ignored, &bound, &retry, &host, &errors);
            outcome.bound = bound;
            outcome.retryLater = retry;
            outcome.hasFacadeHost = host;
            const char* text;
            while (g_variant_iter_next(errors, "&s", &text)) outcome.errors.push_back(text);
            g_variant_iter_free(errors);
        }
        done(outcome);
    });
}

void WebKitPageLink::ReportClient(const std::string& cpu, const std::string& memory, const std::string& os,
                                  const std::string& software, Done done) {
    SendSimple(bridge::kReportClient, g_variant_new("(ssss)", cpu.c_str(), memory.c_str(), os.c_str(), software.c_str()), std::move(done));
}

void WebKitPageLink::InjectVersion(const std::string& version, Done done) {
    SendSimple(bridge::kInjectVersion, g_variant_new_string(version.c_str()), std::move(done));
}

void WebKitPageLink::DoMessage(const std::string& name, const std::string& value, Done done) {
    SendSimple(bridge::kDoMessage, g_variant_new("(ss)", name.c_str(), value.c_str()), std::move(done));
}

void WebKitPageLink::DoHotKey(const std::string& key, Done done) {
    SendSimple(bridge::kDoHotKey, g_variant_new_string(key.c_str()), std::move(done));
}

void WebKitPageLink::HotKey(std::uint64_t facade, std::int32_t id, Done done) {
    SendSimple(bridge::kHotKey, g_variant_new("(ti)", static_cast<guint64>(facade), id), std::move(done));
}

}  // namespace tesra::platform
