#include "platform/linux/bridge/JscDocument.h"

#include "support/Exception.h"

namespace tesra::bridge {
namespace {

bool IsObject(JSCValue* value) { return value && jsc_value_is_object(value) && !jsc_value_is_null(value); }

// True when the context had a pending exception, which is then dropped.
bool ClearException(JSCContext* context) {
    if (!jsc_context_get_exception(context)) return false;
    jsc_context_clear_exception(context);
    return true;
}

// Takes the reference: an object value wrapped, anything else released and null.
std::shared_ptr<platform::PageObject> WrapObject(JSCValue* value, const ScriptingObjectFactory& factory) {
    if (!IsObject(value)) {
        if (value) g_object_unref(value);
        return nullptr;
    }
    return std::make_shared<JscObject>(value, factory);
}

}  // namespace

void ThrowIfException(JSCContext* context) {
    JSCException* exception = jsc_context_get_exception(context);
    if (!exception) return;
    std::string message = jsc_exception_get_message(exception) ? jsc_exception_get_message(exception) : "script error";
    jsc_context_clear_exception(context);
    throw Exception(message, "EOleException");
}

JscObject::JscObject(JSCValue* value, ScriptingObjectFactory factory) : value_(value), factory_(std::move(factory)) {}
JscObject::~JscObject() { g_object_unref(value_); }

std::shared_ptr<platform::PageObject> JscObject::Get(const std::string& name) {
    JSCContext* context = jsc_value_get_context(value_);
    JSCValue* property = jsc_value_object_get_property(value_, name.c_str());
    try {
        ThrowIfException(context);
    } catch (...) {
        if (property) g_object_unref(property);
        throw;
    }
    return WrapObject(property, factory_);
}

void JscObject::Call(const std::string& method, const std::vector<platform::PageArgument>& args) {
    JSCContext* context = jsc_value_get_context(value_);
    JSCValue* function = jsc_value_object_get_property(value_, method.c_str());
    bool callable = function && jsc_value_is_function(function);
    if (function) g_object_unref(function);
    if (!callable) throw Exception("对象不支持“" + method + "”属性或方法", "EOleException");
    GPtrArray* values = g_ptr_array_new_with_free_func(g_object_unref);
    for (const auto& arg : args) {
        if (const auto* text = std::get_if<std::string>(&arg)) {
            g_ptr_array_add(values, jsc_value_new_string(context, text->c_str()));
        } else if (const auto* number = std::get_if<std::int32_t>(&arg)) {
            g_ptr_array_add(values, jsc_value_new_number(context, *number));
        } else {
            g_ptr_array_add(values, factory_(context));
        }
    }
    JSCValue* result = jsc_value_object_invoke_methodv(value_, method.c_str(), values->len, reinterpret_cast<JSCValue**>(values->pdata));
    g_ptr_array_unref(values);
    if (result) g_object_unref(result);
    ThrowIfException(context);
}

JscDocument::JscDocument(JSCValue* window, JSCValue* document, JSCValue* ownWindow, std::string address,
                         ScriptingObjectFactory factory)
    : window_(window), document_(document), own_window_(ownWindow), address_(std::move(address)), context_(jsc_value_get_context(document)),
      factory_(std::move(factory)) {}

JscDocument::~JscDocument() {
    g_object_unref(own_window_);
    g_object_unref(document_);
    g_object_unref(window_);
}

JSCValue* JscDocument::Property(JSCValue* object, const char* name) {
    JSCValue* value = jsc_value_object_get_property(object, name);
    try {
        ThrowIfException(context_);
    } catch (...) {
        if (value) g_object_unref(value);
        throw;
    }
    return value;
}

std::shared_ptr<platform::PageObject> JscDocument::Wrap(JSCValue* value) { return WrapObject(value, factory_); }

std::shared_ptr<platform::PageObject> JscDocument::Body() { return Wrap(Property(document_, "body")); }

std::shared_ptr<platform::PageObject> JscDocument::ElementById(const std::string& id) {
    JSCValue* element = jsc_value_object_invoke_method(document_, "getElementById", G_TYPE_STRING, id.c_str(), G_TYPE_NONE);
    ThrowIfException(context_);
    return Wrap(element);
}

std::vector<std::shared_ptr<platform::PageObject>> JscDocument::ElementsByTagName(const std::string& tag) {
    std::vector<std::shared_ptr<platform::PageObject>> elements;
    JSCValue* body = Property(document_, "body");
    if (!IsObject(body)) {
        if (body) g_object_unref(body);
        return elements;
    }
    JSCValue* collection = jsc_value_object_invoke_method(body, "getElementsByTagName", G_TYPE_STRING, tag.c_str(), G_TYPE_NONE);
    g_object_unref(body);
    ThrowIfException(context_);
    if (IsObject(collection)) {
        JSCValue* length = Property(collection, "length");
        int count = jsc_value_to_int32(length);
        g_object_unref(length);
        for (int i = 0; i < count; ++i) {
            if (auto element = Wrap(jsc_value_object_get_property_at_index(collection, static_cast<guint>(i)))) elements.push_back(element);
        }
    }
    if (collection) g_object_unref(collection);
    return elements;
}

int JscDocument::FrameCount() {
    g_autoptr(JSCValue) length = jsc_value_object_get_property(own_window_, "length");
    ClearException(jsc_value_get_context(own_window_));
    return length ? jsc_value_to_int32(length) : 0;
}

platform::FrameEntry JscDocument::Frame(int index) {
    platform::FrameEntry entry;
    JSCContext* own = jsc_value_get_context(own_window_);
    JSCValue* ownFrame = jsc_value_object_get_property_at_index(own_window_, static_cast<guint>(index));
    ClearException(own);
    entry.isWindow = IsObject(ownFrame);
    if (!entry.isWindow) {
        if (ownFrame) g_object_unref(ownFrame);
        return entry;
    }
    // A frame of another site refuses to show its document: it is then a window without one.
    g_autoptr(JSCValue) ownDocument = jsc_value_object_get_property(ownFrame, "document");
    g_autoptr(JSCValue) url = !ClearException(own) && IsObject(ownDocument) ? jsc_value_object_get_property(ownDocument, "URL") : nullptr;
    g_autofree char* address = url && !ClearException(own) ? jsc_value_to_string(url) : nullptr;
    JSCValue* frame = address ? jsc_value_object_get_property_at_index(window_, static_cast<guint>(index)) : nullptr;
    JSCValue* document = IsObject(frame) ? jsc_value_object_get_property(frame, "document") : nullptr;
    if (ClearException(context_) || !IsObject(document)) {
        if (document) g_object_unref(document);
        if (frame) g_object_unref(frame);
        g_object_unref(ownFrame);
        return entry;
    }
    entry.document = std::make_shared<JscDocument>(frame, document, ownFrame, address, factory_);
    return entry;
}

}  // namespace tesra::bridge
