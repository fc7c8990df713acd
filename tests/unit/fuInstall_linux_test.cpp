// The browser environment settings of each start and their restore, over the memory registry.
#include "setup/fuInstall.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "LinuxPlatformFakes.h"
#include "LogTestSupport.h"
#include "SupportFakes.h"
#include "linux/FileRegistry.h"
#include "linux/Folders.h"
#include "linux/LinuxEnvironment.h"
#include "platform/InstallForm.h"
#include "registry/MemoryRegistry.h"

namespace tesra {
namespace {

using platform::Access;
using platform::MemoryRegistry;
using platform::RegistryError;
using platform::RegistryValue;
using platform::RootKey;

constexpr RootKey HKCU = RootKey::CurrentUser;
constexpr RootKey HKLM = RootKey::LocalMachine;

const char kCacheSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache";
const char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kMachineInternetSettings[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kExplorerMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
// The per-address setup runs too: against a loopback port that refuses, so its downloads fail at once.
const char kUrl[] = "http://127.0.0.1:1/app/";

class NoForm : public platform::InstallForm {
public:
    void Show() override {}
    void SetStatus(const std::string&) override {}
};

// A memory registry whose n-th change fails, as a disk that fills up would.
class FailingRegistry : public MemoryRegistry {
public:
    int failAt = 0;
    void ChangeHive(RootKey root, const std::function<void(platform::RegistryNode&)>& change) override {
        if (++changes_ == failAt) throw RegistryError("写入注册表文件失败：No space left on device");
        MemoryRegistry::ChangeHive(root, change);
    }

private:
    int changes_ = 0;
};

class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* path : {kCacheSettings, kInternetSettings, kShellFolders}) reg.CreateKey(HKCU, path);
        for (const char* path : {kMachineInternetSettings, kExplorerMain}) reg.CreateKey(HKLM, path);
        fakes.factory.makeInstallForm = [] { return std::make_unique<NoForm>(); };
    }

    std::optional<RegistryValue> Value(RootKey root, const char* path, const std::string& name) {
        auto key = reg.OpenKey(root, path, Access::Read);
        return key ? key->Value(name) : std::nullopt;
    }
    std::optional<RegistryValue> Cache() { return Value(HKCU, kShellFolders, "Cache"); }
    std::optional<RegistryValue> SyncMode() { return Value(HKCU, kInternetSettings, "SyncMode5"); }
    void SetCache(const RegistryValue& value) {
        reg.OpenKey(HKCU, kShellFolders, Access::Full)->SetValue("Cache", value);
    }

    testing::TempHome home;
    const testing::ScopedEnv cacheHome{"XDG_CACHE_HOME", "/home/u/.cache"};
    FailingRegistry reg;
    fakes::LinuxFakePlatform fakes;
    const platform::Platform handle = fakes::With(fakes.handle, reg);
    testing::FakeLog log;
    SetupRun run;
};

TEST_F(EnvironmentTest, TheProgramCacheFolderIsInTheUsersCacheFolder) {
    EXPECT_EQ(ProgramCacheFolder(fakes.handle.environment), "/home/u/.cache/TesraBrowserCache");
}

TEST_F(EnvironmentTest, StartupWritesTheFiveValues) {
    SetCache(RegistryValue::ExpandString("/home/u/.cache/TesraBrowser"));
    TtbInstaller::Startup(handle, log, run, kUrl);
    EXPECT_EQ(Value(HKCU, kCacheSettings, "Persistent"), RegistryValue::DWord(1));
    EXPECT_EQ(SyncMode(), RegistryValue::DWord(0));
    EXPECT_EQ(Cache(), RegistryValue::String("/home/u/.cache/TesraBrowserCache"));
    EXPECT_EQ(Value(HKLM, kMachineInternetSettings, "BypassSSLNoCacheCheck"), RegistryValue::DWord(1));
    EXPECT_EQ(Value(HKLM, kExplorerMain, "TabProcGrowth"), RegistryValue::DWord(0));
    EXPECT_EQ(run.savedCacheFolder, "/home/u/.cache/TesraBrowser");  // unexpanded, as read
}

TEST_F(EnvironmentTest, TheSavedFolderIsTheStoredTextUnexpanded) {
    SetCache(RegistryValue::ExpandString("%HOME%/cache"));
    TtbInstaller(handle, log, run, "u").SetEnvironment();
    EXPECT_EQ(run.savedCacheFolder, "%HOME%/cache");
    TtbInstaller::RestoreEnvironment(handle, run);
    EXPECT_EQ(Cache(), RegistryValue::String("%HOME%/cache"));
}

TEST_F(EnvironmentTest, RestoreFollowsTheCacheValueReadAtStart) {
    struct Case {
        std::string what;
        std::optional<RegistryValue> atStart;
        std::optional<RegistryValue> afterRestore;
        std::optional<RegistryValue> syncModeAfterRestore;
    };
    const std::string own = "/home/u/.cache/TesraBrowserCache";
    const Case cases[] = {
        {"another folder comes back as a plain string", RegistryValue::ExpandString("/data/cache"),
         RegistryValue::String("/data/cache"), RegistryValue::DWord(4)},
        {"the program's own folder becomes the engine's default", RegistryValue::String(own),
         RegistryValue::String("/home/u/.cache/TesraBrowser"), RegistryValue::DWord(4)},
        {"the replacement compares case-sensitively", RegistryValue::String("/home/u/.cache/tesrabrowsercache"),
         RegistryValue::String("/home/u/.cache/tesrabrowsercache"), RegistryValue::DWord(4)},
        {"a missing value is never restored", std::nullopt, RegistryValue::String(own), RegistryValue::DWord(0)},
        {"an empty value counts as missing", RegistryValue::String(""), RegistryValue::String(own),
         RegistryValue::DWord(0)},
        {"a DWORD is no folder: missing", RegistryValue::DWord(1), RegistryValue::String(own), RegistryValue::DWord(0)},
        {"binary is no folder: missing", RegistryValue::Binary({0x2f, 0xff}), RegistryValue::String(own),
         RegistryValue::DWord(0)},
        {"a multi-string is no folder: missing", RegistryValue::MultiString({"/a", "/b"}), RegistryValue::String(own),
         RegistryValue::DWord(0)},
        {"a very long folder comes back whole", RegistryValue::String("/" + std::string(20000, 'd')),
         RegistryValue::String("/" + std::string(20000, 'd')), RegistryValue::DWord(4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        run.savedCacheFolder.clear();
        auto key = reg.OpenKey(HKCU, kShellFolders, Access::Full);
        key->DeleteValue("Cache");
        if (c.atStart) key->SetValue("Cache", *c.atStart);
        TtbInstaller::Startup(handle, log, run, kUrl);
        for (int download = 0; download < 3; ++download) {
            TtbInstaller::RestoreEnvironment(handle, run);
            EXPECT_EQ(Cache(), c.afterRestore);
            EXPECT_EQ(SyncMode(), c.syncModeAfterRestore);
            EXPECT_EQ(Value(HKCU, kCacheSettings, "Persistent"), RegistryValue::DWord(1));  // never restored
        }
    }
}

TEST_F(EnvironmentTest, EveryRestoreWritesTheSameTwoValuesAgain) {
    SetCache(RegistryValue::String("/data/cache"));
    TtbInstaller::Startup(handle, log, run, kUrl);
    TtbInstaller::RestoreEnvironment(handle, run);
    // Something else changes them between two downloads.
    SetCache(RegistryValue::String("/elsewhere"));
    reg.OpenKey(HKCU, kInternetSettings, Access::Full)->WriteDWord("SyncMode5", 0);
    TtbInstaller::RestoreEnvironment(handle, run);
    EXPECT_EQ(Cache(), RegistryValue::String("/data/cache"));
    EXPECT_EQ(SyncMode(), RegistryValue::DWord(4));
}

TEST_F(EnvironmentTest, RestoreWithoutAStartChangesNothing) {
    int before = reg.ChangeCount(HKCU);
    TtbInstaller::RestoreEnvironment(handle, run);
    EXPECT_EQ(reg.ChangeCount(HKCU), before);
    EXPECT_EQ(Cache(), std::nullopt);
    EXPECT_EQ(SyncMode(), std::nullopt);
}

TEST_F(EnvironmentTest, InstallModeLeavesTheFiveValuesAlone) {
    SetCache(RegistryValue::String("/data/cache"));
    int machine = reg.ChangeCount(HKLM);
    TtbInstaller::Install(handle, log, run, kUrl);
    TtbInstaller::RestoreEnvironment(handle, run);
    // The user's hive gets the setup record, and nothing of the five.
    EXPECT_EQ(Value(HKCU, kCacheSettings, "Persistent"), std::nullopt);
    EXPECT_EQ(SyncMode(), std::nullopt);
    EXPECT_EQ(Cache(), RegistryValue::String("/data/cache"));
    EXPECT_EQ(reg.ChangeCount(HKLM), machine);
    EXPECT_EQ(run.savedCacheFolder, "");
}

TEST_F(EnvironmentTest, WithoutAdministratorRightsTheMachineValuesAreSkipped) {
    SetCache(RegistryValue::String("/data/cache"));
    reg.SetWritable(HKLM, false);
    TtbInstaller::Startup(handle, log, run, kUrl);
    EXPECT_EQ(Value(HKLM, kMachineInternetSettings, "BypassSSLNoCacheCheck"), std::nullopt);
    EXPECT_EQ(Value(HKLM, kExplorerMain, "TabProcGrowth"), std::nullopt);
    EXPECT_EQ(Cache(), RegistryValue::String(ProgramCacheFolder(fakes.handle.environment)));
    EXPECT_EQ(SyncMode(), RegistryValue::DWord(0));
}

TEST_F(EnvironmentTest, AKeyThatIsMissingIsSkippedAndTheOthersAreStillWritten) {
    struct Case {
        RootKey root;
        const char* missing;
    };
    const Case cases[] = {
        {HKCU, kCacheSettings},           {HKCU, kInternetSettings}, {HKCU, kShellFolders},
        {HKLM, kMachineInternetSettings}, {HKLM, kExplorerMain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.missing);
        MemoryRegistry fresh;
        for (const char* path : {kCacheSettings, kInternetSettings, kShellFolders}) fresh.CreateKey(HKCU, path);
        for (const char* path : {kMachineInternetSettings, kExplorerMain}) fresh.CreateKey(HKLM, path);
        fresh.OpenKey(HKCU, kShellFolders, Access::Full)->WriteString("Cache", "/data/cache");
        fresh.DeleteKey(c.root, c.missing);
        const platform::Platform handle = fakes::With(fakes.handle, fresh);
        run.savedCacheFolder.clear();
        TtbInstaller::Startup(handle, log, run, kUrl);
        TtbInstaller::RestoreEnvironment(handle, run);

        auto value = [&](RootKey root, const char* path, const char* name) -> std::optional<RegistryValue> {
            auto key = fresh.OpenKey(root, path, Access::Read);
            return key ? key->Value(name) : std::nullopt;
        };
        auto expect = [&](RootKey root, const char* path, const char* name, RegistryValue written) {
            if (fresh.KeyExists(root, path)) {
                EXPECT_EQ(value(root, path, name), written) << name;
            }
        };
        expect(HKCU, kCacheSettings, "Persistent", RegistryValue::DWord(1));
        expect(HKLM, kMachineInternetSettings, "BypassSSLNoCacheCheck", RegistryValue::DWord(1));
        expect(HKLM, kExplorerMain, "TabProcGrowth", RegistryValue::DWord(0));
        bool cacheRead = fresh.KeyExists(HKCU, kShellFolders);
        EXPECT_EQ(run.savedCacheFolder, cacheRead ? "/data/cache" : "");
        if (cacheRead) expect(HKCU, kShellFolders, "Cache", RegistryValue::String("/data/cache"));
        // The freshness check goes back to automatic only after a start that read a folder.
        expect(HKCU, kInternetSettings, "SyncMode5", RegistryValue::DWord(cacheRead ? 4 : 0));
        EXPECT_FALSE(fresh.KeyExists(c.root, c.missing));  // nothing is created
    }
}

TEST_F(EnvironmentTest, AFailedWriteKeepsTheValuesBeforeItAndTheStartGoesOn) {
    // The five writes in order; a failure at the n-th leaves exactly the ones before it. The page
    // needs none of them: the start goes on, and the next start writes them again.
    struct Row {
        RootKey root;
        const char* path;
        const char* name;
    };
    const Row rows[] = {
        {HKCU, kCacheSettings, "Persistent"},   {HKCU, kInternetSettings, "SyncMode5"},
        {HKCU, kShellFolders, "Cache"},         {HKLM, kMachineInternetSettings, "BypassSSLNoCacheCheck"},
        {HKLM, kExplorerMain, "TabProcGrowth"},
    };
    for (int failAt = 1; failAt <= 5; ++failAt) {
        SCOPED_TRACE(failAt);
        FailingRegistry failing;
        for (const char* path : {kCacheSettings, kInternetSettings, kShellFolders}) failing.CreateKey(HKCU, path);
        for (const char* path : {kMachineInternetSettings, kExplorerMain}) failing.CreateKey(HKLM, path);
        int setupChanges = failing.ChangeCount(HKCU) + failing.ChangeCount(HKLM);
        failing.failAt = setupChanges + failAt;
        const platform::Platform handle = fakes::With(fakes.handle, failing);
        run.savedCacheFolder.clear();
        EXPECT_NO_THROW(TtbInstaller::Startup(handle, log, run, kUrl));
        for (int row = 0; row < 5; ++row) {
            auto key = failing.OpenKey(rows[row].root, rows[row].path, Access::Read);
            EXPECT_EQ(key->HasValue(rows[row].name), row + 1 < failAt) << rows[row].name;
        }
    }
}

TEST(StartWriteFailures, OneEntryForAllOfThem) {
    struct Row {
        std::vector<std::string> causes;
        std::string text;
    };
    const Row rows[] = {
        {{}, ""},
        {{"写入注册表文件“/c/HKCU.reg”失败：No space left on device"},
         "启动时未能保存，下次启动时重试：写入注册表文件“/c/HKCU.reg”失败：No space left on device"},
        {{"a", "b", "c"}, "启动时未能保存，下次启动时重试：a；b；c"},
    };
    for (const Row& row : rows) EXPECT_EQ(StartWriteFailures(row.causes), row.text);
}

// A cache value or an address record that cannot be read as text stops no start: it counts as absent,
// and the client log names it.
class UnreadableStartSettings : public testing::LogFixtureWith<platform::LinuxEnvironment> {
protected:
    MemoryRegistry reg;
    const platform::Platform handle = fakes::With(fakes.handle, reg);
    SetupRun run;
};

TEST_F(UnreadableStartSettings, TheCacheFolderAndTheAddressRecordOfAnotherTypeAreAbsentAndLogged) {
    const std::string record = "Software\\Kestal\\Tesra\\TesraBrowser\\Urls";
    const std::string key = std::to_string(UrlHash(kUrl));
    reg.CreateKey(HKCU, kShellFolders)->SetValue("Cache", RegistryValue::DWord(1));
    reg.CreateKey(HKCU, record)->SetValue(key, RegistryValue::MultiString({kUrl}));
    TtbInstaller installer(handle, log, run, kUrl);
    EXPECT_EQ(installer.GetUserCacheFolder(), "");
    EXPECT_EQ(installer.RecordedAddress(), "");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_THAT(entries[0], ::testing::HasSubstr("设置无法读取，按未设置处理：读取注册表项“HKEY_CURRENT_USER\\" +
                                                 std::string(kShellFolders) + "”的值“Cache”失败"));
    EXPECT_THAT(entries[1], ::testing::HasSubstr("设置无法读取，按未设置处理：读取注册表项“HKEY_CURRENT_USER\\" +
                                                 record + "”的值“" + key + "”失败"));
    EXPECT_TRUE(boxes.shown.empty());

    reg.CreateKey(HKCU, record)->SetValue(key, RegistryValue::ExpandString(kUrl));
    EXPECT_EQ(installer.RecordedAddress(), kUrl) << "an expandable string is text";
    EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(EnvironmentTest, TheBrowserControlGetsTheExpandedCacheFolder) {
    const testing::ScopedEnv cacheRoot("TESRA_TEST_CACHE_ROOT", "/srv/cache");
    struct Case {
        std::string what;
        std::optional<RegistryValue> cache;
        std::string folder;
    };
    const Case cases[] = {
        {"a plain folder", RegistryValue::String("/data/cache"), "/data/cache"},
        {"an expandable folder", RegistryValue::ExpandString("%TESRA_TEST_CACHE_ROOT%/web"), "/srv/cache/web"},
        {"the program's own folder during a run", RegistryValue::String("/home/u/.cache/TesraBrowserCache"),
         "/home/u/.cache/TesraBrowserCache"},
        {"a missing value", std::nullopt, "/home/u/.cache/TesraBrowser"},
        {"an empty value", RegistryValue::String(""), "/home/u/.cache/TesraBrowser"},
        {"a path that is not absolute", RegistryValue::String("c:\\Temporary Internet Files"),
         "/home/u/.cache/TesraBrowser"},
        {"a value that is not text", RegistryValue::DWord(3), "/home/u/.cache/TesraBrowser"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto key = reg.OpenKey(HKCU, kShellFolders, Access::Full);
        key->DeleteValue("Cache");
        if (c.cache) key->SetValue("Cache", *c.cache);
        EXPECT_EQ(BrowserCacheFolder(reg, fakes.handle.environment), c.folder);
    }
    reg.DeleteKey(HKCU, kShellFolders);
    EXPECT_EQ(BrowserCacheFolder(reg, fakes.handle.environment), "/home/u/.cache/TesraBrowser");
}

// The file registry as it was before changes could be made together: each value its own write.
class ValueByValue : public platform::FileRegistry {
public:
    using FileRegistry::FileRegistry;
    void ChangeTogether(RootKey, platform::Durability, const std::function<void()>& work) override { work(); }
};

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : "(none)";
}

TEST(EnvironmentOnFiles, OneWriteForEachHiveAndTheSameHivesAsValueByValue) {
    testing::TempHome home;
    fakes::LinuxFakePlatform fakes;
    testing::FakeLog log;
    SetupRun run;
    struct Case {
        std::string what;
        std::optional<RegistryValue> cache;  // none: the value is deleted; no case: a new hive
        bool newHive;
        int restoreWrites;
    };
    const Case cases[] = {
        {"a new hive", std::nullopt, true, 1},
        {"another folder", RegistryValue::String("/data/cache"), false, 1},
        {"the program's own folder", RegistryValue::String(ProgramCacheFolder(fakes.handle.environment)), false, 1},
        {"a missing value", std::nullopt, false, 0},
        {"a value that is not text counts as missing", RegistryValue::DWord(1), false, 0},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::map<std::string, std::vector<std::string>> texts;  // after the start and each restore
        std::map<std::string, std::vector<int>> writes;
        for (const std::string kind : {"together", "value by value"}) {
            const auto folder = home.Root() / std::to_string(++n);
            const platform::FileRegistry::Locations at{folder / "HKCU.reg", folder / "HKLM.reg",
                                                       folder / "no-dpkg-status"};
            if (!c.newHive) {
                platform::FileRegistry setup(at);
                auto key = setup.CreateKey(HKCU, kShellFolders);
                key->DeleteValue("Cache");
                if (c.cache) key->SetValue("Cache", *c.cache);
                setup.CreateKey(HKCU, "Software\\Kestal\\Tesra\\TesraBrowser\\Urls")
                    ->WriteString("1", "http://a.test/");
                setup.CreateKey(HKLM, kExplorerMain)->WriteDWord("Other", 7);
            }
            platform::FileRegistry together(at);
            ValueByValue valueByValue(at);
            const platform::Platform handle = fakes::With(
                fakes.handle, kind == "together" ? static_cast<platform::Registry&>(together) : valueByValue);
            std::filesystem::create_directories(folder);
            // Every hive write fills a temporary file of its own beside the hive.
            testing::FileEvents newFiles(folder, IN_CREATE);
            auto step = [&] {
                texts[kind].push_back(FileText(at.userHive) + FileText(at.machineHive));
                writes[kind].push_back(newFiles.Count(".HKCU.reg.") + newFiles.Count(".HKLM.reg."));
            };
            run.savedCacheFolder.clear();
            TtbInstaller(handle, log, run, kUrl).SetEnvironment();
            step();
            TtbInstaller::RestoreEnvironment(handle, run);
            step();
            TtbInstaller::RestoreEnvironment(handle, run);
            step();
        }
        EXPECT_EQ(texts["together"], texts["value by value"]);
        // Cumulative writes: one for each hive at the start, one for the first restore, none after.
        const int start = 2;
        EXPECT_THAT(writes["together"],
                    ::testing::ElementsAre(start, start + c.restoreWrites, start + c.restoreWrites));
        EXPECT_GT(writes["value by value"][0], writes["together"][0]);
    }
}

TEST(ExpandEnvironmentText, ReplacesNamesThatAreSet) {
    const testing::ScopedEnv a("TESRA_A", "alpha");
    const testing::ScopedEnv unset("TESRA_UNSET", nullptr);
    struct Case {
        std::string text, expanded;
    };
    const Case cases[] = {
        {"%TESRA_A%/x", "alpha/x"},
        {"%TESRA_A%%TESRA_A%", "alphaalpha"},
        {"%TESRA_UNSET%/x", "%TESRA_UNSET%/x"},
        {"100%", "100%"},
        {"%%", "%%"},
        {"a%TESRA_UNSET%TESRA_A%", "a%TESRA_UNSETalpha"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ExpandEnvironmentText(c.text), c.expanded);
    }
}

}  // namespace
}  // namespace tesra
