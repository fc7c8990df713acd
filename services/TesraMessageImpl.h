#pragma once
// The scripting object handed to the page: ten members that forward to the program's services. It
// holds no state; every failure becomes the member's result code and an error description.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "services/BridgeProtocol.h"

namespace tesra {

// A page object held for the program by the page bridge (a hot-key facade).
struct FacadeRef {
    std::uint64_t id = 0;
    bool operator==(const FacadeRef&) const = default;
};

// A late-bound argument or result. A null value from script is the monostate.
using Variant = std::variant<std::monostate, std::int32_t, bool, std::string, FacadeRef>;

// Asks the program for a member's work.
class ServiceChannel {
public:
    virtual ~ServiceChannel() = default;
    // The request's name and payload (a floating payload is taken) in, the result of the request's type
    // out. Throws with the program's message when the work failed or the program cannot be asked.
    virtual bridge::VariantPtr Ask(const char* name, GVariant* payload) = 0;
};

// The scripting object handed to the page: its members as the scripting members' table declares them.
class TTesraMessage {
public:
    explicit TTesraMessage(ServiceChannel& channel) : channel_(channel) {}

    struct InvokeResult {
        std::int32_t hresult = 0;
        Variant value;
        std::string description;  // the error's message when hresult is not 0
    };
    // Dispatch by dispatch identifier with positional arguments, served from the type information: the
    // arguments are converted by their declared types and the member's request asks the program. A
    // failure becomes the result code with the error's message; the out value is then empty.
    InvokeResult Invoke(int dispid, const std::vector<Variant>& args);

private:
    ServiceChannel& channel_;
};

// Lenient conversions of late-bound values: null converts to 0 and to the empty text.
std::int32_t VariantToInt(const Variant& value);
std::string VariantToText(const Variant& value);

}  // namespace tesra
