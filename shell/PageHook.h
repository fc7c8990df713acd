#pragma once
// Binding the page's facade: find the plug-in's content object in the document or in each frame and
// hand its "__TesraFacade" a new scripting object. Runs where the page lives (the page bridge).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/DocumentModel.h"
#include "platform/PageLink.h"

namespace tesra {

constexpr char kPluginElementId[] = "tesrasilverlightobjectid";
constexpr char kFacadeName[] = "__TesraFacade";

using platform::BindOutcome;

class PageHook {
public:
    // isTrusted tells whether a document at that address may receive the scripting object;
    // processMessages lets pending events run between attempts.
    PageHook(std::function<bool(const std::string& address)> isTrusted, std::function<void()> processMessages);

    // BindFacade on the top document (which exists: the program checked that before asking). A top
    // document that is not trusted is left alone, frames and all, before anything of it is read.
    BindOutcome BindFacade(platform::HtmlDocument& document);
    // The plug-in content object of the last binding (FFacadeHost), or null.
    std::shared_ptr<platform::PageObject> FacadeHost() const { return facade_host_; }
    // The document is gone: its plug-in is no host any more, although its objects may still live.
    void ForgetFacadeHost() { facade_host_.reset(); }

private:
    void BindFacadeInDocument(const std::string& name, platform::HtmlDocument& document, BindOutcome& outcome);
    std::shared_ptr<platform::PageObject> FindPlugin(platform::HtmlDocument& document);

    std::function<bool(const std::string&)> is_trusted_;
    std::function<void()> process_messages_;
    std::shared_ptr<platform::PageObject> facade_host_;
};

// The statement that tells the page its browser version (the version text unquoted).
std::string VersionStatement(const std::string& version);

}  // namespace tesra
