#include "services/TesraBrowser_TLB.h"

#include <tuple>

#include "services/BridgeProtocol.h"
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

namespace {

Member Listed(const MemberType& type) {
    const auto* params = type.params.items.data();
    return {type.slot, type.dispid, type.name, type.kind, {params, params + type.params.size}};
}

}  // namespace

const std::vector<Member>& Members() {
    static const std::vector<Member> members =
        std::apply([](const auto&... row) { return std::vector<Member>{Listed(row.type)...}; }, bridge::kMembers);
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
