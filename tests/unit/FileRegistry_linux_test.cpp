// The file registry on real files in a temporary home: persistence across processes, concurrent
// writers, a writer killed mid-way, broken hive files, and a machine hive that the user may not write.
#include "linux/FileRegistry.h"

#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <list>
#include <sstream>

#include "SupportFakes.h"
#include "linux/Folders.h"
#include "registry/HiveFile.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"

namespace tesra::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr RootKey HKCU = RootKey::CurrentUser;
constexpr RootKey HKLM = RootKey::LocalMachine;
const char kInternetSettings[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\uninstall";
const char kVersionVector[] = "\\SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";

const char kDpkgStatus[] =
    "Package: alpha\nStatus: install ok installed\nArchitecture: amd64\nVersion: 2.1-1\n"
    "Description: first\n multi-line description\n\n"
    "Package: gone\nStatus: deinstall ok config-files\nVersion: 1.0\n\n"
    "Package: beta\nStatus: hold ok installed\nArchitecture: amd64\n\n"
    "Package: alpha\nStatus: install ok installed\nArchitecture: i386\nVersion: 2.1-1\n";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A hive file's text as UTF-8 with LF line ends; "" when the file is not UTF-16LE with its byte-order mark.
std::string HiveText(const fs::path& path) {
    const std::string bytes = ReadText(path);
    if (!bytes.starts_with("\xFF\xFE")) return "";
    std::string text;
    for (char c : Utf16LeToUtf8(bytes.substr(2))) {
        if (c != '\r') text += c;
    }
    return text;
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

ino_t Inode(const fs::path& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<fs::path> BrokenCopies(const fs::path& hive) {
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(hive.parent_path())) {
        if (entry.path().filename().string().rfind(hive.filename().string() + ".broken-", 0) == 0)
            copies.push_back(entry.path());
    }
    return copies;
}

// Runs body in a child process; the child's exit code (0 when body returns normally).
int InChild(const std::function<void()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        try {
            body();
            _exit(0);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child: %s\n", e.what());
            _exit(2);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

class FileRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesra-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        for (const auto& [name, sub] : {std::pair{"HOME", "home"},
                                        {"XDG_CONFIG_HOME", "home/.config"},
                                        {"XDG_CACHE_HOME", "home/.cache"},
                                        {"XDG_DATA_HOME", "home/.local/share"}}) {
            variables_.emplace_back(name, (root_ / sub).string());
        }
        variables_.emplace_back("TESRA_MACHINE_HIVE_DIR", (root_ / "machine").string());
        WriteText(root_ / "dpkg-status", kDpkgStatus);
        locations_ = FileRegistry::DefaultLocations();
        locations_.packageStatus = root_ / "dpkg-status";
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path UserHive() const { return locations_.userHive; }
    fs::path MachineHive() const { return locations_.machineHive; }

    fs::path root_;
    FileRegistry::Locations locations_;
    std::list<tesra::testing::ScopedEnv> variables_;  // also what a test changes comes back
};

TEST_F(FileRegistryTest, HivesLiveInTheUsersConfigFolderAndTheMachineFolder) {
    EXPECT_EQ(UserHive(), root_ / "home/.config/tesrabrowser/HKCU.reg");
    EXPECT_EQ(MachineHive(), root_ / "machine/HKLM.reg");
    unsetenv("TESRA_MACHINE_HIVE_DIR");
    EXPECT_EQ(FileRegistry::DefaultLocations().machineHive, "/var/lib/tesrabrowser/HKLM.reg");
}

TEST_F(FileRegistryTest, ANewHiveHoldsThePlatformKeysWithoutWritingAFile) {
    FileRegistry reg(locations_);
    auto shellFolders =
        reg.OpenKey(HKCU, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", Access::Full);
    ASSERT_NE(shellFolders, nullptr);
    EXPECT_EQ(shellFolders->Value("Cache"), RegistryValue::ExpandString((root_ / "home/.cache/TesraBrowser").string()));
    EXPECT_EQ(WebCacheFolder(), (root_ / "home/.cache/TesraBrowser").string());
    for (const char* path : {"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                             "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache"}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(reg.KeyExists(HKCU, path));
    }
    EXPECT_TRUE(reg.KeyExists(HKLM, kInternetSettings));
    EXPECT_TRUE(reg.KeyExists(HKLM, "\\Software\\Microsoft\\Internet Explorer\\Main"));
    EXPECT_FALSE(fs::exists(UserHive()));
    EXPECT_FALSE(fs::exists(MachineHive()));
}

TEST_F(FileRegistryTest, ChangesAreSavedAtomicallyAndReadBackByAFreshRegistry) {
    {
        FileRegistry reg(locations_);
        auto key = reg.CreateKey(HKCU, "Software\\Kestal\\Tesra\\TesraBrowser\\Urls");
        ASSERT_NE(key, nullptr);
        key->WriteString("96354", "http://example.test/app/");
        key->WriteDWord("Count", 3);
        key->SetValue("List", RegistryValue::MultiString({"a", "b"}));
        reg.OpenKey(HKLM, kInternetSettings, Access::Full)->WriteDWord("BypassSSLNoCacheCheck", 1);
    }
    std::string text = HiveText(UserHive());
    EXPECT_THAT(text, StartsWith("Windows Registry Editor Version 5.00\n"));
    EXPECT_THAT(text, HasSubstr("[HKEY_CURRENT_USER\\Software\\Kestal\\Tesra\\TesraBrowser\\Urls]\n"
                                "\"96354\"=\"http://example.test/app/\"\n\"Count\"=dword:00000003\n"));
    EXPECT_EQ(fs::status(UserHive()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THAT(NamesIn(UserHive().parent_path()), ElementsAre("HKCU.reg", "HKCU.reg.lock"))
        << "no temporary file remains";
    std::string machine = HiveText(MachineHive());
    EXPECT_THAT(machine, HasSubstr("\"BypassSSLNoCacheCheck\"=dword:00000001"));
    EXPECT_THAT(machine, ::testing::Not(HasSubstr("Version Vector")));  // provided keys stay out of the file
    EXPECT_THAT(machine, ::testing::Not(HasSubstr("alpha")));

    FileRegistry again(locations_);
    auto key = again.OpenKey(HKCU, "software\\kestal\\tesra\\tesrabrowser\\urls", Access::Read);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("96354"), "http://example.test/app/");
    EXPECT_EQ(key->Value("LIST"), RegistryValue::MultiString({"a", "b"}));
    EXPECT_THAT(key->ValueNames(), ElementsAre("96354", "Count", "List"));
}

TEST_F(FileRegistryTest, AWriteThatChangesNothingLeavesTheFileAlone) {
    FileRegistry reg(locations_);
    auto key = reg.CreateKey(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
    key->WriteDWord("SyncMode5", 4);
    ino_t inode = Inode(UserHive());
    key->WriteDWord("syncmode5", 4);
    EXPECT_EQ(Inode(UserHive()), inode);  // not replaced
    key->WriteDWord("SyncMode5", 0);
    EXPECT_NE(Inode(UserHive()), inode);
    EXPECT_EQ(FileRegistry(locations_)
                  .OpenKey(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", Access::Read)
                  ->ReadDWord("SyncMode5"),
              0u);
}

TEST_F(FileRegistryTest, AnEarlierUtf8HiveReadsAndIsWrittenAgainAsUtf16WithEveryValue) {
    const std::string earlier =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Kestal\\Tesra]\n"
        "\"名称\"=\"蓝岸\"\n\"Lines\"=\"a\\nb\"\n\"Untyped\"=hex(0):01,02\n"
        "\"Big\"=hex(b):01,00,00,00,00,00,00,00\n\n";
    WriteText(UserHive(), earlier);
    FileRegistry reg(locations_);
    auto key = reg.OpenKey(HKCU, "Software\\Kestal\\Tesra", Access::Full);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("名称"), "蓝岸");
    key->WriteString("After", "1");
    EXPECT_THAT(HiveText(UserHive()), HasSubstr("\"名称\"=\"蓝岸\"\n\"Lines\"=hex(1):61,00,0a,00,62,00,00,00\n"
                                                "\"Untyped\"=hex(0):01,02\n\"Big\"=hex(b):01,00,00,00,00,00,00,00\n"
                                                "\"After\"=\"1\"\n"));
    FileRegistry fresh(locations_);
    auto again = fresh.OpenKey(HKCU, "Software\\Kestal\\Tesra", Access::Read);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Value("Big"), RegistryValue::QWord(1));
    EXPECT_EQ(again->Value("Untyped"), RegistryValue::None({1, 2}));
    EXPECT_EQ(again->ReadString("Lines"), "a\nb");
}

TEST_F(FileRegistryTest, AValueWrittenByOneProcessIsReadByTheNext) {
    FileRegistry reg(locations_);
    auto key = reg.CreateKey(HKCU, "Software\\Kestal\\Tesra\\TesraBrowser");
    key->WriteString("IsCloseToTrayIcon", "1");
    ASSERT_EQ(InChild([&] {
                  FileRegistry child(locations_);
                  auto k = child.OpenKey(HKCU, "Software\\Kestal\\Tesra\\TesraBrowser", Access::Full);
                  if (!k || k->ReadString("IsCloseToTrayIcon") != "1") _exit(1);
                  k->WriteString("IsCloseToTrayIcon", "0");
              }),
              0);
    // The same registry object sees the other process's change at once.
    EXPECT_EQ(key->ReadString("IsCloseToTrayIcon"), "0");
}

TEST_F(FileRegistryTest, ConcurrentWritersLoseNothing) {
    FileRegistry(locations_).CreateKey(HKCU, "Shared");
    const int kWrites = 40;
    auto writer = [&](const std::string& prefix) {
        return [&, prefix] {
            FileRegistry reg(locations_);
            auto key = reg.OpenKey(HKCU, "Shared", Access::Full);
            for (int i = 0; i < kWrites; ++i)
                key->WriteDWord(prefix + std::to_string(i), static_cast<std::uint32_t>(i));
        };
    };
    pid_t first = fork();
    if (first == 0) {
        writer("a")();
        _exit(0);
    }
    int second = InChild(writer("b"));
    int status = 0;
    waitpid(first, &status, 0);
    ASSERT_EQ(second, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    FileRegistry reg(locations_);
    auto key = reg.OpenKey(HKCU, "Shared", Access::Read);
    EXPECT_EQ(key->ValueNames().size(), 2u * kWrites);
    for (const char* prefix : {"a", "b"}) {
        for (int i = 0; i < kWrites; ++i) {
            SCOPED_TRACE(prefix + std::to_string(i));
            EXPECT_EQ(key->ReadDWord(prefix + std::to_string(i)), static_cast<std::uint32_t>(i));
        }
    }
}

TEST_F(FileRegistryTest, AWriterKilledAtAnyMomentKeepsEveryEarlierValue) {
    struct Case {
        int acknowledged;
        int extraMicroseconds;
    };
    const Case cases[] = {{1, 0}, {7, 300}, {25, 1100}, {60, 2500}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.acknowledged);
        fs::remove_all(UserHive().parent_path());
        int acks[2];
        ASSERT_EQ(pipe(acks), 0);
        pid_t pid = fork();
        if (pid == 0) {
            close(acks[0]);
            FileRegistry reg(locations_);
            auto key = reg.CreateKey(HKCU, "Software\\Kestal\\Tesra");
            for (int i = 0;; ++i) {
                key->WriteString("v" + std::to_string(i), std::string(i % 50, 'x') + std::to_string(i));
                if (write(acks[1], &i, sizeof i) != sizeof i) _exit(3);
            }
        }
        close(acks[1]);
        int last = -1;
        while (last + 1 < c.acknowledged && read(acks[0], &last, sizeof last) == sizeof last) {
        }
        usleep(static_cast<useconds_t>(c.extraMicroseconds));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        int more;
        while (read(acks[0], &more, sizeof more) == sizeof more) last = more;
        close(acks[0]);
        ASSERT_GE(last + 1, c.acknowledged);

        FileRegistry reg(locations_);
        auto key = reg.OpenKey(HKCU, "Software\\Kestal\\Tesra", Access::Read);
        ASSERT_NE(key, nullptr);
        for (int i = 0; i <= last; ++i) {
            ASSERT_EQ(key->ReadString("v" + std::to_string(i)), std::string(i % 50, 'x') + std::to_string(i)) << i;
        }
        EXPECT_TRUE(BrokenCopies(UserHive()).empty());
    }
}

// The error notification's texts of a registry (the client log's in the program).
struct Reports {
    explicit Reports(FileRegistry& reg) {
        reg.SetErrorNotify([this](const std::string& text) { texts.push_back(text); });
    }
    std::vector<std::string> texts;
};

TEST_F(FileRegistryTest, ABrokenHiveKeepsEveryLineThatReadsAndTheOriginalBesideIt) {
    std::string valid;
    {
        FileRegistry reg(locations_);
        reg.CreateKey(HKCU, "Software\\Kestal\\Tesra")->WriteString("Long", std::string(200, 'y'));
        reg.CreateKey(HKCU, "Software\\Kestal\\Tesra\\TesraBrowser\\Urls")->WriteString("96354", "http://a/");
        valid = HiveText(UserHive());
    }
    struct Case {
        std::string what;
        std::string text;
        std::string reason;
        bool keepsValues;
    };
    const Case cases[] = {
        {"hand-edited", valid + "[HKEY_CURRENT_USER\\Software\\X]\n\"Path\"=\"C:\\Temp\"\n\"Next\"=\"1\"\n", "转义",
         true},
        {"cut off in its last line", valid + "[HKEY_CURRENT_USER\\Software\\Y]\n\"Z\"=\"cut", "不完整", true},
        {"garbage", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), "文件头", false},
        {"empty", "", "空", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& copy : BrokenCopies(UserHive())) fs::remove(copy);
        WriteText(UserHive(), c.text);
        FileRegistry reg(locations_);
        Reports reports(reg);
        auto key = reg.OpenKey(HKCU, "Software\\Kestal\\Tesra", Access::Read);
        if (c.keepsValues) {
            ASSERT_NE(key, nullptr) << "the lines before the bad one still read";
            EXPECT_EQ(key->ReadString("Long"), std::string(200, 'y'));
            EXPECT_EQ(
                reg.OpenKey(HKCU, "Software\\Kestal\\Tesra\\TesraBrowser\\Urls", Access::Read)->ReadString("96354"),
                "http://a/");
        } else {
            EXPECT_EQ(key, nullptr);
            EXPECT_TRUE(reg.KeyExists(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"))
                << "afresh";
        }
        ASSERT_EQ(reports.texts.size(), 1u);
        EXPECT_THAT(reports.texts[0], HasSubstr("注册表文件“" + UserHive().string() + "”有 "));
        EXPECT_THAT(reports.texts[0], HasSubstr(c.reason));
        auto copies = BrokenCopies(UserHive());
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_THAT(reports.texts[0], HasSubstr("原文件已另存为“" + copies[0].string() + "”"));
        EXPECT_EQ(ReadText(copies[0]), c.text);
        EXPECT_NO_THROW(ParseHive(ReadText(UserHive()), HKCU)) << "the hive now holds what read";
        reg.CreateKey(HKCU, "Software\\Kestal\\Tesra")->WriteString("After", "1");
        FileRegistry again(locations_);
        Reports againReports(again);
        EXPECT_EQ(again.OpenKey(HKCU, "Software\\Kestal\\Tesra", Access::Read)->ReadString("After"), "1");
        EXPECT_TRUE(againReports.texts.empty()) << "the mended hive reads whole";
        EXPECT_EQ(reports.texts.size(), 1u) << "reported once";
    }
    // The value after the bad line reads too; the key of the bad line is there without it.
    WriteText(UserHive(), cases[0].text);
    FileRegistry reg(locations_);
    auto x = reg.OpenKey(HKCU, "Software\\X", Access::Read);
    ASSERT_NE(x, nullptr);
    EXPECT_FALSE(x->Value("Path"));
    EXPECT_EQ(x->ReadString("Next"), "1");
}

TEST_F(FileRegistryTest, AWriteThatFailsLeavesTheHiveAsItWas) {
    FileRegistry reg(locations_);
    auto key = reg.CreateKey(HKCU, "K");
    key->WriteString("v", "before");
    std::string before = ReadText(UserHive());
    try {
        testing::FileSizeLimit full(16);
        key->WriteString("v", "after");
        ADD_FAILURE() << "the write must fail";
    } catch (const RegistryError& e) {
        EXPECT_EQ(e.Message(), "写入注册表文件“" + UserHive().string() + "”失败：File too large");
    }
    EXPECT_THAT(NamesIn(UserHive().parent_path()), ElementsAre("HKCU.reg", "HKCU.reg.lock"))
        << "no temporary file remains";
    EXPECT_EQ(ReadText(UserHive()), before);
    EXPECT_EQ(key->ReadString("v"), "before");
}

TEST_F(FileRegistryTest, TheUninstallListComesFromThePackageDatabase) {
    FileRegistry reg(locations_);
    auto uninstall = reg.OpenKey(HKLM, kUninstall, Access::Full);
    ASSERT_NE(uninstall, nullptr);
    EXPECT_THAT(uninstall->SubKeyNames(), ElementsAre("alpha", "beta", "alpha:i386"));
    auto alpha = reg.OpenKey(HKLM, std::string(kUninstall) + "\\ALPHA", Access::Full);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->ReadString("DisplayName"), "alpha");
    EXPECT_EQ(alpha->ReadString("DisplayVersion"), "2.1-1");
    auto beta = reg.OpenKey(HKLM, std::string(kUninstall) + "\\beta", Access::Read);
    EXPECT_FALSE(beta->HasValue("DisplayVersion"));
    EXPECT_THROW(alpha->WriteString("DisplayName", "x"), RegistryError);
    EXPECT_EQ(reg.CreateKey(HKLM, std::string(kUninstall) + "\\mine"), nullptr);

    WriteText(locations_.packageStatus, "Package: gamma\nStatus: install ok installed\nVersion: 3\n");
    EXPECT_THAT(uninstall->SubKeyNames(), ElementsAre("gamma"));
}

TEST_F(FileRegistryTest, TheUninstallListIsMadeOnlyWhenSomethingLooksIntoIt) {
    FileRegistry reg(locations_);
    testing::FileEvents packageDatabase(locations_.packageStatus, IN_OPEN);
    // What a start does with the machine hive: the two browser settings, the engine version, and
    // a look at the keys beside the list.
    reg.OpenKey(HKLM, kInternetSettings, Access::Full)->WriteDWord("BypassSSLNoCacheCheck", 1);
    reg.OpenKey(HKLM, "\\Software\\Microsoft\\Internet Explorer\\Main", Access::Full)->WriteDWord("TabProcGrowth", 0);
    EXPECT_EQ(reg.CreateKey(HKLM, kVersionVector)->ReadString("IE"), "11.0000");
    auto currentVersion = reg.OpenKey(HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", Access::Read);
    EXPECT_THAT(currentVersion->SubKeyNames(), ::testing::Contains("Uninstall"));
    EXPECT_THROW(reg.DeleteKey(HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"), RegistryError);
    EXPECT_EQ(packageDatabase.Count(), 0);

    // The software list: read once, and again only when the database changes.
    auto uninstall = reg.OpenKey(HKLM, kUninstall, Access::Read);
    EXPECT_THAT(uninstall->SubKeyNames(), ElementsAre("alpha", "beta", "alpha:i386"));
    EXPECT_EQ(reg.OpenKey(HKLM, std::string(kUninstall) + "\\Alpha:I386", Access::Read)->ReadString("DisplayVersion"),
              "2.1-1");
    EXPECT_EQ(reg.CreateKey(HKLM, std::string(kUninstall) + "\\mine"), nullptr);
    EXPECT_EQ(packageDatabase.Count(), 1);
    reg.OpenKey(HKLM, kInternetSettings, Access::Full)->WriteDWord("BypassSSLNoCacheCheck", 0);
    EXPECT_THAT(uninstall->SubKeyNames(), ElementsAre("alpha", "beta", "alpha:i386"))
        << "a change of the hive keeps the list";
    EXPECT_EQ(packageDatabase.Count(), 1);
}

TEST_F(FileRegistryTest, ChangesMadeTogetherAreOneWrite) {
    FileRegistry reg(locations_);
    reg.CreateKey(HKCU, "K")->WriteString("old", "1");
    // Every write of the hive fills a temporary file of its own beside it.
    testing::FileEvents writes(UserHive().parent_path(), IN_CREATE);
    reg.ChangeTogether(HKCU, Durability::Atomic, [&] {
        auto key = reg.OpenKey(HKCU, "K", Access::Full);
        key->WriteString("a", "1");
        key->WriteDWord("b", 2);
        key->DeleteValue("old");
        reg.CreateKey(HKCU, "K\\Sub")->WriteString("c", "3");
        EXPECT_EQ(key->ReadDWord("b"), 2u) << "work reads what it wrote";
        EXPECT_EQ(InChild([&] {
                      FileRegistry otherProcess(locations_);
                      auto other = otherProcess.OpenKey(HKCU, "K", Access::Read);
                      if (!other->HasValue("old") || other->HasValue("a")) _exit(1);
                  }),
                  0)
            << "another process sees none of it yet";
    });
    EXPECT_EQ(writes.Count(".HKCU.reg."), 1);
    FileRegistry fresh(locations_);
    auto key = fresh.OpenKey(HKCU, "K", Access::Read);
    EXPECT_THAT(key->ValueNames(), ElementsAre("a", "b"));
    EXPECT_EQ(key->ReadString("a"), "1");
    EXPECT_EQ(fresh.OpenKey(HKCU, "K\\Sub", Access::Read)->ReadString("c"), "3");

    // Failing work keeps what it changed before; work that changes nothing writes nothing.
    EXPECT_THROW(
        reg.ChangeTogether(HKCU, Durability::Durable,
                           [&] {
                               reg.OpenKey(HKCU, "K", Access::Full)->WriteString("before", "kept");
                               reg.OpenKey(HKCU, "K", Access::Full)->WriteString("bad", std::string("a\0b", 3));
                               reg.OpenKey(HKCU, "K", Access::Full)->WriteString("after", "never");
                           }),
        RegistryError);
    EXPECT_EQ(writes.Count(".HKCU.reg."), 2);
    key = fresh.OpenKey(HKCU, "K", Access::Read);
    EXPECT_EQ(key->ReadString("before"), "kept");
    EXPECT_FALSE(key->HasValue("bad"));
    EXPECT_FALSE(key->HasValue("after"));
    reg.ChangeTogether(HKCU, Durability::Durable, [&] { reg.OpenKey(HKCU, "K", Access::Full)->WriteString("a", "1"); });
    EXPECT_EQ(writes.Count(".HKCU.reg."), 2);
}

TEST_F(FileRegistryTest, TheEngineVersionIsProvided) {
    FileRegistry reg(locations_);
    auto key = reg.CreateKey(HKLM, kVersionVector);  // opened as the page hook opens it
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("IE"), "11.0000");
    EXPECT_THROW(key->WriteString("IE", "9.0"), RegistryError);
}

TEST(DpkgStatus, NamesAreUniqueIgnoringCase) {
    auto entry = [](const char* name, const char* arch, const char* version,
                    const char* status = "install ok installed") {
        return std::string("Package: ") + name + "\nStatus: " + status + "\nArchitecture: " + arch +
               (*version ? std::string("\nVersion: ") + version : "") + "\n\n";
    };
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::pair<std::string, std::string>> expected;  // name, version
    };
    const Case cases[] = {
        {"two architectures",
         entry("lib", "amd64", "1") + entry("lib", "i386", "1"),
         {{"lib", "1"}, {"lib:i386", "1"}}},
        {"a third architecture",
         entry("lib", "amd64", "1") + entry("lib", "i386", "2") + entry("lib", "armhf", "3"),
         {{"lib", "1"}, {"lib:i386", "2"}, {"lib:armhf", "3"}}},
        {"letter case", entry("Tool", "amd64", "1") + entry("tool", "i386", "2"), {{"Tool", "1"}, {"tool:i386", "2"}}},
        {"an entry twice",
         entry("lib", "amd64", "1") + entry("lib", "i386", "2") + entry("LIB", "I386", "3"),
         {{"lib", "1"}, {"lib:i386", "3"}}},
        {"an entry twice, the second without a version",
         entry("lib", "amd64", "1") + entry("lib", "i386", "2") + entry("lib", "i386", ""),
         {{"lib", "1"}, {"lib:i386", "2"}}},
        {"not installed",
         entry("gone", "amd64", "1", "deinstall ok config-files") + entry("gone", "i386", "1"),
         {{"gone", "1"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::pair<std::string, std::string>> listed;
        for (const auto& package : ParseDpkgStatus(c.text)) listed.emplace_back(package.name, package.version);
        EXPECT_EQ(listed, c.expected);
    }
}

TEST(DpkgStatus, ListsInstalledPackagesInFileOrder) {
    auto packages = ParseDpkgStatus(kDpkgStatus);
    ASSERT_EQ(packages.size(), 3u);
    EXPECT_EQ(packages[0].name, "alpha");
    EXPECT_EQ(packages[0].version, "2.1-1");
    EXPECT_EQ(packages[1].name, "beta");
    EXPECT_EQ(packages[1].version, "");
    EXPECT_EQ(packages[2].name, "alpha:i386");
    EXPECT_TRUE(ParseDpkgStatus("").empty());
}

// What a user without the right to change the machine hive sees; returns the failed checks.
std::string CheckMachineHiveAsUser(const FileRegistry::Locations& locations, const std::string& brokenMachineHive) {
    std::string failures;
    auto check = [&](bool ok, const char* what) {
        if (!ok) failures += std::string(what) + "\n";
    };
    std::string before = ReadText(locations.machineHive);
    FileRegistry reg(locations);
    check(reg.OpenKey(HKLM, kInternetSettings, Access::Full) == nullptr, "full access to the machine hive is refused");
    auto settings = reg.OpenKey(HKLM, kInternetSettings, Access::Read);
    check(settings && settings->ReadDWord("BypassSSLNoCacheCheck") == 7, "the machine hive reads");
    check(reg.CreateKey(HKLM, "Software\\New") == nullptr, "no key is created in the machine hive");
    check(reg.CreateKey(HKLM, kInternetSettings) == nullptr, "an existing key does not open for creation");
    bool refused = false;
    try {
        reg.DeleteKey(HKLM, kInternetSettings);
    } catch (const RegistryError&) {
        refused = true;
    }
    check(refused, "deleting in the machine hive is refused");
    auto uninstall = reg.OpenKey(HKLM, kUninstall, Access::Full);
    check(uninstall && uninstall->SubKeyNames().size() == 3, "the uninstall list opens with full access");
    auto version = reg.CreateKey(HKLM, kVersionVector);
    check(version && version->ReadString("IE") == "11.0000", "the version vector opens with create");
    bool ran = false;
    reg.ChangeTogether(HKLM, Durability::Durable,
                       [&] { ran = reg.OpenKey(HKLM, kInternetSettings, Access::Full) == nullptr; });
    check(ran, "changes made together in the machine hive run as they would alone");
    auto user = reg.CreateKey(HKCU, "Software\\Kestal\\Tesra");
    check(user != nullptr, "the user's hive stays writable");
    if (user) user->WriteString("v", "1");
    check(FileRegistry(locations).OpenKey(HKCU, "Software\\Kestal\\Tesra", Access::Read)->ReadString("v") == "1",
          "the user's value is saved");
    check(ReadText(locations.machineHive) == before, "the machine hive file is unchanged");

    FileRegistry::Locations broken = locations;
    broken.machineHive = brokenMachineHive;
    const std::string brokenText = ReadText(brokenMachineHive);
    std::vector<std::string> reports;
    try {
        FileRegistry reader(broken);
        reader.SetErrorNotify([&](const std::string& text) { reports.push_back(text); });
        auto read = reader.OpenKey(HKLM, kInternetSettings, Access::Read);
        check(read && read->ReadDWord("BypassSSLNoCacheCheck") == 5, "a broken machine hive reads what parses");
        check(read && read->ReadDWord("After") == 6, "also after the bad line");
        check(reader.OpenKey(HKLM, kInternetSettings, Access::Full) == nullptr, "and stays read-only");
    } catch (const std::exception& e) {
        check(false, e.what());
    }
    check(reports.size() == 1 &&
              reports[0].find("注册表文件“" + brokenMachineHive + "”有 1 处无法读取（第 5 行") != std::string::npos,
          "the bad line is reported");
    check(reports.size() == 1 && reports[0].find("文件未作改动") != std::string::npos,
          "and the file is said to be unchanged");
    check(ReadText(brokenMachineHive) == brokenText, "a broken machine hive is left in place");
    check(BrokenCopies(brokenMachineHive).empty(), "no copy is made where the user may not write");
    return failures;
}

TEST_F(FileRegistryTest, AMachineHiveThatTheUserMayNotWriteIsReadOnly) {
    FileRegistry(locations_).OpenKey(HKLM, kInternetSettings, Access::Full)->WriteDWord("BypassSSLNoCacheCheck", 7);
    WriteText(root_ / "machine2/HKLM.reg",
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\n"
              "\"BypassSSLNoCacheCheck\"=dword:00000005\n\"Bad\"=\"C:\\Temp\"\n\"After\"=dword:00000006\n");
    const std::string brokenHive = root_ / "machine2/HKLM.reg";
    if (geteuid() != 0) {
        fs::permissions(root_ / "machine", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        fs::permissions(root_ / "machine2", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        std::string failures = CheckMachineHiveAsUser(locations_, brokenHive);
        fs::permissions(root_ / "machine", fs::perms::owner_write, fs::perm_options::add);
        fs::permissions(root_ / "machine2", fs::perms::owner_write, fs::perm_options::add);
        EXPECT_EQ(failures, "");
        return;
    }
    // Root may write anywhere: check as the unprivileged user "nobody" in a child process, with the
    // machine folders owned by root and the home handed to nobody.
    const uid_t nobody = 65534;
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(root_ / "home");
    for (const auto& entry : fs::recursive_directory_iterator(root_ / "home")) {
        ASSERT_EQ(lchown(entry.path().c_str(), nobody, nobody), 0);
    }
    ASSERT_EQ(chown((root_ / "home").c_str(), nobody, nobody), 0);
    std::string failures;
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    int exitCode = InChild([&] {
        close(pipeFds[0]);
        if (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
            setresuid(nobody, nobody, nobody) != 0) {
            _exit(4);
        }
        std::string result = CheckMachineHiveAsUser(locations_, brokenHive);
        if (write(pipeFds[1], result.data(), result.size()) < 0) _exit(5);
        _exit(result.empty() ? 0 : 1);
    });
    close(pipeFds[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) failures.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    EXPECT_EQ(failures, "");
    EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace tesra::platform
