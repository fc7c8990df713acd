#pragma once
// The browser control on a WebKitWebView.

#include <webkit2/webkit2.h>

#include <string>

#include "linux/GtkApp.h"
#include "linux/WebKitPageLink.h"
#include "platform/Browser.h"
#include "support/CertificateQuestion.h"
#include "support/PageRequests.h"

namespace tesra::platform {

class WebKitBrowser final : public BrowserControl {
public:
    // A new web view; a pop-up passes the view whose page opened it. Its close requests go through the
    // application's filter and its handlers through the application's guard. The certificate question
    // is the one that all windows share.
    WebKitBrowser(GtkApp& app, WebKitWebView* related, CertificateQuestion& certificates);
    ~WebKitBrowser() override;
    WebKitBrowser(const WebKitBrowser&) = delete;
    WebKitBrowser& operator=(const WebKitBrowser&) = delete;

    void SetEvents(Events events) override { events_ = std::move(events); }
    void Navigate(const std::string& url, CacheUse cache) override;
    void Refresh() override;
    ReadyState State() const override { return state_; }
    bool HasDocument() const override { return has_document_; }
    std::string Url() const override;
    WindowId Handle() const override { return id_; }
    PageLink& Page() override { return page_; }

    GtkWidget* Widget() const { return GTK_WIDGET(view_); }
    WebKitWebView* View() const { return view_; }

private:
    static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
    static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri, GError* error, gpointer self);
    static gboolean OnTlsError(WebKitWebView* view, gchar* uri, GTlsCertificate* certificate,
                               GTlsCertificateFlags errors, gpointer self);
    static void OnTitle(GObject* view, GParamSpec*, gpointer self);
    static GtkWidget* OnCreate(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
    static void OnClose(WebKitWebView* view, gpointer self);
    static gboolean OnPageMessage(WebKitWebView* view, WebKitUserMessage* message, gpointer self);
    static gboolean OnPrint(WebKitWebView* view, WebKitPrintOperation* operation, gpointer self);
    static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                   gpointer self);
    static void OnDownloadStarted(WebKitWebContext* context, WebKitDownload* download, gpointer self);

    // The document shown is the application's, by the engine's record of its address when it came.
    bool ShowsApplication() const;
    bool IsApplication(const std::string& address) const;
    // Records who started a navigation, for the certificate question and downloads that follow it.
    void NoteNavigation(WebKitNavigationAction* action);
    // Loads the address for the program (the user), not for a page.
    void LoadForProgram(WebKitURIRequest* request);

    GtkApp& app_;
    CertificateQuestion& certificates_;
    WebKitWebView* view_;
    WindowId id_;
    WebKitPageLink page_;
    Events events_;
    ReadyState state_ = ReadyState::Uninitialized;
    bool has_document_ = false;
    bool load_failed_ = false;
    int replaced_loads_ = 0;  // finished signals still to come of loads that a new load replaced
    // The address of the document shown (the view's address is the next one's while a load waits).
    std::string shown_uri_;
    NavigationSources sources_;
};

}  // namespace tesra::platform
