#include "linux/bridge/ScriptingObjects.h"

#include <cstdio>

#include "services/BridgeProtocol.h"
#include "services/TesraBrowser_TLB.h"

namespace tesra::bridge {

// The members' work, asked of the program over the socket.
class ScriptingObjects::Channel final : public ServiceChannel {
public:
    explicit Channel(BridgeClient& client) : client_(client) {}

    VariantPtr Ask(const char* name, GVariant* payload) override { return client_.CallRaw(name, payload); }

private:
    BridgeClient& client_;
};

namespace {

struct Instance {
    ScriptingObjects::Channel* channel;
    FacadeTable* facades;
    BridgeClient* client;
    std::uint64_t document;
    TTesraMessage message;
};

Variant ToVariant(JSCValue* value, const tlb::Param& param, Instance& self) {
    if (!value || jsc_value_is_undefined(value) || jsc_value_is_null(value)) return std::monostate{};
    if (param.type == tlb::Type::Dispatch)
        return jsc_value_is_object(value) ? Variant{self.facades->Add(value, self.document)} : Variant{};
    if (jsc_value_is_boolean(value)) return static_cast<bool>(jsc_value_to_boolean(value));
    if (jsc_value_is_number(value)) return jsc_value_to_int32(value);
    g_autofree char* text = jsc_value_to_string(value);
    return std::string(text ? text : "");
}

JSCValue* FromVariant(JSCContext* context, const Variant& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return jsc_value_new_string(context, text->c_str());
    if (const auto* flag = std::get_if<bool>(&value)) return jsc_value_new_boolean(context, *flag);
    if (const auto* number = std::get_if<std::int32_t>(&value)) return jsc_value_new_number(context, *number);
    return jsc_value_new_undefined(context);
}

JSCValue* Run(Instance* self, const tlb::Member& member, GPtrArray* args) {
    JSCContext* context = jsc_context_get_current();
    std::vector<Variant> values;
    auto params = member.InParams();
    for (size_t i = 0; i < params.size(); ++i) {
        JSCValue* arg = args && i < args->len ? JSC_VALUE(g_ptr_array_index(args, i)) : nullptr;
        values.push_back(ToVariant(arg, params[i], *self));
    }
    TTesraMessage::InvokeResult result = self->message.Invoke(member.dispid, values);
    if (result.hresult != tlb::S_OK) {
        char code[32];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result.hresult));
        jsc_context_throw(context, result.description.empty() ? code : result.description.c_str());
        return jsc_value_new_undefined(context);
    }
    return FromVariant(context, result.value);
}

}  // namespace

ScriptingObjects::ScriptingObjects(BridgeClient& client, FacadeTable& facades) : client_(client), facades_(facades) {}

JSCValue* ScriptingObjects::Invoke(gpointer instance, GPtrArray* args, gpointer member) {
    return Run(static_cast<Instance*>(instance), *static_cast<const tlb::Member*>(member), args);
}

JSCValue* ScriptingObjects::Get(gpointer instance, gpointer member) {
    return Run(static_cast<Instance*>(instance), *static_cast<const tlb::Member*>(member), nullptr);
}

// The garbage collector runs this: the program hears of it from the main loop, not from here.
void ScriptingObjects::Release(gpointer instance) {
    auto* self = static_cast<Instance*>(instance);
    self->client->Post(kRequestNamed<"Service.ObjectReleased">);
    delete self;
}

JSCClass* ScriptingObjects::ClassFor(JSCContext* context) {
    auto* klass = static_cast<JSCClass*>(g_object_get_data(G_OBJECT(context), "tesra-scripting-class"));
    if (klass) return klass;
    klass = jsc_context_register_class(context, tlb::kClassName, nullptr, nullptr, &ScriptingObjects::Release);
    for (const tlb::Member& member : tlb::Members()) {
        auto* data = const_cast<tlb::Member*>(&member);
        if (member.kind == tlb::Kind::PropertyGet) {
            jsc_class_add_property(klass, member.name, JSC_TYPE_VALUE, G_CALLBACK(&ScriptingObjects::Get), nullptr,
                                   data, nullptr);
        } else {
            jsc_class_add_method_variadic(klass, member.name, G_CALLBACK(&ScriptingObjects::Invoke), data, nullptr,
                                          JSC_TYPE_VALUE);
        }
    }
    g_object_set_data(G_OBJECT(context), "tesra-scripting-class", klass);
    return klass;
}

JSCValue* ScriptingObjects::Create(JSCContext* context, std::uint64_t document) {
    static Channel channel(client_);
    auto* instance = new Instance{&channel, &facades_, &client_, document, TTesraMessage(channel)};
    JSCValue* object = jsc_value_new_object(context, instance, ClassFor(context));
    try {
        client_.Call(kRequestNamed<"Service.ObjectCreated">);
    } catch (const BridgeError& e) {
        std::fprintf(stderr, "TesraBrowser page bridge: %s\n", e.what());
    }
    return object;
}

}  // namespace tesra::bridge
