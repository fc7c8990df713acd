#pragma once
// The page link over WebKit user messages to the page bridge of the view's web process.

#include <webkit2/webkit2.h>

#include "platform/HandlerGuard.h"
#include "platform/PageLink.h"

namespace tesra::platform {

class WebKitPageLink final : public PageLink {
public:
    // The replies' handlers run through the guard.
    WebKitPageLink(const HandlerGuard& guard, WebKitWebView* view) : guard_(guard), view_(view) {}

    void BindFacade(const std::vector<std::string>& trustedAddresses,
                    std::function<void(const BindOutcome&)> done) override;
    void CompleteDocument(const std::vector<std::string>& trustedAddresses, const std::optional<ClientTexts>& report,
                          const std::string& version, std::function<void(const DocumentOutcome&)> done) override;
    void DoMessage(const std::string& name, const std::string& value, Done done) override;
    void DoHotKey(const std::string& key, Done done) override;
    void HotKey(std::uint64_t facade, std::int32_t id, Done done) override;

private:
    // Sends the message; its result goes to done.
    template <class M>
    void Send(M message, const typename M::Payload& payload, std::function<void(const typename M::Result&)> done);
    // Sends the message; the reply's parameters, or the error when the page could not answer, go to the handler.
    void SendRaw(const char* name, GVariant* parameters,
                 std::function<void(GVariant* reply, const std::string& error)> handler);

    const HandlerGuard& guard_;
    WebKitWebView* view_;
};

}  // namespace tesra::platform
