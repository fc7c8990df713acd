#include "services/TesraMessageImpl.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <tuple>
#include <type_traits>

#include "platform/Exception.h"
#include "services/TesraBrowser_TLB.h"
#include "support/PageValue.h"

namespace tesra {

namespace {

// The script value behind a late-bound argument; a page object is no value that converts.
PageValue ToPageValue(const Variant& value) {
    if (const auto* i = std::get_if<std::int32_t>(&value)) return PageValue::Of(static_cast<double>(*i));
    if (const auto* b = std::get_if<bool>(&value)) return PageValue::Of(*b);
    if (const auto* s = std::get_if<std::string>(&value)) return PageValue::Of(*s);
    if (std::holds_alternative<FacadeRef>(value)) throw Exception("类型不匹配", "EVariantTypeCastError");
    return PageValue::Null();
}

// The arguments converted by the types the member declares for them.
std::vector<Variant> Converted(const tlb::MemberType& type, const std::vector<Variant>& args) {
    std::vector<Variant> converted;
    auto arg = args.begin();
    for (std::size_t i = 0; i < type.params.size; ++i) {
        const tlb::Param& param = type.params.items[i];
        if (param.direction != tlb::Direction::In) continue;
        if (param.type == tlb::Type::Dispatch) {
            const auto* facade = std::get_if<FacadeRef>(&*arg);
            converted.emplace_back(facade ? *facade : FacadeRef{});
        } else if (param.type == tlb::Type::Long || param.type == tlb::Type::LongPtr) {
            converted.emplace_back(VariantToInt(*arg));
        } else {
            converted.emplace_back(VariantToText(*arg));
        }
        ++arg;
    }
    return converted;
}

// The request's payload from the converted arguments (an argument the request does not carry is not sent).
template <class P>
P PayloadOf(const std::vector<Variant>& in) {
    if constexpr (std::is_same_v<P, bridge::None>) {
        return {};
    } else if constexpr (std::is_same_v<P, bridge::Number>) {
        return {std::get<std::int32_t>(in.at(0))};
    } else {
        static_assert(std::is_same_v<P, bridge::HotKeyRegistration>, "a payload that no member's arguments make");
        return {std::get<std::int32_t>(in.at(0)), std::get<std::int32_t>(in.at(1)), std::get<std::int32_t>(in.at(2)),
                std::get<FacadeRef>(in.at(3)).id};
    }
}

Variant ValueOf(const bridge::None&) { return {}; }
Variant ValueOf(const bridge::Text& text) { return text.value; }
Variant ValueOf(const bridge::Flag& flag) { return flag.value; }

template <bridge::Name N, class P, class R>
TTesraMessage::InvokeResult Run(ServiceChannel& channel, const bridge::ScriptingMember<N, P, R>& member,
                                const std::vector<Variant>& args) {
    P payload;
    try {
        payload = PayloadOf<P>(Converted(member.type, args));
    } catch (const std::exception& e) {
        // An argument that does not convert: the member is not run.
        return {tlb::E_UNEXPECTED, {}, e.what()};
    }
    try {
        bridge::VariantPtr result = channel.Ask(member.name, bridge::Encode(payload));
        return {tlb::S_OK, ValueOf(bridge::Wire<R>::Decode(result.get())), {}};
    } catch (const std::exception& e) {
        return {tlb::E_UNEXPECTED, ValueOf(R{}), e.what()};
    } catch (...) {
        return {tlb::E_UNEXPECTED, ValueOf(R{}), "Catastrophic failure"};
    }
}

// The mode is not read.
TTesraMessage::InvokeResult Run(ServiceChannel&, const bridge::EmptyMember&, const std::vector<Variant>&) {
    return {tlb::S_OK, std::string(), {}};
}

}  // namespace

std::int32_t VariantToInt(const Variant& value) {
    std::int64_t number = PageValueToInteger(ToPageValue(value));
    if (number < INT32_MIN || number > INT32_MAX) throw Exception("类型不匹配", "EVariantTypeCastError");
    return static_cast<std::int32_t>(number);
}

std::string VariantToText(const Variant& value) { return PageValueToText(ToPageValue(value)); }

TTesraMessage::InvokeResult TTesraMessage::Invoke(int dispid, const std::vector<Variant>& args) {
    const tlb::Member* member = tlb::FindMember(dispid);
    if (!member) return {tlb::DISP_E_MEMBERNOTFOUND, {}, {}};
    if (args.size() != member->InParams().size()) return {tlb::DISP_E_BADPARAMCOUNT, {}, {}};
    InvokeResult result;
    std::apply(
        [&](const auto&... row) { ((row.type.dispid == dispid && (result = Run(channel_, row, args), true)) || ...); },
        bridge::kMembers);
    return result;
}

}  // namespace tesra
