#include "services/TesraBrowser_TLB.h"

#include "support/tsCommon.h"

namespace tesra::tlb {

std::vector<Param> Member::InParams() const {
    std::vector<Param> in;
    for (const auto& p : params) {
        if (p.direction == Direction::In) in.push_back(p);
    }
    return in;
}

const Param* Member::Retval() const {
    for (const auto& p : params) {
        if (p.direction == Direction::OutRetval) return &p;
    }
    return nullptr;
}

const std::vector<Member>& Members() {
    using enum Type;
    using enum Direction;
    static const std::vector<Member> members = {
        {7, 201, "ShowNewMessageHint", Kind::Method, {{"newMessageCount", Long, In}, {"clickCommand", Bstr, In}}},
        {8, 202, "Close", Kind::Method, {}},
        {9, 203, "GetCaptureImage", Kind::Method, {{"Amode", LongPtr, In}, {"Value", BstrPtr, OutRetval}}},
        {10,
         204,
         "RegisterHotKey",
         Kind::Method,
         {{"id", Long, In},
          {"modifier", Long, In},
          {"vk", Long, In},
          {"facade", Dispatch, In},
          {"Vaule", BoolPtr, OutRetval}}},
        {11, 205, "Refresh", Kind::Method, {}},
        {12, 206, "VersionInfo", Kind::PropertyGet, {{"Value", BstrPtr, OutRetval}}},
        {13, 207, "GetCPUInfo", Kind::Method, {{"mode", LongPtr, In}, {"Value", BstrPtr, OutRetval}}},
        {14, 208, "GetMemoryInfo", Kind::Method, {{"mode", LongPtr, In}, {"Value", BstrPtr, OutRetval}}},
        {15, 209, "GetOSVersion", Kind::Method, {{"Value", BstrPtr, OutRetval}}},
        {16, 210, "GetInstalledSoft", Kind::Method, {{"Value", BstrPtr, OutRetval}}},
    };
    return members;
}

int GetIDOfName(const std::string& name) {
    for (const auto& m : Members()) {
        if (SameText(m.name, name)) return m.dispid;
    }
    return DISPID_UNKNOWN;
}

const Member* FindMember(int dispid) {
    for (const auto& m : Members()) {
        if (m.dispid == dispid) return &m;
    }
    return nullptr;
}

}  // namespace tesra::tlb
