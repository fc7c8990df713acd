#include "services/LogIdentity.h"

#include "services/MachineAddress.h"
#include "setup/tsVersionInfo.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

std::string ClientVersion(platform::Environment& environment) {
    std::string name = GetProgramFileName(environment);
    try {
        return name + " " + GetFileVersionText(environment, "");
    } catch (const std::exception&) {
        return name;
    }
}

}  // namespace

LogIdentity MachineLogIdentity(platform::Environment& environment, platform::NetworkIdentity& network) {
    return {ClientVersion(environment), [&network] { return GetComputerNameUpper(network); },
            [&network] { return GetLocalIP(network); }};
}

}  // namespace tesra
