#include "linux/bridge/JscDocument.h"

#include <algorithm>

#include "platform/Exception.h"

namespace tesra::bridge {
namespace {

bool IsObject(JSCValue* value) { return value && jsc_value_is_object(value) && !jsc_value_is_null(value); }

// True when the context had a pending exception, which is then dropped.
bool ClearException(JSCContext* context) {
    if (!jsc_context_get_exception(context)) return false;
    jsc_context_clear_exception(context);
    return true;
}

// An object value wrapped, anything else null.
std::shared_ptr<platform::PageObject> WrapObject(JscValuePtr value, const ObjectMaker& maker) {
    if (!IsObject(value.get())) return nullptr;
    return std::make_shared<JscObject>(std::move(value), maker);
}

// The document of a window of the bridge's own world; null when it has none it may see.
JscValuePtr OwnDocument(JSCValue* ownWindow) {
    JscValuePtr document(jsc_value_object_get_property(ownWindow, "document"));
    ClearException(jsc_value_get_context(ownWindow));
    if (!IsObject(document.get())) document.reset();
    return document;
}

// The factory's maker for that document.
ObjectMaker MakerFor(const ScriptingObjectFactory& factory, JSCValue* ownDocument) {
    if (!factory) return nullptr;
    std::shared_ptr<JSCValue> owner(ownDocument ? JSC_VALUE(g_object_ref(ownDocument)) : nullptr, [](JSCValue* v) {
        if (v) g_object_unref(v);
    });
    return [factory, owner](JSCContext* context) { return factory(context, owner.get()); };
}

}  // namespace

void ThrowIfException(JSCContext* context) {
    JSCException* exception = jsc_context_get_exception(context);
    if (!exception) return;
    std::string message = jsc_exception_get_message(exception) ? jsc_exception_get_message(exception) : "script error";
    jsc_context_clear_exception(context);
    throw Exception(message, "EOleException");
}

JscObject::JscObject(JscValuePtr value, ObjectMaker maker) : value_(std::move(value)), maker_(std::move(maker)) {}

std::shared_ptr<platform::PageObject> JscObject::Get(const std::string& name) {
    JscValuePtr property(jsc_value_object_get_property(value_.get(), name.c_str()));
    ThrowIfException(jsc_value_get_context(value_.get()));
    return WrapObject(std::move(property), maker_);
}

void JscObject::Call(const std::string& method, const std::vector<platform::PageArgument>& args) {
    JSCContext* context = jsc_value_get_context(value_.get());
    g_autoptr(JSCValue) function = jsc_value_object_get_property(value_.get(), method.c_str());
    if (!function || !jsc_value_is_function(function)) {
        throw Exception("对象不支持“" + method + "”属性或方法", "EOleException");
    }
    g_autoptr(GPtrArray) values = g_ptr_array_new_with_free_func(g_object_unref);
    for (const auto& arg : args) {
        if (const auto* text = std::get_if<std::string>(&arg)) {
            g_ptr_array_add(values, jsc_value_new_string(context, text->c_str()));
        } else if (const auto* number = std::get_if<std::int32_t>(&arg)) {
            g_ptr_array_add(values, jsc_value_new_number(context, *number));
        } else {
            g_ptr_array_add(values, maker_(context));
        }
    }
    g_autoptr(JSCValue) result = jsc_value_object_invoke_methodv(value_.get(), method.c_str(), values->len,
                                                                 reinterpret_cast<JSCValue**>(values->pdata));
    ThrowIfException(context);
}

JscDocument::JscDocument(JscValuePtr window, JscValuePtr document, JscValuePtr ownWindow, std::string address,
                         ScriptingObjectFactory factory, BoundDocuments& bound)
    : window_(std::move(window)),
      document_(std::move(document)),
      own_window_(std::move(ownWindow)),
      own_document_(OwnDocument(own_window_.get())),
      address_(std::move(address)),
      context_(jsc_value_get_context(document_.get())),
      factory_(std::move(factory)),
      maker_(MakerFor(factory_, own_document_.get())),
      bound_(bound) {}

// The engine keeps one wrapper per script value while it is referenced, so the same document is the
// same pointer.
bool JscDocument::Bound() {
    return own_document_ && std::any_of(bound_.begin(), bound_.end(),
                                        [this](const JscValuePtr& d) { return d.get() == own_document_.get(); });
}

void JscDocument::MarkBound() {
    if (own_document_ && !Bound()) bound_.emplace_back(JSC_VALUE(g_object_ref(own_document_.get())));
}

JscValuePtr JscDocument::Property(JSCValue* object, const char* name) {
    JscValuePtr value(jsc_value_object_get_property(object, name));
    ThrowIfException(context_);
    return value;
}

std::shared_ptr<platform::PageObject> JscDocument::Wrap(JscValuePtr value) {
    return WrapObject(std::move(value), maker_);
}

std::shared_ptr<platform::PageObject> JscDocument::Body() { return Wrap(Property(document_.get(), "body")); }

std::shared_ptr<platform::PageObject> JscDocument::ElementById(const std::string& id) {
    JscValuePtr element(
        jsc_value_object_invoke_method(document_.get(), "getElementById", G_TYPE_STRING, id.c_str(), G_TYPE_NONE));
    ThrowIfException(context_);
    return Wrap(std::move(element));
}

std::vector<std::shared_ptr<platform::PageObject>> JscDocument::ElementsByTagName(const std::string& tag) {
    std::vector<std::shared_ptr<platform::PageObject>> elements;
    JscValuePtr body = Property(document_.get(), "body");
    if (!IsObject(body.get())) return elements;
    g_autoptr(JSCValue) collection =
        jsc_value_object_invoke_method(body.get(), "getElementsByTagName", G_TYPE_STRING, tag.c_str(), G_TYPE_NONE);
    ThrowIfException(context_);
    if (!IsObject(collection)) return elements;
    int count = jsc_value_to_int32(Property(collection, "length").get());
    for (int i = 0; i < count; ++i) {
        JscValuePtr item(jsc_value_object_get_property_at_index(collection, static_cast<guint>(i)));
        if (auto element = Wrap(std::move(item))) elements.push_back(element);
    }
    return elements;
}

int JscDocument::FrameCount() {
    g_autoptr(JSCValue) length = jsc_value_object_get_property(own_window_.get(), "length");
    ClearException(jsc_value_get_context(own_window_.get()));
    return length ? jsc_value_to_int32(length) : 0;
}

platform::FrameEntry JscDocument::Frame(int index) {
    platform::FrameEntry entry;
    JSCContext* own = jsc_value_get_context(own_window_.get());
    JscValuePtr ownFrame(jsc_value_object_get_property_at_index(own_window_.get(), static_cast<guint>(index)));
    ClearException(own);
    entry.isWindow = IsObject(ownFrame.get());
    if (!entry.isWindow) return entry;
    // A frame of another site refuses to show its document: it is then a window without one.
    g_autoptr(JSCValue) ownDocument = jsc_value_object_get_property(ownFrame.get(), "document");
    g_autoptr(JSCValue) url =
        !ClearException(own) && IsObject(ownDocument) ? jsc_value_object_get_property(ownDocument, "URL") : nullptr;
    g_autofree char* address = url && !ClearException(own) ? jsc_value_to_string(url) : nullptr;
    JscValuePtr frame(address ? jsc_value_object_get_property_at_index(window_.get(), static_cast<guint>(index))
                              : nullptr);
    JscValuePtr document(IsObject(frame.get()) ? jsc_value_object_get_property(frame.get(), "document") : nullptr);
    if (ClearException(context_) || !IsObject(document.get())) return entry;
    entry.document = std::make_shared<JscDocument>(std::move(frame), std::move(document), std::move(ownFrame), address,
                                                   factory_, bound_);
    return entry;
}

}  // namespace tesra::bridge
