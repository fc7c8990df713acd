#include "services/LogIdentity.h"

#include "platform/Platform.h"
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

// The network of the default platform at each entry: the identity outlives any one platform.
LogIdentity MachineLogIdentity() {
    return {ClientVersion(), [] { return GetComputerNameUpper(platform::Default().network); },
            [] { return GetLocalIP(platform::Default().network); }};
}

}  // namespace tesra
