#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "LinuxPlatformFakes.h"
#include "linux/FileRegistry.h"
#include "linux/LinuxSystemInfo.h"
#include "services/CustomerInfo.h"

namespace tesra {
namespace {
using namespace tesra::testing;

class LinuxCustomerInfoTest : public ::testing::Test {
protected:
    // The default platform while the fixture lives: a failure box would go to its boxes.
    fakes::LinuxFakePlatform fakes;
    FakeBoxes& boxes = fakes.boxes;
    platform::LinuxSystemInfo system;
};

TEST_F(LinuxCustomerInfoTest, ProcessorTextEndsWithTheLogicalProcessorCount) {
    const unsigned count = system.ProcessorCount();
    EXPECT_GE(count, 1u);
    const std::string text = ReadCpuInfo(system, AppBoxes(fakes.boxes, fakes.app), 0);
    EXPECT_TRUE(boxes.shown.empty());
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, std::regex("([^,]*),([0-9]+),([^,]{0,4})"))) << text;
    EXPECT_EQ(match[2].str(), std::to_string(count));
#if defined(__x86_64__) || defined(__i386__)
    // Every x86 processor of this century has brand leaves.
    ASSERT_TRUE(system.ProcessorBrandBytes().has_value());
    EXPECT_FALSE(match[1].str().empty()) << text;
#endif
}

TEST_F(LinuxCustomerInfoTest, MemoryIsAPositiveNumberOfMebibytes) {
    const auto bytes = system.TotalPhysicalMemory();
    ASSERT_TRUE(bytes.has_value());
    const std::string text = ReadMemoryInfo(system);
    ASSERT_TRUE(std::regex_match(text, std::regex("[1-9][0-9]*"))) << text;
    EXPECT_EQ(text, MemoryText(*bytes));
}

TEST_F(LinuxCustomerInfoTest, SystemIsUnknownWithTheDistributionName) {
    const auto version = system.Version();
    ASSERT_TRUE(version.has_value());
    EXPECT_FALSE(version->number.has_value());
    EXPECT_FALSE(version->servicePack.empty());
    const std::string text = ReadOSVersion(system);
    EXPECT_EQ(text, "未知 " + version->servicePack);
}

TEST(BrandFromCpuInfo, TakesTheFirstModelName) {
    struct Case {
        const char* name;
        std::string cpuinfo;
        std::optional<std::string> expected;  // the 48 bytes, zero-padded
    } cases[] = {
        {"arm",
         "processor\t: 0\nBogoMIPS\t: 108.00\nmodel name\t: ARMv7 Processor rev 3 (v7l)\n"
         "processor\t: 1\nmodel name\t: other\n",
         std::string("ARMv7 Processor rev 3 (v7l)") + std::string(21, '\0')},
        {"longer than 48", "model name : " + std::string(50, 'x') + "\n", std::string(48, 'x')},
        {"empty name", "model name\t:\n", std::string(48, '\0')},
        {"none", "processor\t: 0\nCPU implementer\t: 0x41\n", std::nullopt},
        {"no colon", "model name\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream input(c.cpuinfo);
        const auto brand = platform::BrandFromCpuInfo(input);
        ASSERT_EQ(brand.has_value(), c.expected.has_value());
        if (brand) {
            EXPECT_EQ(std::string(brand->begin(), brand->end()), *c.expected);
        }
    }
}

TEST(LinuxInstalledSoft, ListsTheInstalledPackagesEvenWhereTheMachineHiveIsReadOnly) {
    TempHome home;
    const auto machine = home.Root() / "machine";
    std::filesystem::create_directories(machine);
    std::ofstream(home.Root() / "status") << "Package: bash\nStatus: install ok installed\nVersion: 5.2.15-2+b2\n\n"
                                             "Package: gone\nStatus: deinstall ok config-files\nVersion: 1\n\n"
                                             "Package: 中文工具\nStatus: install ok installed\n\n"
                                             "Package: zlib1g\nStatus: install ok installed\nVersion: 1:1.2.13\n";
    std::filesystem::permissions(machine, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    platform::FileRegistry registry(
        {(home.Root() / "HKCU.reg").string(), (machine / "HKLM.reg").string(), (home.Root() / "status").string()});
    EXPECT_EQ(ReadInstalledSoft(registry), "【bash 版本：5.2.15-2+b2】,【中文工具】,【zlib1g 版本：1:1.2.13】");
}

}  // namespace
}  // namespace tesra
