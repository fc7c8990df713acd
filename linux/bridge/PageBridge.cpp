#include "linux/bridge/PageBridge.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "linux/bridge/JscDocument.h"
#include "platform/Exception.h"
#include "services/BridgeProtocol.h"
#include "support/Origin.h"

namespace tesra::bridge {
namespace {

// Lets pending events of this web process run, as the page would between two attempts.
void ProcessPendingEvents() {
    for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
}

}  // namespace

PageBridge::PageBridge(WebKitWebExtension* extension, std::string socketPath)
    : world_(webkit_script_world_new()), client_(std::move(socketPath)), objects_(client_, facades_) {
    g_signal_connect(extension, "page-created", G_CALLBACK(&PageBridge::OnPageCreated), this);
    g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                     G_CALLBACK(&PageBridge::OnWindowObjectCleared), this);
}

void PageBridge::OnWindowObjectCleared(WebKitScriptWorld*, WebKitWebPage* page, WebKitFrame* frame, gpointer self) {
    auto* bridge = static_cast<PageBridge*>(self);
    // A frame has a new document: the facades of documents no longer shown are gone with them.
    bridge->facades_.Sweep();
    if (!webkit_frame_is_main_frame(frame)) return;
    // A new document: the facades that the old one handed over, and its plug-in, are gone with it.
    bridge->ForgetShownDocument(page);
    bridge->StateOf(page).frame.reset(WEBKIT_FRAME(g_object_ref(frame)));
    bridge->RouteWindowClose(page, frame);
}

void PageBridge::ForgetShownDocument(WebKitWebPage* page) {
    PageState& state = StateOf(page);
    facades_.ReleasePage(webkit_web_page_get_id(page));
    state.hook->ForgetFacadeHost();
    state.bound.clear();
    state.shown.reset();
}

void PageBridge::NoteShownDocument(WebKitWebPage* page) {
    PageState& state = StateOf(page);
    JscValuePtr document = MainDocument(page);
    if (document && document.get() == state.shown.get()) return;
    ForgetShownDocument(page);
    state.shown = std::move(document);
}

WebKitFrame* PageBridge::MainFrame(WebKitWebPage* page) { return StateOf(page).frame.get(); }

const char* PageBridge::MainUri(WebKitWebPage* page) {
    WebKitFrame* frame = MainFrame(page);
    return frame ? webkit_frame_get_uri(frame) : nullptr;
}

bool PageBridge::ShowsBoundApplication(WebKitWebPage* page) {
    PageState& state = StateOf(page);
    const char* uri = MainUri(page);
    if (!uri || !state.Trusts(uri) || state.bound.empty()) return false;
    JscValuePtr document = MainDocument(page);
    return document && document.get() == state.shown.get();
}

void PageBridge::RouteWindowClose(WebKitWebPage* page, WebKitFrame* frame) {
    struct Target {
        GWeakRef page;
        PageBridge* bridge;
    };
    g_autoptr(JSCContext) context = webkit_frame_get_js_context(frame);
    g_autoptr(JSCValue) window = jsc_context_get_global_object(context);
    // The page is weakly held: a function kept by a script outlives neither the page nor its view.
    auto* target = new Target{{}, this};
    g_weak_ref_init(&target->page, page);
    auto destroy = [](gpointer data) {
        auto* target = static_cast<Target*>(data);
        g_weak_ref_clear(&target->page);
        delete target;
    };
    auto close = [](gpointer data) {
        auto* target = static_cast<Target*>(data);
        g_autoptr(WebKitWebPage) page = WEBKIT_WEB_PAGE(g_weak_ref_get(&target->page));
        if (!page) return;
        // Judged when the call comes: the document shown then may be another site's.
        bool application = target->bridge->ShowsBoundApplication(page);
        webkit_web_page_send_message_to_view(
            page, webkit_user_message_new(kCloseWindow.name, Encode(WindowClose{application})), nullptr, nullptr,
            nullptr);
    };
    g_autoptr(JSCValue) function =
        jsc_value_new_function(context, "close", G_CALLBACK(+close), target, destroy, G_TYPE_NONE, 0);
    jsc_value_object_set_property(window, "close", function);
}

JSCContext* PageBridge::MainContext(WebKitWebPage* page, WebKitScriptWorld* world) {
    WebKitFrame* frame = MainFrame(page);
    JSCContext* context = !frame  ? nullptr
                          : world ? webkit_frame_get_js_context_for_script_world(frame, world)
                                  : webkit_frame_get_js_context(frame);
    if (!context) throw Exception("页面还没有文档");
    return context;
}

JscValuePtr PageBridge::MainDocument(WebKitWebPage* page) {
    g_autoptr(JSCContext) own = MainContext(page, world_);
    g_autoptr(JSCValue) window = jsc_context_get_global_object(own);
    JscValuePtr document(jsc_value_object_get_property(window, "document"));
    jsc_context_clear_exception(own);
    if (!document || !jsc_value_is_object(document.get()) || jsc_value_is_null(document.get())) return nullptr;
    return document;
}

void PageBridge::Hello() {
    if (greeted_) return;
    greeted_ = true;
    try {
        client_.Call(kRequestNamed<"Bridge.Hello">, {static_cast<std::uint64_t>(getpid())});
    } catch (const BridgeError& e) {
        std::fprintf(stderr, "TesraBrowser page bridge: %s\n", e.what());
    }
}

void PageBridge::OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer self) {
    static_cast<PageBridge*>(self)->Hello();
    g_signal_connect(page, "user-message-received", G_CALLBACK(&PageBridge::OnUserMessage), self);
    g_object_weak_ref(G_OBJECT(page), &PageBridge::OnPageGone,
                      new PageGone{static_cast<PageBridge*>(self), webkit_web_page_get_id(page)});
}

void PageBridge::OnPageGone(gpointer data, GObject*) {
    std::unique_ptr<PageGone> gone(static_cast<PageGone*>(data));
    PageBridge& bridge = *gone->bridge;
    bridge.facades_.ReleasePage(gone->page);
    auto state = bridge.pages_.find(gone->page);
    if (state == bridge.pages_.end()) return;
    // A binding of that page may be running the events that closed it: its state goes after it.
    bridge.gone_.push_back(std::move(state->second));
    bridge.pages_.erase(state);
    if (bridge.serving_ == 0) bridge.gone_.clear();
}

gboolean PageBridge::OnUserMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer data) {
    auto* self = static_cast<PageBridge*>(data);
    std::string name = webkit_user_message_get_name(message);
    GVariant* parameters = webkit_user_message_get_parameters(message);
    GVariant* reply = nullptr;
    if (!VisitPageMessage(name, [&](auto known) { reply = self->Answer(page, known, parameters); })) {
        std::fprintf(stderr, "TesraBrowser page bridge: unknown message %s\n", name.c_str());
        return FALSE;
    }
    webkit_user_message_send_reply(message, webkit_user_message_new(name.c_str(), reply));
    return TRUE;
}

template <class M>
GVariant* PageBridge::Answer(WebKitWebPage* page, M, GVariant* parameters) {
    using Result = typename M::Result;
    auto payload = TryDecode<typename M::Payload>(parameters);
    if (!payload) return Encode(Failed<Result>("程序的消息无法识别"));
    Result result;
    ++serving_;
    try {
        result = Serve(page, *payload);
    } catch (const std::exception& e) {
        result = Failed<Result>(e.what());
    }
    if (--serving_ == 0) gone_.clear();
    return Encode(result);
}

PageBridge::PageState& PageBridge::StateOf(WebKitWebPage* page) {
    auto& state = pages_[webkit_web_page_get_id(page)];
    if (!state) {
        state = std::make_unique<PageState>();
        const PageState& current = *state;
        state->hook = std::make_unique<PageHook>(
            [&current](const std::string& address) { return current.Trusts(address); }, ProcessPendingEvents);
    }
    return *state;
}

bool PageBridge::PageState::Trusts(const std::string& address) const {
    return std::any_of(trustedAddresses.begin(), trustedAddresses.end(),
                       [&](const std::string& t) { return IsSameOrigin(address, t); });
}

bool PageBridge::TopIsTrusted(WebKitWebPage* page) {
    const char* uri = MainUri(page);
    return uri && StateOf(page).Trusts(uri);
}

Status PageBridge::Serve(WebKitWebPage* page, const PageMessage& message) {
    CallFacade(page, "DoMessage", {message.name, message.value});
    return {};
}

Status PageBridge::Serve(WebKitWebPage* page, const HotKeyName& key) {
    CallFacade(page, "DoHotKey", {key.value});
    return {};
}

Status PageBridge::Serve(WebKitWebPage*, const HotKeyCall& call) {
    // Gone with its document, or handed over in another web process: never another page's facade.
    JSCValue* object = facades_.Find({call.facade});
    if (!object) throw Exception("热键的回调对象已不存在");
    JscObject(JscValuePtr(JSC_VALUE(g_object_ref(object))), nullptr).Call("DoHotKey", {call.id});
    return {};
}

BindOutcome PageBridge::Bind(WebKitWebPage* page, const Addresses& trusted) {
    PageState& state = StateOf(page);
    state.trustedAddresses = trusted.value;
    NoteShownDocument(page);
    g_autoptr(JSCContext) context = MainContext(page);
    // The address is the engine's record of the frame, which page script cannot change.
    const char* uri = MainUri(page);
    g_autoptr(JSCContext) own = MainContext(page, world_);
    JscValuePtr window(jsc_context_get_global_object(context));
    JscValuePtr document(jsc_value_object_get_property(window.get(), "document"));
    if (!document || !jsc_value_is_object(document.get())) return {};
    guint64 id = webkit_web_page_get_id(page);
    JscDocument top(
        std::move(window), std::move(document), JscValuePtr(jsc_context_get_global_object(own)), uri ? uri : "",
        [this, id](JSCContext* c, JSCValue* owner) { return objects_.Create(c, facades_.AddDocument(owner, id)); },
        state.bound);
    return state.hook->BindFacade(top);
}

Binding PageBridge::BindingReply(WebKitWebPage* page, const BindOutcome& outcome) {
    bool host = StateOf(page).hook->FacadeHost() != nullptr;
    return {{}, outcome.bound, outcome.retryLater, host, outcome.errors};
}

Binding PageBridge::Serve(WebKitWebPage* page, const Addresses& trusted) {
    return BindingReply(page, Bind(page, trusted));
}

void PageBridge::ReportClient(WebKitWebPage* page, const platform::ClientTexts& texts) {
    const std::pair<const char*, const std::string*> messages[] = {
        {"CPU", &texts.cpu}, {"Memory", &texts.memory}, {"OS", &texts.os}, {"Software", &texts.software}};
    for (const auto& [name, text] : messages) CallFacade(page, "DoMessage", {std::string(name), *text});
    CallFacade(page, "DoMessage", {std::string("LogClientInfo"), std::string()});
}

void PageBridge::InjectVersion(WebKitWebPage* page, const std::string& version) {
    g_autoptr(JSCContext) context = MainContext(page);
    std::string statement = VersionStatement(version);
    g_autoptr(JSCValue) result = jsc_context_evaluate(context, statement.c_str(), -1);
    ThrowIfException(context);
}

DocumentResult PageBridge::Serve(WebKitWebPage* page, const DocumentData& document) {
    DocumentResult result;
    BindOutcome outcome = Bind(page, document.trusted);
    // A page of another site gets nothing of the program, so none of its script runs from here
    // (its setter of the version could otherwise raise a box with its own text).
    if (!TopIsTrusted(page)) {
        if (document.report) result.reportError = "页面不是本应用的页面";
    } else {
        if (document.report) {
            try {
                ReportClient(page, *document.report);
            } catch (const std::exception& e) {
                result.reportError = *e.what() ? e.what() : "客户端信息发送失败";
            }
        }
        try {
            InjectVersion(page, document.version);
        } catch (const std::exception& e) {
            result.versionError = *e.what() ? e.what() : "脚本错误";
        }
    }
    result.binding = BindingReply(page, outcome);
    return result;
}

void PageBridge::CallFacade(WebKitWebPage* page, const std::string& method,
                            const std::vector<platform::PageArgument>& args) {
    auto host = StateOf(page).hook->FacadeHost();
    if (!host) throw Exception("页面还没有绑定");
    auto facade = host->Get(kFacadeName);
    if (!facade) throw Exception("“__TesraFacade”不存在");
    facade->Call(method, args);
}

}  // namespace tesra::bridge
