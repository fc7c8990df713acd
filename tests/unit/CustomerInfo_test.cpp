#include "services/CustomerInfo.h"

#include <gtest/gtest.h>

#include <cstring>

#include "PlatformFakes.h"
#include "platform/Exception.h"

namespace tesra {
namespace {
using namespace tesra::testing;
using platform::OsVersion;
using platform::ProcessorBrand;
using platform::VersionNumber;

constexpr std::uint64_t kMiB = 1024 * 1024;

// The bytes of text at the start, zero bytes after it.
ProcessorBrand Brand(std::string_view text) {
    ProcessorBrand brand{};
    std::memcpy(brand.data(), text.data(), std::min(text.size(), brand.size()));
    return brand;
}

ProcessorBrand WithBytes(ProcessorBrand brand, std::size_t offset, std::string_view bytes) {
    std::memcpy(brand.data() + offset, bytes.data(), bytes.size());
    return brand;
}

class CustomerInfoTest : public ::testing::Test {
protected:
    // The default platform while the fixture lives: the failure box goes to its boxes.
    fakes::FakePlatform fakes;
    FakeApplication& app = fakes.app;
    FakeBoxes& boxes = fakes.boxes;
    FakeSystem& system = fakes.system;
    AppBoxes appBoxes{boxes, app};
};

TEST(CustomerInfoText, BuildsTheProcessorText) {
    const std::string_view intel = "Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz";  // 39 characters
    ASSERT_EQ(intel.size(), 39u);
    const std::string full47 = "AMD Ryzen 7 5800X 8-Core Processor      ABCDxyz";  // 47 characters
    ASSERT_EQ(full47.size(), 47u);
    struct Case {
        const char* name;
        ProcessorBrand brand;
        unsigned count;
        std::string expected;
    } cases[] = {
        {"39 characters then zero bytes", Brand(intel), 4, std::string(intel) + ",4,"},
        {"right-aligned with leading blanks", Brand(std::string(8, ' ') + std::string(intel)), 8,
         std::string(intel) + ",8,3.10"},
        {"no brand at all", ProcessorBrand{}, 2, ",2,"},
        {"bytes 41 to 44 are trimmed", WithBytes(Brand(std::string(40, 'b')), 40, " ab\t"), 1,
         std::string(40, 'b') + " ab,1,ab"},
        {"48 characters, nothing dropped", Brand(full47 + "!"), 16, full47 + "!,16,ABCD"},
        {"final zero byte dropped", Brand(full47), 12, full47 + ",12,ABCD"},
        {"zero bytes before a last character stay inside", WithBytes(Brand("Name"), 47, "z"), 5,
         "Name" + std::string(43, '\0') + "z,5,"},
        {"zero bytes inside stay", Brand(std::string("Ab\0\0cd", 6)), 3, std::string("Ab\0\0cd,3,", 9)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CpuText(c.brand, c.count), c.expected);
    }
}

TEST(CustomerInfoText, RoundsMemoryToWholeMebibytesHalvesToEven) {
    struct Case {
        std::uint64_t bytes;
        std::string expected;
    } cases[] = {
        {8ull * 1024 * kMiB, "8192"},
        {1536 * kMiB + kMiB / 2, "1536"},      // 1536.5: the even neighbour is below
        {1537 * kMiB + kMiB / 2, "1538"},      // 1537.5: the even neighbour is above
        {1536 * kMiB + kMiB / 2 + 1, "1537"},  // just above the half
        {1536 * kMiB + kMiB / 2 - 1, "1536"},  // just below the half
        {kMiB / 2, "0"},
        {kMiB + kMiB / 2, "2"},
        {0, "0"},
        {3 * kMiB - 1, "3"},
        {64ull * 1024 * 1024 * kMiB, "67108864"},  // 64 TiB
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(MemoryText(c.bytes), c.expected);
    }
}

TEST(CustomerInfoText, NamesTheSystemByItsVersion) {
    struct Case {
        std::optional<VersionNumber> number;
        std::string_view expected;
    } cases[] = {
        {VersionNumber{0, 0}, "Windows NT"},
        {VersionNumber{3, 51}, "Windows NT"},
        {VersionNumber{4, 0}, "Windows NT"},
        {VersionNumber{4, 90}, "Windows NT"},
        {VersionNumber{5, 0}, "Windows 2000"},
        {VersionNumber{5, 1}, "Windows XP"},
        {VersionNumber{5, 2}, "Windows 2003"},
        {VersionNumber{5, 3}, "未知"},
        {VersionNumber{6, 0}, "Windows Vista"},
        {VersionNumber{6, 1}, "Windows 7"},
        {VersionNumber{6, 2}, "Windows 8"},
        {VersionNumber{6, 3}, "未知"},
        {VersionNumber{10, 0}, "未知"},
        {VersionNumber{7, 1}, "未知"},
        {std::nullopt, "未知"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number ? std::to_string(c.number->major) + "." + std::to_string(c.number->minor) : "none");
        EXPECT_EQ(WindowsName(c.number), c.expected);
    }
}

TEST(CustomerInfoText, WritesNameSpaceAndServicePack) {
    struct Case {
        OsVersion version;
        std::string_view expected;
    } cases[] = {
        {{VersionNumber{6, 2}, "Service Pack 1"}, "Windows 8 Service Pack 1"},
        {{VersionNumber{6, 3}, "Service Pack 1"}, "未知 Service Pack 1"},
        {{VersionNumber{10, 0}, ""}, "未知 "},
        {{VersionNumber{4, 7}, "Service Pack 6a"}, "Windows NT Service Pack 6a"},
        {{VersionNumber{5, 1}, ""}, "Windows XP "},
        {{std::nullopt, "Debian GNU/Linux 12 (bookworm)"}, "未知 Debian GNU/Linux 12 (bookworm)"},
        {{VersionNumber{6, 1}, std::string("SP1\0junk", 8)}, "Windows 7 SP1"},  // up to the first zero byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(OsVersionText(c.version), c.expected);
    }
}

TEST_F(CustomerInfoTest, ReadsTheProcessorFromTheSystem) {
    system.brand = Brand("Intel(R) Xeon(R) CPU");
    system.count = 32;
    EXPECT_EQ(ReadCpuInfo(system, appBoxes, 0), "Intel(R) Xeon(R) CPU,32,");
    system.brand.reset();
    EXPECT_EQ(ReadCpuInfo(system, appBoxes, 0), ",32,");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CustomerInfoTest, ProcessorFailureShowsErroAndKeepsWhatWasBuilt) {
    system.brand = Brand("  Some CPU  ");
    system.countFails = true;
    EXPECT_EQ(ReadCpuInfo(system, appBoxes, 0), "Some CPU");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "erro");
    EXPECT_EQ(boxes.shown[0].caption, app.title);
    EXPECT_EQ(boxes.shown[0].flags, platform::MB_ICONINFORMATION);
}

TEST_F(CustomerInfoTest, MemoryAndVersionFailuresAreSilentAndEmpty) {
    EXPECT_EQ(ReadMemoryInfo(system), "");
    EXPECT_EQ(ReadOSVersion(system), "");
    system.memory = 1536 * kMiB + kMiB / 2;
    system.version = OsVersion{VersionNumber{5, 1}, "Service Pack 3"};
    EXPECT_EQ(ReadMemoryInfo(system), "1536");
    EXPECT_EQ(ReadOSVersion(system), "Windows XP Service Pack 3");
    EXPECT_TRUE(boxes.shown.empty());
}

using platform::RegistryValue;
using platform::RootKey;
using Values = std::vector<std::pair<std::string, RegistryValue>>;

struct UninstallEntry {
    std::string subkey;
    Values values;
};

const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class InstalledSoftTest : public ::testing::Test {
protected:
    // Ordinary keys, created in the given order.
    void Fill(const std::vector<UninstallEntry>& entries) {
        ASSERT_TRUE(registry.CreateKey(RootKey::LocalMachine, kUninstall));
        for (const auto& entry : entries) {
            auto key = registry.CreateKey(RootKey::LocalMachine, std::string(kUninstall) + "\\" + entry.subkey);
            ASSERT_TRUE(key);
            for (const auto& [name, value] : entry.values) key->SetValue(name, value);
        }
    }

    platform::MemoryRegistry registry;
};

RegistryValue Text(std::string text) { return RegistryValue::String(std::move(text)); }

TEST_F(InstalledSoftTest, NoUninstallKeyGivesTheEmptyText) { EXPECT_EQ(ReadInstalledSoft(registry), ""); }

TEST_F(InstalledSoftTest, ListsTheSubkeysThatHaveADisplayName) {
    const RegistryValue number = RegistryValue::DWord(7);
    struct Case {
        const char* name;
        std::vector<UninstallEntry> entries;
        std::string expected;
    } cases[] = {
        {"two subkeys, the second without a version",
         {{"AlphaSetup", {{"DisplayName", Text("Alpha")}, {"DisplayVersion", Text("2.1")}}},
          {"{X1}", {{"DisplayName", Text("Beta")}}}},
         "【Alpha 版本：2.1】,【{X1}】"},
        {"no subkeys", {}, ""},
        {"no subkey with a display name",
         {{"A", {{"DisplayVersion", Text("1.0")}}}, {"B", {}}, {"C", {{"Publisher", Text("x")}}}},
         ""},
        {"subkeys without a display name are skipped",
         {{"A", {{"DisplayVersion", Text("1.0")}}},
          {"B", {{"DisplayName", Text("Bee")}, {"DisplayVersion", Text("3")}}}},
         "【Bee 版本：3】"},
        {"creation order, not name order",
         {{"zeta", {{"DisplayName", Text("Zeta")}, {"DisplayVersion", Text("1")}}},
          {"alpha", {{"DisplayName", Text("Alpha")}, {"DisplayVersion", Text("2")}}}},
         "【Zeta 版本：1】,【Alpha 版本：2】"},
        {"texts as they stand, expandable strings too",
         {{"wps", {{"DisplayName", Text("WPS 办公软件")}, {"DisplayVersion", RegistryValue::ExpandString("%V%")}}},
          {"empty", {{"DisplayName", Text("")}, {"DisplayVersion", Text("")}}}},
         "【WPS 办公软件 版本：%V%】,【 版本：】"},
        {"a number as version ends the list there",
         {{"A", {{"DisplayName", Text("A")}, {"DisplayVersion", Text("1")}}},
          {"B", {{"DisplayName", Text("B")}, {"DisplayVersion", number}}},
          {"C", {{"DisplayName", Text("C")}, {"DisplayVersion", Text("3")}}}},
         "【A 版本：1】"},
        {"also in a subkey without a display name",
         {{"A", {{"DisplayName", Text("A")}}},
          {"B", {{"DisplayVersion", number}}},
          {"C", {{"DisplayName", Text("C")}}}},
         "【A】"},
        {"a number as display name ends the list there",
         {{"A", {{"DisplayName", number}}}, {"B", {{"DisplayName", Text("B")}}}},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registry.DeleteKey(RootKey::LocalMachine, kUninstall);
        Fill(c.entries);
        EXPECT_EQ(ReadInstalledSoft(registry), c.expected);
    }
}

TEST_F(InstalledSoftTest, TheListNeedsNoRightToChangeTheMachineHive) {
    registry.AddProvidedKey(RootKey::LocalMachine, std::string(kUninstall) + "\\bash",
                            {{"DisplayName", Text("bash")}, {"DisplayVersion", Text("5.2.15-2+b2")}});
    Fill({{"tool", {{"DisplayName", Text("Tool")}}}});
    registry.SetWritable(RootKey::LocalMachine, false);
    EXPECT_EQ(ReadInstalledSoft(registry), "【bash 版本：5.2.15-2+b2】,【tool】");
}

TEST_F(InstalledSoftTest, TheReportHoldsAllFourTexts) {
    FakeSystem system;
    system.brand = Brand("CPU X");
    system.count = 2;
    system.memory = 2048 * kMiB;
    system.version = OsVersion{VersionNumber{6, 1}, "Service Pack 1"};
    Fill({{"a", {{"DisplayName", Text("A")}, {"DisplayVersion", Text("1")}}}});

    fakes::FakePlatform fakes;
    const ClientReport report = ReadClientReport(system, registry, AppBoxes(fakes.boxes, fakes.app));
    EXPECT_EQ(report.cpu, "CPU X,2,");
    EXPECT_EQ(report.memory, "2048");
    EXPECT_EQ(report.os, "Windows 7 Service Pack 1");
    EXPECT_EQ(report.software, "【A 版本：1】");
}

}  // namespace
}  // namespace tesra
