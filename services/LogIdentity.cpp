#include "services/LogIdentity.h"

#include "services/MachineAddress.h"
#include "setup/tsVersionInfo.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

std::string ClientVersion() {
    std::string name = GetProgramFileName();
    try {
        return name + " " + GetFileVersionText("");
    } catch (const std::exception&) {
        return name;
    }
}

}  // namespace

LogIdentity MachineLogIdentity(platform::NetworkIdentity& network) {
    return {ClientVersion(), [&network] { return GetComputerNameUpper(network); },
            [&network] { return GetLocalIP(network); }};
}

}  // namespace tesra
