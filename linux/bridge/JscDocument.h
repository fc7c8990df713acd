#pragma once
// The document model over the script engine: page objects read and called late-bound by name.

#include <jsc/jsc.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "linux/GObjectPtr.h"
#include "platform/DocumentModel.h"

namespace tesra::bridge {

using JscValuePtr = platform::GObjectPtr<JSCValue>;

// Makes the value that stands for a new scripting object in the given context.
using ObjectMaker = std::function<JSCValue*(JSCContext* context)>;
// The same for the facades of a document: owner is that document as the bridge's own world sees it.
using ScriptingObjectFactory = std::function<JSCValue*(JSCContext* context, JSCValue* owner)>;

// The documents of one page that have received a scripting object since its main document was last
// shown, as the bridge's own world sees them.
using BoundDocuments = std::vector<JscValuePtr>;

// Throws tesra::Exception with the script's message when the context has a pending exception.
void ThrowIfException(JSCContext* context);

class JscObject : public platform::PageObject {
public:
    JscObject(JscValuePtr value, ObjectMaker maker);
    std::shared_ptr<platform::PageObject> Get(const std::string& name) override;
    void Call(const std::string& method, const std::vector<platform::PageArgument>& args) override;
    JSCValue* Value() const { return value_.get(); }

private:
    JscValuePtr value_;
    ObjectMaker maker_;
};

// A document seen through two script worlds: the page's, where the plug-in and its facade live, and
// the bridge's own, which page script cannot reach, from which the frames are counted and their
// addresses read. What page script does to its own objects cannot change which documents are bound.
class JscDocument : public platform::HtmlDocument {
public:
    // The window and its document in the page's world and the window in the bridge's world; address
    // is the engine's record of the document's address; bound is the page's record of bound documents.
    JscDocument(JscValuePtr window, JscValuePtr document, JscValuePtr ownWindow, std::string address,
                ScriptingObjectFactory factory, BoundDocuments& bound);
    std::string Address() override { return address_; }
    std::shared_ptr<platform::PageObject> Body() override;
    std::shared_ptr<platform::PageObject> ElementById(const std::string& id) override;
    std::vector<std::shared_ptr<platform::PageObject>> ElementsByTagName(const std::string& tag) override;
    int FrameCount() override;
    platform::FrameEntry Frame(int index) override;
    bool Bound() override;
    void MarkBound() override;

private:
    JscValuePtr Property(JSCValue* object, const char* name);
    std::shared_ptr<platform::PageObject> Wrap(JscValuePtr value);

    JscValuePtr window_;
    JscValuePtr document_;
    JscValuePtr own_window_;
    JscValuePtr own_document_;  // null when the bridge's world cannot see it
    std::string address_;
    JSCContext* context_;
    ScriptingObjectFactory factory_;
    ObjectMaker maker_;  // the factory for this document's facades
    BoundDocuments& bound_;
};

}  // namespace tesra::bridge
