#include "linux/WebKitPageLink.h"

#include <memory>

#include "services/BridgeProtocol.h"

namespace tesra::platform {
namespace {

using ReplyHandler = std::function<void(GVariant* reply, const std::string& error)>;

// The link may be gone when the reply comes: the guard goes with the handler.
struct PendingReply {
    const HandlerGuard& guard;
    ReplyHandler handler;
};

void OnReply(GObject* view, GAsyncResult* result, gpointer data) {
    std::unique_ptr<PendingReply> pending(static_cast<PendingReply*>(data));
    g_autoptr(GError) error = nullptr;
    g_autoptr(WebKitUserMessage) reply =
        webkit_web_view_send_message_to_page_finish(WEBKIT_WEB_VIEW(view), result, &error);
    std::string message = error ? error->message : "";
    GVariant* parameters = reply ? webkit_user_message_get_parameters(reply) : nullptr;
    if (!parameters && message.empty()) message = "页面没有应答";
    RunGuarded(pending->guard, [&] { pending->handler(parameters, message); });
}

// The error of a reply's status; empty when the message succeeded.
std::string ErrorOf(const bridge::Status& status) {
    if (status.ok) return {};
    return status.error.empty() ? "页面调用失败" : status.error;
}

BindOutcome OutcomeOf(const bridge::Binding& binding) {
    BindOutcome outcome;
    outcome.linkError = ErrorOf(binding.status);
    if (!outcome.linkError.empty()) return outcome;
    outcome.bound = binding.bound;
    outcome.retryLater = binding.retry;
    outcome.hasFacadeHost = binding.host;
    outcome.errors = binding.errors;
    return outcome;
}

// A reply's status as a page link's Done.
std::function<void(const bridge::Status&)> Finished(PageLink::Done done) {
    return [done](const bridge::Status& status) {
        if (done) done(ErrorOf(status));
    };
}

}  // namespace

void WebKitPageLink::SendRaw(const char* name, GVariant* parameters, ReplyHandler handler) {
    WebKitUserMessage* message = webkit_user_message_new(name, parameters);
    webkit_web_view_send_message_to_page(view_, message, nullptr, &OnReply,
                                         new PendingReply{guard_, std::move(handler)});
}

// The reply comes as the message's result type, whatever happened on the way: a page that could not
// answer, or answered with something else, gives a failed status.
template <class M>
void WebKitPageLink::Send(M message, const typename M::Payload& payload,
                          std::function<void(const typename M::Result&)> done) {
    using Result = typename M::Result;
    SendRaw(message.name, bridge::Encode(payload), [done](GVariant* reply, const std::string& error) {
        if (!error.empty()) return done(bridge::Failed<Result>(error));
        auto result = bridge::TryDecode<Result>(reply);
        done(result ? *result : bridge::Failed<Result>("页面的应答无法识别"));
    });
}

void WebKitPageLink::BindFacade(const std::vector<std::string>& trustedAddresses,
                                std::function<void(const BindOutcome&)> done) {
    Send(bridge::kBindFacade, {trustedAddresses}, [done](const bridge::Binding& binding) { done(OutcomeOf(binding)); });
}

void WebKitPageLink::CompleteDocument(const std::vector<std::string>& trustedAddresses,
                                      const std::optional<ClientTexts>& report, const std::string& version,
                                      std::function<void(const DocumentOutcome&)> done) {
    Send(bridge::kDocumentComplete, {{trustedAddresses}, report, version},
         [done](const bridge::DocumentResult& result) {
             done({OutcomeOf(result.binding), result.reportError, result.versionError});
         });
}

void WebKitPageLink::DoMessage(const std::string& name, const std::string& value, Done done) {
    Send(bridge::kDoMessage, {name, value}, Finished(std::move(done)));
}

void WebKitPageLink::DoHotKey(const std::string& key, Done done) {
    Send(bridge::kDoHotKey, {key}, Finished(std::move(done)));
}

void WebKitPageLink::HotKey(std::uint64_t facade, std::int32_t id, Done done) {
    Send(bridge::kHotKey, {facade, id}, Finished(std::move(done)));
}

}  // namespace tesra::platform
