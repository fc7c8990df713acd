#include "services/TesraMessageImpl.h"

#include <cstdint>
#include <exception>

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

}  // namespace

std::int32_t VariantToInt(const Variant& value) {
    std::int64_t number = PageValueToInteger(ToPageValue(value));
    if (number < INT32_MIN || number > INT32_MAX) throw Exception("类型不匹配", "EVariantTypeCastError");
    return static_cast<std::int32_t>(number);
}

std::string VariantToText(const Variant& value) { return PageValueToText(ToPageValue(value)); }

template <typename Work>
std::int32_t TTesraMessage::SafeCall(Work work) {
    error_description_.clear();
    try {
        work();
        return tlb::S_OK;
    } catch (const std::exception& e) {
        error_description_ = e.what();
    } catch (...) {
        error_description_ = "Catastrophic failure";
    }
    return tlb::E_UNEXPECTED;
}

std::int32_t TTesraMessage::ShowNewMessageHint(std::int32_t newMessageCount, const std::string&) {
    return SafeCall([&] { channel_.ShowNewMessageHint(newMessageCount); });
}

std::int32_t TTesraMessage::Close() {
    return SafeCall([&] { channel_.Close(); });
}

std::int32_t TTesraMessage::GetCaptureImage(std::int32_t Amode, std::string& Value) {
    Value.clear();
    return SafeCall([&] { Value = channel_.GetCaptureImage(Amode); });
}

std::int32_t TTesraMessage::RegisterHotKey(std::int32_t id, std::int32_t modifier, std::int32_t vk, FacadeRef facade,
                                           bool& Vaule) {
    Vaule = false;
    return SafeCall([&] { Vaule = channel_.RegisterHotKey(id, modifier, vk, facade); });
}

std::int32_t TTesraMessage::Refresh() {
    return SafeCall([&] { channel_.Refresh(); });
}

std::int32_t TTesraMessage::get_VersionInfo(std::string& Value) {
    Value.clear();
    return SafeCall([&] { Value = channel_.VersionInfo(); });
}

// The client information reaches the page through the page hook's report; these answer empty.
std::int32_t TTesraMessage::GetCPUInfo(std::int32_t, std::string& Value) {
    Value.clear();
    return tlb::S_OK;
}

std::int32_t TTesraMessage::GetMemoryInfo(std::int32_t, std::string& Value) {
    Value.clear();
    return tlb::S_OK;
}

std::int32_t TTesraMessage::GetOSVersion(std::string& Value) {
    Value.clear();
    return tlb::S_OK;
}

std::int32_t TTesraMessage::GetInstalledSoft(std::string& Value) {
    Value.clear();
    return SafeCall([&] { Value = channel_.InstalledSoft(); });
}

TTesraMessage::InvokeResult TTesraMessage::Invoke(int dispid, const std::vector<Variant>& args) {
    const tlb::Member* member = tlb::FindMember(dispid);
    if (!member) return {tlb::DISP_E_MEMBERNOTFOUND, {}, {}};
    if (args.size() != member->InParams().size()) return {tlb::DISP_E_BADPARAMCOUNT, {}, {}};
    InvokeResult result;
    std::string text;
    bool flag = false;
    try {
        switch (dispid) {
        case 201:
            result.hresult = ShowNewMessageHint(VariantToInt(args[0]), VariantToText(args[1]));
            break;
        case 202:
            result.hresult = Close();
            break;
        case 203:
            result.hresult = GetCaptureImage(VariantToInt(args[0]), text);
            result.value = text;
            break;
        case 204: {
            const auto* facade = std::get_if<FacadeRef>(&args[3]);
            result.hresult = RegisterHotKey(VariantToInt(args[0]), VariantToInt(args[1]), VariantToInt(args[2]),
                                            facade ? *facade : FacadeRef{}, flag);
            result.value = flag;
            break;
        }
        case 205:
            result.hresult = Refresh();
            break;
        case 206:
            result.hresult = get_VersionInfo(text);
            result.value = text;
            break;
        case 207:
            result.hresult = GetCPUInfo(0, text);
            result.value = text;
            break;  // mode is not read
        case 208:
            result.hresult = GetMemoryInfo(0, text);
            result.value = text;
            break;
        case 209:
            result.hresult = GetOSVersion(text);
            result.value = text;
            break;
        case 210:
            result.hresult = GetInstalledSoft(text);
            result.value = text;
            break;
        }
    } catch (const std::exception& e) {
        // An argument that does not convert: the member is not run.
        return {tlb::E_UNEXPECTED, {}, e.what()};
    }
    if (result.hresult != tlb::S_OK) result.description = error_description_;
    return result;
}

}  // namespace tesra
