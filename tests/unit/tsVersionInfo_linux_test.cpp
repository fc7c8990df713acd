#include "setup/tsVersionInfo.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>

#include "ExecutableImages.h"
#include "linux/LinuxEnvironment.h"
#include "platform/Exception.h"

namespace tesra {
namespace {

VersionResourceFields Fields(std::vector<std::pair<std::string, std::string>> strings) {
    VersionResourceFields fields;
    fields.strings = std::move(strings);
    return fields;
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

// The build date as InternalName holds it: yyyy-mm-dd.
bool IsDate(const std::string& text) {
    return std::regex_match(text, std::regex(R"(\d{4}-(0[1-9]|1[0-2])-(0[1-9]|[12]\d|3[01]))"));
}

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/tesra-versioninfo-XXXXXX";
        path_ = mkdtemp(name) ? name : "";
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string Write(const std::string& name, const Bytes& bytes) const {
        std::string file = path_ + "/" + name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::string path_;
};

TEST(TtsVersionInfo, ReadsTheResourceBuiltIntoItsOwnExecutable) {
    platform::LinuxEnvironment environment;
    TtsVersionInfo info(environment);
    ASSERT_TRUE(info.HasInfo());
    EXPECT_EQ(info.Translation(), "080403a8");
    EXPECT_EQ(info.GetItem(2), TESRA_PROJECT_VERSION);
    EXPECT_EQ(info.GetItem(8), TESRA_PROJECT_VERSION);
    EXPECT_TRUE(IsDate(info.GetItem(3))) << info.GetItem(3);
    EXPECT_EQ(info.GetItem(1), "蓝岸浏览器");
    EXPECT_EQ(info.GetItem(6), "tsVersionInfo_linux_test");
    EXPECT_EQ(info.GetItem(9), "");  // no Comments
    EXPECT_EQ(info.Version(), ParseVersionNumber(TESRA_PROJECT_VERSION));

    EXPECT_EQ(GetFileVersionText(environment, ""), TESRA_PROJECT_VERSION);
    EXPECT_EQ(GetVersionText(environment), info.GetItem(2) + "," + info.GetItem(3));
}

TEST(TtsVersionInfo, TheProgramFileCarriesItsVersion) {
    platform::LinuxEnvironment environment;
    TtsVersionInfo program(environment, TESRA_PROGRAM_FILE);
    ASSERT_TRUE(program.HasInfo());
    EXPECT_EQ(program.Translation(), "080403a8");
    EXPECT_EQ(program.GetItem(2), TESRA_PROJECT_VERSION);
    EXPECT_EQ(program.GetItem(6), "TesraBrowser");
    EXPECT_TRUE(IsDate(program.GetItem(3))) << program.GetItem(3);
    EXPECT_EQ(GetFileVersionText(environment, TESRA_PROGRAM_FILE), TESRA_PROJECT_VERSION);
}

TEST(TtsVersionInfo, FillsTheTenItemsByIndex) {
    std::vector<std::pair<std::string, std::string>> strings;
    for (int i = 0; i < TtsVersionInfo::kItemCount; ++i) {
        strings.emplace_back(TtsVersionInfo::kItemKeys[i], i == 2 ? "7.6.5.4" : "value " + std::to_string(i));
    }
    strings.emplace_back("PrivateBuild", "extra");
    auto info = TtsVersionInfo::FromResource(BuildVersionResource(Fields(strings)));
    for (int i = 0; i < TtsVersionInfo::kItemCount; ++i) {
        SCOPED_TRACE(TtsVersionInfo::kItemKeys[i]);
        EXPECT_EQ(info.GetItem(i), strings[i].second);
    }
    EXPECT_EQ(info.GetItem(-1), "");
    EXPECT_EQ(info.GetItem(10), "");
    EXPECT_EQ(info.GetValue("PrivateBuild"), "extra");
    EXPECT_EQ(info.GetValue("SpecialBuild"), "");
    EXPECT_EQ(info.Version(), (std::array<std::int32_t, 4>{7, 6, 5, 4}));
}

TEST(TtsVersionInfo, UsesTheFirstTranslation) {
    VersionResourceFields fields = Fields({{"FileVersion", "1.0.0.41"}});
    fields.language = 0x0409;
    fields.codePage = 1200;
    auto info = TtsVersionInfo::FromResource(BuildVersionResource(fields));
    EXPECT_EQ(info.Translation(), "040904b0");
    EXPECT_EQ(info.GetItem(2), "1.0.0.41");
}

TEST(TtsVersionInfo, WithoutAResourceItIsEmpty) {
    platform::LinuxEnvironment environment;
    TempFolder folder;
    const Bytes noSection = test::MakeElf<Elf64_Ehdr, Elf64_Shdr>({1, 2, 3, 4}, test::ByteOrder::Little, ".data");
    const Bytes truncatedPe = [] {
        Bytes pe = test::MakePe(BuildVersionResource(Fields({{"FileVersion", "1.0.0.41"}})), test::PeKind::Pe32);
        pe.erase(pe.end() - 40, pe.end());
        return pe;
    }();
    const std::string files[] = {
        folder.Write("plain", noSection),
        folder.Write("truncated.exe", truncatedPe),
        folder.Write("text", {'h', 'i'}),
        "/nonexistent/file",
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        TtsVersionInfo info(environment, file);
        EXPECT_FALSE(info.HasInfo());
        EXPECT_EQ(info.Translation(), "");
        for (int i = 0; i < TtsVersionInfo::kItemCount; ++i) EXPECT_EQ(info.GetItem(i), "");
        EXPECT_EQ(info.GetValue("FileVersion"), "N/A");
        EXPECT_EQ(info.Version(), (std::array<std::int32_t, 4>{0, 0, 0, 0}));
        EXPECT_EQ(GetFileVersionText(environment, file), "");
    }
}

TEST(TtsVersionInfo, ReadsAPeFile) {
    platform::LinuxEnvironment environment;
    TempFolder folder;
    const Bytes block = BuildVersionResource(Fields({{"FileVersion", "2.1.0.9"}, {"InternalName", "2020-02-02"}}));
    for (auto kind : {test::PeKind::Pe32, test::PeKind::Pe32Plus}) {
        const std::string file = folder.Write("program.exe", test::MakePe(block, kind));
        TtsVersionInfo info(environment, file);
        EXPECT_TRUE(info.HasInfo());
        EXPECT_EQ(info.GetItem(3), "2020-02-02");
        EXPECT_EQ(info.Version(), (std::array<std::int32_t, 4>{2, 1, 0, 9}));
        EXPECT_EQ(GetFileVersionText(environment, file), "2.1.0.9");
    }
}

TEST(TtsVersionInfo, AFileVersionOfOtherThanFourPartsFailsConstruction) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> strings;
        const char* message;
    };
    const Case cases[] = {
        {{{"FileVersion", "1.2.3"}}, "“1.2.3”不是正确的版本号"},
        {{{"FileVersion", "1.2.3.4.5"}}, "“1.2.3.4.5”不是正确的版本号"},
        {{{"ProductName", "no version"}}, "“”不是正确的版本号"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Bytes block = BuildVersionResource(Fields(c.strings));
        EXPECT_EQ(ErrorOf([&] { TtsVersionInfo::FromResource(block); }), c.message);
    }
}

TEST(ParseVersionNumber, SplitsIntoFourNumbers) {
    struct Case {
        const char* text;
        std::array<std::int32_t, 4> numbers;
    };
    const Case cases[] = {
        {"1.0.0.41", {1, 0, 0, 41}},
        {"1.2.x.4", {1, 2, 0, 4}},
        {" 1 . 2 . 3 . 4 ", {1, 2, 3, 4}},
        {"1 2 3 4", {1, 2, 3, 4}},
        {"1.2.3.", {1, 2, 3, 0}},
        {"1..2.3", {1, 0, 2, 3}},
        {"\"1.2\".3.4.5", {0, 3, 4, 5}},
        {"-1.+2.007.2147483647", {-1, 2, 7, 2147483647}},
        {"2147483648.1.1x.0x10", {0, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseVersionNumber(c.text), c.numbers);
    }
}

TEST(ParseVersionNumber, RejectsOtherItemCounts) {
    for (const char* text : {"1.2.3", "", "1.2.3.4.5", "\"1.2\".3.4", "1.2.3.4."}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ErrorOf([&] { ParseVersionNumber(text); }), std::string("“") + text + "”不是正确的版本号");
    }
}

}  // namespace
}  // namespace tesra
