#include "platform/linux/WebKitBrowser.h"

#include <libsoup/soup.h>

#include <cstring>

#include "platform/Application.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/linux/GtkApp.h"
#include "platform/linux/WebContext.h"
#include "platform/linux/bridge/BridgeProtocol.h"

namespace tesra::platform {
namespace {

std::string TlsProblem(GTlsCertificateFlags errors) {
    if (errors & G_TLS_CERTIFICATE_UNKNOWN_CA) return "证书的颁发机构不受信任";
    if (errors & G_TLS_CERTIFICATE_BAD_IDENTITY) return "证书与网站的地址不符";
    if (errors & G_TLS_CERTIFICATE_EXPIRED) return "证书已过期";
    if (errors & G_TLS_CERTIFICATE_NOT_ACTIVATED) return "证书尚未生效";
    if (errors & G_TLS_CERTIFICATE_REVOKED) return "证书已被吊销";
    if (errors & G_TLS_CERTIFICATE_INSECURE) return "证书的算法不安全";
    return "证书无法验证";
}

std::string HostOf(const char* uri) {
    GUri* parsed = g_uri_parse(uri, G_URI_FLAGS_NONE, nullptr);
    std::string host = parsed && g_uri_get_host(parsed) ? g_uri_get_host(parsed) : "";
    if (parsed) g_uri_unref(parsed);
    return host;
}

}  // namespace

WebKitBrowser::WebKitBrowser(WebKitWebView* related)
    : view_(WEBKIT_WEB_VIEW(related ? webkit_web_view_new_with_related_view(related)
                                    : webkit_web_view_new_with_context(SharedWebContext()))),
      id_(NewWindowId()),
      page_(view_) {
    g_object_ref_sink(view_);
    SetWidgetId(GTK_WIDGET(view_), id_);
    WebKitSettings* settings = webkit_web_view_get_settings(view_);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
    g_signal_connect(view_, "load-changed", G_CALLBACK(&WebKitBrowser::OnLoadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(&WebKitBrowser::OnLoadFailed), this);
    g_signal_connect(view_, "load-failed-with-tls-errors", G_CALLBACK(&WebKitBrowser::OnTlsError), this);
    g_signal_connect(view_, "notify::title", G_CALLBACK(&WebKitBrowser::OnTitle), this);
    g_signal_connect(view_, "create", G_CALLBACK(&WebKitBrowser::OnCreate), this);
    g_signal_connect(view_, "close", G_CALLBACK(&WebKitBrowser::OnClose), this);
    g_signal_connect(view_, "user-message-received", G_CALLBACK(&WebKitBrowser::OnPageMessage), this);
}

WebKitBrowser::~WebKitBrowser() {
    g_signal_handlers_disconnect_by_data(view_, this);
    g_object_unref(view_);
}

void WebKitBrowser::Navigate(const std::string& url, int flags) {
    g_autoptr(WebKitURIRequest) request = webkit_uri_request_new(url.c_str());
    if (flags & kNavNoReadFromCache) {
        SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
        if (headers) {
            soup_message_headers_replace(headers, "Cache-Control", "no-cache");
            soup_message_headers_replace(headers, "Pragma", "no-cache");
        }
    }
    webkit_web_view_load_request(view_, request);
}

void WebKitBrowser::Refresh() { webkit_web_view_reload(view_); }

std::string WebKitBrowser::Url() const {
    const char* uri = webkit_web_view_get_uri(view_);
    return uri ? uri : "";
}

void WebKitBrowser::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        self->state_ = ReadyState::Loading;
        self->load_failed_ = false;
        break;
    case WEBKIT_LOAD_REDIRECTED:
        break;
    case WEBKIT_LOAD_COMMITTED:
        self->state_ = ReadyState::Interactive;
        self->has_document_ = true;
        break;
    case WEBKIT_LOAD_FINISHED: {
        // The end of a load that an accepted certificate replaced: the new load reports for itself.
        if (self->replaced_loads_ > 0) {
            --self->replaced_loads_;
            break;
        }
        bool failed = self->load_failed_;
        self->state_ = ReadyState::Complete;
        std::string url = webkit_web_view_get_uri(view) ? webkit_web_view_get_uri(view) : "";
        auto events = self->events_;  // a handler may replace them
        // The page first, then the download: a binding that the page started is then on its way.
        if (!failed && events.onDocumentComplete) RunHandler([&] { events.onDocumentComplete(url); });
        if (events.onDownloadComplete) RunHandler(events.onDownloadComplete);
        break;
    }
    }
}

gboolean WebKitBrowser::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    // A navigation replaced by another one, or a response handed to a download, is no failure.
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
        return FALSE;
    }
    self->load_failed_ = true;
    // The engine's own error page is not shown, so the page that was on screen stays there with its
    // document; only a view that never committed a page has none.
    return TRUE;
}

gboolean WebKitBrowser::OnTlsError(WebKitWebView* view, gchar* uri, GTlsCertificate* certificate,
                                   GTlsCertificateFlags errors, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    std::string host = HostOf(uri);
    std::string text = "网站“" + host + "”的安全证书有问题：" + TlsProblem(errors) +
                       "。\n\n按“确定”在本次运行中信任该证书并继续打开，按“取消”不打开。";
    int answer = IDCANCEL;
    RunHandler([&] {
        answer = platform::Default().boxes.Show(
            text, platform::Default().app.Title().empty() ? "系统提示" : platform::Default().app.Title(),
            MB_OKCANCEL | MB_ICONWARNING);
    });
    if (answer != IDOK) return FALSE;  // the load then fails like any other
    webkit_web_context_allow_tls_certificate_for_host(webkit_web_view_get_context(view), certificate, host.c_str());
    // The engine still finishes the refused load after this handler: that end belongs to no page.
    ++self->replaced_loads_;
    webkit_web_view_load_uri(view, uri);
    return TRUE;
}

void WebKitBrowser::OnTitle(GObject* view, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    const char* title = webkit_web_view_get_title(WEBKIT_WEB_VIEW(view));
    if (self->events_.onTitleChange) RunHandler([&] { self->events_.onTitleChange(title ? title : ""); });
}

GtkWidget* WebKitBrowser::OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    BrowserControl* target = nullptr;
    if (self->events_.onNewWindow) RunHandler([&] { target = self->events_.onNewWindow(); });
    auto* popup = dynamic_cast<WebKitBrowser*>(target);
    return popup ? popup->Widget() : nullptr;
}

// A page asking to close its window posts the close message to the control, as the control does.
void WebKitBrowser::OnClose(WebKitWebView*, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    TheGtkApp().Filter({self->id_, WM_CLOSE, 0, 0});
}

gboolean WebKitBrowser::OnPageMessage(WebKitWebView* view, WebKitUserMessage* message, gpointer data) {
    if (std::strcmp(webkit_user_message_get_name(message), bridge::kCloseWindow) != 0) return FALSE;
    OnClose(view, data);
    return TRUE;
}

}  // namespace tesra::platform
