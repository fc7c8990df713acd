#pragma once
// The scripting object handed to the page: ten members that forward to the program's services. It
// holds no state; every failure becomes the member's result code and an error description.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tesra {

// A page object held for the program by the page bridge (a hot-key facade).
struct FacadeRef {
    std::uint64_t id = 0;
    bool operator==(const FacadeRef&) const = default;
};

// A late-bound argument or result. A null value from script is the monostate.
using Variant = std::variant<std::monostate, std::int32_t, bool, std::string, FacadeRef>;

// What the members need from the program (one main window, whichever page holds the object).
class ServiceChannel {
public:
    virtual ~ServiceChannel() = default;
    virtual void ShowNewMessageHint(std::int32_t count) = 0;
    virtual void Close() = 0;
    virtual std::string GetCaptureImage(std::int32_t mode) = 0;
    virtual bool RegisterHotKey(std::int32_t id, std::int32_t modifier, std::int32_t vk, FacadeRef facade) = 0;
    virtual void Refresh() = 0;
    virtual std::string VersionInfo() = 0;
    virtual std::string InstalledSoft() = 0;
};

class TTesraMessage {
public:
    explicit TTesraMessage(ServiceChannel& channel) : channel_(channel) {}

    // The members, each returning its result code (0 on success) with the out value cleared first.
    std::int32_t ShowNewMessageHint(std::int32_t newMessageCount, const std::string& clickCommand);
    std::int32_t Close();
    std::int32_t GetCaptureImage(std::int32_t Amode, std::string& Value);
    std::int32_t RegisterHotKey(std::int32_t id, std::int32_t modifier, std::int32_t vk, FacadeRef facade, bool& Vaule);
    std::int32_t Refresh();
    std::int32_t get_VersionInfo(std::string& Value);
    std::int32_t GetCPUInfo(std::int32_t mode, std::string& Value);
    std::int32_t GetMemoryInfo(std::int32_t mode, std::string& Value);
    std::int32_t GetOSVersion(std::string& Value);
    std::int32_t GetInstalledSoft(std::string& Value);

    struct InvokeResult {
        std::int32_t hresult = 0;
        Variant value;
        std::string description;  // the error's message when hresult is not 0
    };
    // Dispatch by dispatch identifier with positional arguments, served from the type information.
    InvokeResult Invoke(int dispid, const std::vector<Variant>& args);

private:
    template <typename Work>
    std::int32_t SafeCall(Work work);

    ServiceChannel& channel_;
    std::string error_description_;
};

// Lenient conversions of late-bound values: null converts to 0 and to the empty text.
std::int32_t VariantToInt(const Variant& value);
std::string VariantToText(const Variant& value);

}  // namespace tesra
