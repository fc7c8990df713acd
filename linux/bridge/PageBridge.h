#pragma once
// The page bridge inside one web process: it owns the connection to the program, binds the pages'
// facades and carries the program's calls into the pages of this process.

#include <webkit2/webkit-web-extension.h>

#include <map>
#include <memory>
#include <string>

#include "linux/GObjectPtr.h"
#include "linux/bridge/BridgeClient.h"
#include "linux/bridge/JscDocument.h"
#include "linux/bridge/ScriptingObjects.h"
#include "services/BridgeProtocol.h"
#include "shell/PageHook.h"

namespace tesra::bridge {

class PageBridge {
public:
    PageBridge(WebKitWebExtension* extension, std::string socketPath);

private:
    // What the bridge keeps of one page: the addresses whose documents may be bound, the hook with
    // the last plug-in content object found, and which documents are bound in this showing. Every
    // request reads the main frame's document anew: a page that comes back from the history brings
    // its own document and script context, and no new window object tells of it.
    struct PageState {
        std::vector<std::string> trustedAddresses;
        std::unique_ptr<PageHook> hook;
        platform::GObjectPtr<WebKitFrame> frame;  // the main frame, which stays while the page lives
        JscValuePtr shown;  // the main document at the last request, as the bridge's own world sees it
        BoundDocuments bound;
        // A document at the address may be bound: it is of the origin of one of the trusted addresses.
        bool Trusts(const std::string& address) const;
    };

    struct PageGone {
        PageBridge* bridge;
        guint64 page;
    };

    static void OnPageGone(gpointer data, GObject* page);
    static void OnPageCreated(WebKitWebExtension* extension, WebKitWebPage* page, gpointer self);
    static void OnWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame, gpointer self);
    // window.close() of a main document asks the program, whatever the page's history holds (the
    // engine refuses script closes of a window with more than one history entry), and tells it whether
    // the document is the application's and bound.
    void RouteWindowClose(WebKitWebPage* page, WebKitFrame* frame);
    bool ShowsBoundApplication(WebKitWebPage* page);
    static gboolean OnUserMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer self);
    void Hello();
    // Answers one message of the program with a reply of its type; a failure is the reply's status.
    template <class M>
    GVariant* Answer(WebKitWebPage* page, M message, GVariant* parameters);
    // The messages' work; each throws tesra::Exception for a failure to report.
    Binding Serve(WebKitWebPage* page, const Addresses& trusted);
    // Binding, client report and version statement in one go; their errors come back in the reply.
    DocumentResult Serve(WebKitWebPage* page, const DocumentData& document);
    Status Serve(WebKitWebPage* page, const PageMessage& message);
    Status Serve(WebKitWebPage* page, const HotKeyName& key);
    Status Serve(WebKitWebPage* page, const HotKeyCall& call);
    PageState& StateOf(WebKitWebPage* page);
    // The main frame's script context of its current document (a new reference) in the page's world,
    // or in the bridge's own; throws when the page has none yet.
    JSCContext* MainContext(WebKitWebPage* page, WebKitScriptWorld* world = nullptr);
    // The page's main frame; null before it has had a document.
    WebKitFrame* MainFrame(WebKitWebPage* page);
    // The engine's record of the main document's address, which page script cannot change; null
    // without one.
    const char* MainUri(WebKitWebPage* page);
    // The main document as the bridge's own world sees it; null when there is none.
    JscValuePtr MainDocument(WebKitWebPage* page);
    // A main document other than the one of the last request is shown: its bindings start anew.
    void NoteShownDocument(WebKitWebPage* page);
    // The main document is no longer shown: its facades, plug-in and bindings are gone with it.
    void ForgetShownDocument(WebKitWebPage* page);

    BindOutcome Bind(WebKitWebPage* page, const Addresses& trusted);
    // The page's top document is the application's, by the engine's record of its address.
    bool TopIsTrusted(WebKitWebPage* page);
    Binding BindingReply(WebKitWebPage* page, const BindOutcome& outcome);
    void ReportClient(WebKitWebPage* page, const platform::ClientTexts& texts);
    void InjectVersion(WebKitWebPage* page, const std::string& version);
    void CallFacade(WebKitWebPage* page, const std::string& method, const std::vector<platform::PageArgument>& args);

    // The bridge's own script world: page script cannot reach its objects or change its prototypes.
    WebKitScriptWorld* world_;
    BridgeClient client_;
    FacadeTable facades_;
    ScriptingObjects objects_;
    std::map<guint64, std::unique_ptr<PageState>> pages_;
    std::vector<std::unique_ptr<PageState>> gone_;  // pages closed while a message was being served
    int serving_ = 0;                               // messages being served (nested by pending events)
    bool greeted_ = false;
};

}  // namespace tesra::bridge
