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

// "scheme://host:port" of an address, the port written out even when it is the scheme's default;
// empty when the address has no host.
std::string OriginOf(const std::string& address);

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

class JscDocument : public platform::HtmlDocument {
public:
    JscDocument(JSCValue* document, ScriptingObjectFactory factory);  // takes a new reference
    ~JscDocument() override;
    std::string Origin() override;
    std::shared_ptr<platform::PageObject> Body() override;
    std::shared_ptr<platform::PageObject> ElementById(const std::string& id) override;
    std::vector<std::shared_ptr<platform::PageObject>> ElementsByTagName(const std::string& tag) override;
    int FrameCount() override;
    platform::FrameEntry Frame(int index) override;

private:
    JSCValue* Property(JSCValue* object, const char* name);
    std::shared_ptr<platform::PageObject> Wrap(JSCValue* value);

    JSCValue* document_;
    JSCContext* context_;
    ScriptingObjectFactory factory_;
};

}  // namespace tesra::bridge
