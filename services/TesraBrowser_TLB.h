#pragma once
// The type information of the scripting object: library, interface and class identifiers, and the ten
// members with their slots, dispatch identifiers, parameter names, types and directions. Page script
// binds to these, so they never change.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace tesra::tlb {

constexpr char kLibraryName[] = "TesraBrowser";
constexpr char kLibraryHelp[] = "TesraBrowser Library";
constexpr char LIBID_TesraBrowser[] = "{3ACA0300-85D9-4CA7-BE30-C9A02386E8AC}";
constexpr int kLibraryMajor = 1;
constexpr int kLibraryMinor = 0;
constexpr char LIBID_stdole[] = "{00020430-0000-0000-C000-000000000046}";
constexpr char IID_ITesraMessage[] = "{290EE3DE-201E-4FCD-AAEB-8BB554E94041}";
constexpr char CLASS_TesraMessage[] = "{7D40B0F4-2DA0-4685-A5E2-DDBFE161FEB3}";
constexpr char IID_IObjectSafety[] = "{CB5BDC81-93C1-11CF-8F20-00805F2CD064}";
constexpr char kInterfaceName[] = "ITesraMessage";
constexpr char kClassName[] = "TesraMessage";

constexpr std::int32_t S_OK = 0;
constexpr std::int32_t E_UNEXPECTED = static_cast<std::int32_t>(0x8000FFFF);
constexpr std::int32_t DISP_E_UNKNOWNNAME = static_cast<std::int32_t>(0x80020006);
constexpr std::int32_t DISP_E_MEMBERNOTFOUND = static_cast<std::int32_t>(0x80020003);
constexpr std::int32_t DISP_E_BADPARAMCOUNT = static_cast<std::int32_t>(0x8002000E);
constexpr std::int32_t E_NOINTERFACE = static_cast<std::int32_t>(0x80004002);
constexpr int DISPID_UNKNOWN = -1;

enum class Type { Long, LongPtr, Bstr, BstrPtr, Dispatch, BoolPtr };
enum class Direction { In, OutRetval };

struct Param {
    const char* name = nullptr;
    Type type = Type::Long;
    Direction direction = Direction::In;
};

enum class Kind { Method, PropertyGet };

// A member's parameters as the scripting members' table writes them.
struct ParamList {
    constexpr ParamList() = default;
    // More parameters than the list holds do not compile where the list is a constant.
    constexpr ParamList(std::initializer_list<Param> params) {
        for (const Param& param : params) items[size++] = param;
    }
    std::array<Param, 5> items{};
    std::size_t size = 0;
};

// A member's type information as the scripting members' table writes it.
struct MemberType {
    int slot;
    int dispid;
    const char* name;
    Kind kind;
    ParamList params;

    constexpr const Param* Retval() const {
        for (std::size_t i = 0; i < params.size; ++i) {
            if (params.items[i].direction == Direction::OutRetval) return &params.items[i];
        }
        return nullptr;
    }
};

struct Member {
    int slot;
    int dispid;
    const char* name;
    Kind kind;
    std::vector<Param> params;

    // The parameters that script passes (the retval is the call's result, not an argument).
    std::vector<Param> InParams() const;
    // The retval parameter, or null when the member returns nothing.
    const Param* Retval() const;
};

// The members in interface order (slots 7 to 16), as the scripting members' table lists them.
const std::vector<Member>& Members();
// Name lookup as dispatch does it: ignoring letter case; DISPID_UNKNOWN when there is none.
int GetIDOfName(const std::string& name);
const Member* FindMember(int dispid);

}  // namespace tesra::tlb
