#pragma once
// The page's document model as the page hook sees it: documents, frames, elements, and late-bound
// property reads and method calls on any page object. Implemented in the page bridge over the
// script engine; tests use a fake document.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace tesra::platform {

// Stands for a new scripting object, made by the model when the argument is passed.
struct NewScriptingObject {};

using PageArgument = std::variant<std::string, std::int32_t, NewScriptingObject>;

class PageObject {
public:
    virtual ~PageObject() = default;
    // Late-bound property read by name: the value as an object, or null when it is null, undefined
    // or not an object. Throws tesra::Exception when the read itself fails.
    virtual std::shared_ptr<PageObject> Get(const std::string& name) = 0;
    // Late-bound method call by name with positional arguments; the result is ignored. Throws
    // tesra::Exception when the member is missing or the call fails.
    virtual void Call(const std::string& method, const std::vector<PageArgument>& args) = 0;
};

class HtmlDocument;

// One entry of a document's frame collection.
struct FrameEntry {
    bool isWindow = false;
    std::shared_ptr<HtmlDocument> document;  // null when the window has no (reachable) document
};

class HtmlDocument {
public:
    virtual ~HtmlDocument() = default;
    // The document's address as the engine records it: never a value that page script can change.
    virtual std::string Address() = 0;
    virtual std::shared_ptr<PageObject> Body() = 0;
    virtual std::shared_ptr<PageObject> ElementById(const std::string& id) = 0;
    // The elements with this tag name under the body, in document order.
    virtual std::vector<std::shared_ptr<PageObject>> ElementsByTagName(const std::string& tag) = 0;
    virtual int FrameCount() = 0;
    virtual FrameEntry Frame(int index) = 0;
    // Whether the document has received a scripting object since it was last shown (it is shown again
    // when the page comes back from the history); a document is bound once per showing.
    virtual bool Bound() = 0;
    virtual void MarkBound() = 0;
};

}  // namespace tesra::platform
