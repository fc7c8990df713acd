#include "platform/Platform.h"

#include <gtest/gtest.h>

#include "PlatformFakes.h"

namespace tesra {
namespace {

TEST(DefaultPlatform, IsTheLatestOneAliveAndThePreviousOneAfterIt) {
    const platform::Platform& outer = platform::Default();
    {
        fakes::FakePlatform first;
        EXPECT_EQ(&platform::Default(), &first.handle);
        {
            fakes::FakePlatform second;
            EXPECT_EQ(&platform::Default(), &second.handle);
        }
        EXPECT_EQ(&platform::Default(), &first.handle);
    }
    EXPECT_EQ(&platform::Default(), &outer);
}

TEST(DefaultPlatform, AHandleWithOneInterfaceSwapped) {
    fakes::FakePlatform fakes;
    platform::MemoryRegistry other;
    const platform::Platform swapped = fakes::With(fakes.handle, other);
    EXPECT_EQ(&swapped.registry, &other);
    EXPECT_EQ(&swapped.app, &fakes.app);
    {
        const platform::DefaultPlatform asDefault(swapped);
        EXPECT_EQ(&platform::Default().registry, &other);
    }
    EXPECT_EQ(&platform::Default().registry, &fakes.registry);
}

}  // namespace
}  // namespace tesra
