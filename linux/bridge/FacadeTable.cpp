#include "linux/bridge/FacadeTable.h"

#include <unistd.h>

#include <vector>

namespace tesra::bridge {
namespace {

// The document's window, or null when the document is no longer shown in a frame.
platform::GObjectPtr<JSCValue> WindowOf(JSCValue* document) {
    platform::GObjectPtr<JSCValue> window(jsc_value_object_get_property(document, "defaultView"));
    JSCContext* context = jsc_value_get_context(document);
    if (jsc_context_get_exception(context)) {
        jsc_context_clear_exception(context);
        return nullptr;
    }
    if (!window || !jsc_value_is_object(window.get())) return nullptr;
    return window;
}

struct Hiding {
    FacadeTable* table;
    std::uint64_t document;
};

}  // namespace

std::uint64_t FacadeTable::AddDocument(JSCValue* document, std::uint64_t page) {
    if (!document) return 0;
    for (const auto& [id, known] : documents_) {
        if (known.value.get() == document) return id;
    }
    std::uint64_t id = ++next_document_;
    documents_[id] = {platform::GObjectPtr<JSCValue>(JSC_VALUE(g_object_ref(document))), page};
    WatchHiding(document, id);
    return id;
}

// The window's pagehide, in the bridge's own world, lets the document's objects go: it comes when the
// document is navigated away from or its frame is removed.
void FacadeTable::WatchHiding(JSCValue* document, std::uint64_t id) {
    auto window = WindowOf(document);
    if (!window) return;
    JSCContext* context = jsc_value_get_context(document);
    auto hidden = [](gpointer data) {
        auto* hiding = static_cast<Hiding*>(data);
        hiding->table->ReleaseDocument(hiding->document);
    };
    auto destroy = [](gpointer data) { delete static_cast<Hiding*>(data); };
    g_autoptr(JSCValue) listener =
        jsc_value_new_function(context, nullptr, G_CALLBACK(+hidden), new Hiding{this, id}, destroy, G_TYPE_NONE, 0);
    g_autoptr(JSCValue) result = jsc_value_object_invoke_method(window.get(), "addEventListener", G_TYPE_STRING,
                                                                "pagehide", JSC_TYPE_VALUE, listener, G_TYPE_NONE);
    if (jsc_context_get_exception(context)) jsc_context_clear_exception(context);
}

FacadeRef FacadeTable::Add(JSCValue* object, std::uint64_t document) {
    std::uint64_t id = (static_cast<std::uint64_t>(getpid()) << 32) | ++next_;
    if (documents_.count(document))
        objects_[id] = {platform::GObjectPtr<JSCValue>(JSC_VALUE(g_object_ref(object))), document};
    return {id};
}

JSCValue* FacadeTable::Find(FacadeRef ref) {
    auto it = objects_.find(ref.id);
    if (it == objects_.end()) return nullptr;
    std::uint64_t document = it->second.document;
    if (!WindowOf(documents_.at(document).value.get())) {
        ReleaseDocument(document);
        return nullptr;
    }
    return it->second.object.get();
}

void FacadeTable::ReleaseDocument(std::uint64_t document) {
    std::erase_if(objects_, [document](const auto& item) { return item.second.document == document; });
    documents_.erase(document);
}

void FacadeTable::ReleasePage(std::uint64_t page) {
    std::erase_if(documents_, [&](const auto& item) {
        if (item.second.page != page) return false;
        std::erase_if(objects_, [&](const auto& object) { return object.second.document == item.first; });
        return true;
    });
}

void FacadeTable::Sweep() {
    std::vector<std::uint64_t> hidden;
    for (const auto& [id, document] : documents_) {
        if (!WindowOf(document.value.get())) hidden.push_back(id);
    }
    for (std::uint64_t id : hidden) ReleaseDocument(id);
}

}  // namespace tesra::bridge
