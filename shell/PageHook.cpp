#include "shell/PageHook.h"

#include <exception>

namespace tesra {
namespace {
constexpr int kAttempts = 20;
}

PageHook::PageHook(std::function<bool(const std::string&)> isTrusted, std::function<void()> processMessages)
    : is_trusted_(std::move(isTrusted)), process_messages_(std::move(processMessages)) {}

BindOutcome PageHook::BindFacade(platform::HtmlDocument& document) {
    BindOutcome outcome;
    // A page of another site is a page without the plug-in, silently: whatever it does with its own
    // properties must not reach the user as a box.
    if (!is_trusted_(document.Address())) return outcome;
    try {
        int length = document.FrameCount();
        if (length == 0) {
            BindFacadeInDocument(kFacadeName, document, outcome);
            return outcome;
        }
        // With frames only the frames are searched, in order; a facade in several frames is bound in each.
        for (int i = 0; i < length; ++i) {
            platform::FrameEntry frame = document.Frame(i);
            if (!frame.isWindow) break;
            if (frame.document) BindFacadeInDocument(kFacadeName, *frame.document, outcome);
        }
    } catch (const std::exception& e) {
        outcome.errors.push_back(e.what());
    }
    return outcome;
}

std::shared_ptr<platform::PageObject> PageHook::FindPlugin(platform::HtmlDocument& document) {
    try {
        if (auto element = document.ElementById(kPluginElementId)) return element;
        auto objects = document.ElementsByTagName("OBJECT");
        return objects.empty() ? nullptr : objects.front();
    } catch (const std::exception&) {
        return nullptr;  // errors while looking for the element end the binding silently
    }
}

void PageHook::BindFacadeInDocument(const std::string& name, platform::HtmlDocument& document, BindOutcome& outcome) {
    // A document of another site is treated as a page without the plug-in: the scripting object
    // reaches the screen, the keyboard and the software list, so only the application gets it.
    if (!is_trusted_(document.Address())) return;
    if (!document.Body()) return;
    auto element = FindPlugin(document);
    if (!element) return;
    try {
        auto host = element->Get("Content");
        if (!host) return;
        facade_host_ = host;
        // A facade that cannot be read yet, or is not there yet, is a plug-in still starting.
        std::shared_ptr<platform::PageObject> facade;
        for (int attempt = 0; attempt < kAttempts && !facade; ++attempt) {
            try {
                facade = host->Get(name);
            } catch (const std::exception&) {
            }
            if (!facade) process_messages_();
        }
        if (!facade) {
            outcome.retryLater = true;
            return;
        }
        // The timer and the completed page both bind: an application that starts up in this call
        // must see it once.
        if (!document.Bound()) {
            facade->Call("SetTesraBrowserService", {platform::NewScriptingObject{}});
            document.MarkBound();
        }
        outcome.bound = true;
    } catch (const std::exception& e) {
        outcome.errors.push_back(e.what());
    }
}

std::string VersionStatement(const std::string& version) { return "window. __TesraBrowser_IEVersion = " + version; }

}  // namespace tesra
