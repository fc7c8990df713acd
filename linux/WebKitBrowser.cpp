#include "linux/WebKitBrowser.h"

#include <fcntl.h>
#include <libsoup/soup.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "linux/Folders.h"
#include "linux/GtkApp.h"
#include "linux/WebContext.h"
#include "platform/Application.h"
#include "platform/HandlerGuard.h"
#include "services/BridgeProtocol.h"
#include "support/FailureLog.h"
#include "support/tsLog.h"

namespace tesra::platform {
namespace {

CertificateFaults FaultsOf(GTlsCertificateFlags errors) {
    CertificateFaults faults;
    faults.unknownAuthority = (errors & G_TLS_CERTIFICATE_UNKNOWN_CA) != 0;
    faults.badIdentity = (errors & G_TLS_CERTIFICATE_BAD_IDENTITY) != 0;
    faults.expired = (errors & G_TLS_CERTIFICATE_EXPIRED) != 0;
    faults.notActivated = (errors & G_TLS_CERTIFICATE_NOT_ACTIVATED) != 0;
    faults.revoked = (errors & G_TLS_CERTIFICATE_REVOKED) != 0;
    faults.insecure = (errors & G_TLS_CERTIFICATE_INSECURE) != 0;
    return faults;
}

std::string HostOf(const char* uri) {
    GUri* parsed = g_uri_parse(uri, G_URI_FLAGS_NONE, nullptr);
    std::string host = parsed && g_uri_get_host(parsed) ? g_uri_get_host(parsed) : "";
    if (parsed) g_uri_unref(parsed);
    return host;
}

void LogLine(const std::string& text, int level) {
    try {
        if (TtsCustomLog* log = WebContextLog()) log->LogText(text, level);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "TesraBrowser: %s (%s)\n", text.c_str(), e.what());
    }
}

// A new empty file in the folder under the name or its first free numbered alternative, made so that
// no file there is ever replaced; its path, or empty when none could be made.
std::string ReserveFile(const std::string& folder, const std::string& name) {
    g_mkdir_with_parents(folder.c_str(), 0700);
    for (int n = 0; n < 10000; ++n) {
        std::string path = folder + "/" + NumberedFileName(name, n);
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            return path;
        }
        if (errno != EEXIST) {
            if (TtsCustomLog* log = WebContextLog())
                LogFailure(*log, "下载的文件无法保存", FileFailure("创建文件", path, errno));
            return {};
        }
    }
    return {};
}

gboolean OnDecideDestination(WebKitDownload* download, gchar* suggested, gpointer) {
    const char* source = webkit_uri_request_get_uri(webkit_download_get_request(download));
    std::string path = ReserveFile(DownloadFolder(), DownloadFileName(suggested ? suggested : ""));
    if (path.empty()) {
        webkit_download_cancel(download);
        return TRUE;
    }
    g_autofree gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    // Only the empty file reserved above is replaced.
    webkit_download_set_allow_overwrite(download, TRUE);
    webkit_download_set_destination(download, uri);
    LogLine("下载文件“" + std::string(source ? source : "") + "”保存为“" + path + "”", kLogInfo);
    return TRUE;
}

// A download that failed leaves no empty file behind.
void OnDownloadFailed(WebKitDownload* download, GError*, gpointer) {
    const char* destination = webkit_download_get_destination(download);
    g_autofree gchar* path = destination ? g_filename_from_uri(destination, nullptr, nullptr) : nullptr;
    struct stat st {};
    if (path && lstat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) unlink(path);
}

}  // namespace

WebKitBrowser::WebKitBrowser(GtkApp& app, WebKitWebView* related, CertificateQuestion& certificates)
    : app_(app),
      certificates_(certificates),
      view_(WEBKIT_WEB_VIEW(related ? webkit_web_view_new_with_related_view(related)
                                    : webkit_web_view_new_with_context(SharedWebContext()))),
      id_(NewWindowId()),
      page_(app.Guard(), view_) {
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
    g_signal_connect(view_, "print", G_CALLBACK(&WebKitBrowser::OnPrint), this);
    g_signal_connect(view_, "decide-policy", G_CALLBACK(&WebKitBrowser::OnDecidePolicy), this);
    g_signal_connect(webkit_web_view_get_context(view_), "download-started",
                     G_CALLBACK(&WebKitBrowser::OnDownloadStarted), this);
}

WebKitBrowser::~WebKitBrowser() {
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_context(view_), this);
    g_signal_handlers_disconnect_by_data(view_, this);
    g_object_unref(view_);
}

bool WebKitBrowser::IsApplication(const std::string& address) const {
    return events_.isApplication && events_.isApplication(address);
}

bool WebKitBrowser::ShowsApplication() const { return IsApplication(shown_uri_); }

void WebKitBrowser::LoadForProgram(WebKitURIRequest* request) {
    sources_.ProgramLoads(webkit_uri_request_get_uri(request));
    webkit_web_view_load_request(view_, request);
}

void WebKitBrowser::NoteNavigation(WebKitNavigationAction* action) {
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    if (!uri) return;
    // The document still shown is the one that started a navigation that is no redirection.
    sources_.Note(uri, webkit_navigation_action_is_redirect(action), ShowsApplication(),
                  webkit_navigation_action_is_user_gesture(action));
}

void WebKitBrowser::Navigate(const std::string& url, CacheUse cache) {
    g_autoptr(WebKitURIRequest) request = webkit_uri_request_new(url.c_str());
    if (cache == CacheUse::NoReadFromCache) {
        SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
        if (headers) {
            soup_message_headers_replace(headers, "Cache-Control", "no-cache");
            soup_message_headers_replace(headers, "Pragma", "no-cache");
        }
    }
    LoadForProgram(request);
}

void WebKitBrowser::Refresh() {
    const char* uri = webkit_web_view_get_uri(view_);
    sources_.ProgramLoads(uri ? uri : "");
    webkit_web_view_reload(view_);
}

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
    case WEBKIT_LOAD_COMMITTED: {
        self->state_ = ReadyState::Interactive;
        self->has_document_ = true;
        const char* uri = webkit_web_view_get_uri(view);
        self->shown_uri_ = uri ? uri : "";
        break;
    }
    case WEBKIT_LOAD_FINISHED: {
        // The end of a load that an accepted certificate replaced: the new load reports for itself.
        if (self->replaced_loads_ > 0) {
            --self->replaced_loads_;
            break;
        }
        bool failed = self->load_failed_;
        self->state_ = ReadyState::Complete;
        std::string url = webkit_web_view_get_uri(view) ? webkit_web_view_get_uri(view) : "";
        auto events = self->events_;  // a handler may replace them, or free this browser
        const HandlerGuard& guard = self->app_.Guard();
        // The page first, then the download: a binding that the page started is then on its way.
        if (!failed && events.onDocumentComplete) RunGuarded(guard, [&] { events.onDocumentComplete(url); });
        if (events.onDownloadComplete) RunGuarded(guard, events.onDownloadComplete);
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
    const std::string host = HostOf(uri);
    bool trusted = false;
    RunGuarded(self->app_.Guard(),
               [&] { trusted = self->certificates_.Ask(self->sources_.SourceOf(uri), host, FaultsOf(errors)); });
    if (!trusted) return FALSE;  // the load then fails like any other
    webkit_web_context_allow_tls_certificate_for_host(webkit_web_view_get_context(view), certificate, host.c_str());
    // The engine still finishes the refused load after this handler: that end belongs to no page.
    ++self->replaced_loads_;
    g_autoptr(WebKitURIRequest) request = webkit_uri_request_new(uri);
    self->LoadForProgram(request);
    return TRUE;
}

void WebKitBrowser::OnTitle(GObject* view, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    const char* title = webkit_web_view_get_title(WEBKIT_WEB_VIEW(view));
    if (self->events_.onTitleChange)
        RunGuarded(self->app_.Guard(), [&] { self->events_.onTitleChange(title ? title : ""); });
}

GtkWidget* WebKitBrowser::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    RequestSource source;
    source.application = self->ShowsApplication();
    source.userAction = webkit_navigation_action_is_user_gesture(action);
    if (!MayServe(PageRequest::Popup, source)) return nullptr;
    BrowserControl* target = nullptr;
    if (self->events_.onNewWindow) RunGuarded(self->app_.Guard(), [&] { target = self->events_.onNewWindow(); });
    auto* popup = dynamic_cast<WebKitBrowser*>(target);
    return popup ? popup->Widget() : nullptr;
}

// A page asking to close its window posts the close message to the control, as the control does. The
// engine's own close comes from any window's script (a pop-up's opener.close() as well): it does not
// say that the application asked.
void WebKitBrowser::OnClose(WebKitWebView*, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    self->app_.Filter({self->id_, WM_CLOSE, 0, 0});
}

gboolean WebKitBrowser::OnPageMessage(WebKitWebView*, WebKitUserMessage* message, gpointer data) {
    if (std::strcmp(webkit_user_message_get_name(message), bridge::kCloseWindow.name) != 0) return FALSE;
    auto* self = static_cast<WebKitBrowser*>(data);
    auto close = bridge::TryDecode<bridge::WindowClose>(webkit_user_message_get_parameters(message));
    bool application = close && close->application;
    self->app_.Filter({self->id_, WM_CLOSE, application ? kCloseByBoundApplication : 0, 0});
    return TRUE;
}

gboolean WebKitBrowser::OnPrint(WebKitWebView*, WebKitPrintOperation*, gpointer data) {
    RequestSource source;
    source.application = static_cast<WebKitBrowser*>(data)->ShowsApplication();
    return !MayServe(PageRequest::Print, source);  // true: handled, no dialog
}

gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                       gpointer data) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
        static_cast<WebKitBrowser*>(data)->NoteNavigation(
            webkit_navigation_policy_decision_get_navigation_action(navigation));
    }
    return FALSE;  // the engine decides as it would
}

void WebKitBrowser::OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer data) {
    auto* self = static_cast<WebKitBrowser*>(data);
    if (webkit_download_get_web_view(download) != self->view_) return;
    const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
    std::string address = uri ? uri : "";
    const RequestSource source =
        self->sources_.DownloadSourceOf(address, self->ShowsApplication(), self->IsApplication(address));
    if (!MayServe(PageRequest::Download, source)) {
        const char* page = webkit_web_view_get_uri(self->view_);
        LogLine(RefusedDownloadText(page ? page : "", address), kLogWarning);
        webkit_download_cancel(download);
        return;
    }
    g_signal_connect(download, "decide-destination", G_CALLBACK(OnDecideDestination), nullptr);
    g_signal_connect(download, "failed", G_CALLBACK(OnDownloadFailed), nullptr);
}

}  // namespace tesra::platform
