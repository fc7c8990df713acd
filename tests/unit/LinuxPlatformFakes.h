#pragma once
// The program's own environment with fakes of the rest of the platform, for the tests of the Linux layer.

#include "PlatformFakes.h"
#include "linux/LinuxEnvironment.h"

namespace tesra::fakes {

struct LinuxEnvironmentHolder {
    platform::LinuxEnvironment linuxEnvironment;
};

class LinuxFakePlatform : private LinuxEnvironmentHolder, public FakePlatform {
public:
    LinuxFakePlatform() : FakePlatform(linuxEnvironment) {}
};

}  // namespace tesra::fakes
