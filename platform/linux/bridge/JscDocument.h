#pragma once
// The document model over the script engine: page objects read and called late-bound by name.

#include <jsc/jsc.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/DocumentModel.h"

namespace tesra::bridge {

// Makes the value that stands for a new scripting object in the given context.
using ScriptingObjectFactory = std::function<JSCValue*(JSCContext* context)>;

// Throws tesra::Exception with the script's message when the context has a pending exception.
void ThrowIfException(JSCContext* context);

class JscObject : public platform::PageObject {
public:
    JscObject(JSCValue* value, ScriptingObjectFactory factory);  // takes a new reference
    ~JscObject() override;
    std::shared_ptr<platform::PageObject> Get(const std::string& name) override;
    void Call(const std::string& method, const std::vector<platform::PageArgument>& args) override;
    JSCValue* Value() const { return value_; }

private:
    JSCValue* value_;
    ScriptingObjectFactory factory_;
};

// A document seen through two script worlds: the page's, where the plug-in and its facade live, and
// the bridge's own, which page script cannot reach, from which the frames are counted and their
// addresses read. What page script does to its own objects cannot change which documents are bound.
class JscDocument : public platform::HtmlDocument {
public:
    // Takes new references to the window and its document in the page's world and to the window in
    // the bridge's world; address is the engine's record of the document's address.
    JscDocument(JSCValue* window, JSCValue* document, JSCValue* ownWindow, std::string address, ScriptingObjectFactory factory);
    ~JscDocument() override;
    std::string Address() override { return address_; }
    std::shared_ptr<platform::PageObject> Body() override;
    std::shared_ptr<platform::PageObject> ElementById(const std::string& id) override;
    std::vector<std::shared_ptr<platform::PageObject>> ElementsByTagName(const std::string& tag) override;
    int FrameCount() override;
    platform::FrameEntry Frame(int index) override;

private:
    JSCValue* Property(JSCValue* object, const char* name);
    std::shared_ptr<platform::PageObject> Wrap(JSCValue* value);

    JSCValue* window_;
    JSCValue* document_;
    JSCValue* own_window_;
    std::string address_;
    JSCContext* context_;
    ScriptingObjectFactory factory_;
};

}  // namespace tesra::bridge
