#include "support/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "EnvironmentFakes.h"
#include "support/TextCodec.h"

namespace tesra {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
protected:
    testing::FakeEnvironment environment;
    const fs::path folder = "/data";

    // Writes the UTF-8 text as the GBK file and returns its path.
    std::string WriteGbk(const std::string& utf8, const std::string& name = "TesraBrowser.ini") {
        return WriteBytes(Utf8ToGbk(utf8), name);
    }
    std::string WriteBytes(const std::string& bytes, const std::string& name = "TesraBrowser.ini") {
        const std::string path = (folder / name).string();
        environment.PutFile(path, bytes);
        return path;
    }
};

TEST_F(IniFileTest, ReadStringFindsTheFirstKeyOfItsSectionTrimmedAndUnquoted) {
    struct Row {
        const char* name;
        std::string content;
        std::string section;
        std::string key;
        std::string expected;
    };
    const Row rows[] = {
        {"plain", "[Menus]\n邮件=http://host/mail\n", "Menus", "邮件", "http://host/mail"},
        {"section and key ignore case", "[MENUS]\nKey=v\n", "menus", "kEY", "v"},
        {"spaces around key and value", "[S]\n   key   =   a value  \n", "S", "key", "a value"},
        {"tabs and CR too", "[S]\r\n\tkey\t=\tv\t\r\n", "S", "key", "v"},
        {"spaces around the section line", "  [ S ]  \nk=v\n", "S", "k", "v"},
        {"double quotes dropped", "[S]\nk=\"C D\"\n", "S", "k", "C D"},
        {"single quotes dropped", "[S]\nk='C D'\n", "S", "k", "C D"},
        {"only the outer pair", "[S]\nk=\"\"a\"\"\n", "S", "k", "\"a\""},
        {"spaces inside quotes kept", "[S]\nk= \" x \" \n", "S", "k", " x "},
        {"mismatched quotes kept", "[S]\nk=\"abc'\n", "S", "k", "\"abc'"},
        {"quote left open kept", "[S]\nk=\"abc\n", "S", "k", "\"abc"},
        {"lone quote kept", "[S]\nk=\"\n", "S", "k", "\""},
        {"empty quotes give empty", "[S]\nk=\"\"\n", "S", "k", ""},
        {"quotes only around a part kept", "[S]\nk=\"A\",B\n", "S", "k", "\"A\",B"},
        {"first equals sign splits", "[S]\nk=a=b\n", "S", "k", "a=b"},
        {"empty value", "[S]\nk=\n", "S", "k", ""},
        {"first of repeated keys", "[S]\nk=1\nK=2\n", "S", "k", "1"},
        {"garbage lines ignored", "junk\n[S]\nno equals here\n;k=comment\n\x01\x02\nk=v\n", "S", "k", "v"},
        {"comment is no entry", "[S]\n;k=v\n", "S", ";k", "<none>"},
        {"entry before any section ignored", "k=v\n[S]\n", "S", "k", "<none>"},
        {"key in another section", "[A]\nk=v\n[B]\n", "B", "k", "<none>"},
        {"missing section", "[A]\nk=v\n", "C", "k", "<none>"},
        {"bracket line without close is no section", "[S\nk=v\n", "S", "k", "<none>"},
        {"no final newline", "[S]\nk=v", "S", "k", "v"},
        {"Chinese value", "[System]\nIconName=蓝岸 办公\n", "System", "IconName", "蓝岸 办公"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TIniFile ini(environment, WriteGbk(row.content));
        EXPECT_EQ(ini.ReadString(row.section, row.key, "<none>"), row.expected);
    }
}

TEST_F(IniFileTest, ReadsGbkBytesAsUtf8) {
    // "菜单" in GBK is B2 CB B5 A5.
    TIniFile ini(environment, WriteBytes("[MainMenu]\n\xB2\xCB\xB5\xA5=A,B\n"));
    EXPECT_EQ(ini.ReadSection("MainMenu"), std::vector<std::string>{"菜单"});
    EXPECT_EQ(ini.ReadString("MainMenu", "菜单", ""), "A,B");
}

TEST_F(IniFileTest, BrokenGbkNeverSwallowsALineBreak) {
    TIniFile ini(environment, WriteBytes("[S]\na=x\xB2\nb=y\n"));
    EXPECT_EQ(ini.ReadString("S", "b", ""), "y");
    EXPECT_EQ(ini.ReadString("S", "a", ""), "x?");
}

TEST_F(IniFileTest, Utf8FileWithByteOrderMark) {
    TIniFile ini(environment, WriteBytes("\xEF\xBB\xBF[System]\nIconName=蓝岸\n"));
    EXPECT_EQ(ini.ReadString("System", "IconName", ""), "蓝岸");
}

TEST(DecodeIniBytes, GbkByDefaultUtf8AndUtf16WhenTheyShow) {
    // "蓝岸" in each encoding: GBK C0 B6 B0 B6, UTF-8 E8 93 9D E5 B2 B8, UTF-16 U+84DD U+5CB8.
    struct Row {
        std::string what;
        std::string bytes;
        std::string text;
    };
    const Row rows[] = {
        {"GBK", "a=\xC0\xB6\xB0\xB6\r\n", "a=蓝岸\r\n"},
        {"plain ASCII", "[S]\na=1\n", "[S]\na=1\n"},
        {"UTF-8 without a mark", "a=蓝岸\r\n", "a=蓝岸\r\n"},
        {"UTF-8 with a mark",
         "\xEF\xBB\xBF"
         "a=蓝岸\n",
         "a=蓝岸\n"},
        {"UTF-8 with a mark, ASCII only",
         "\xEF\xBB\xBF"
         "a=1\n",
         "a=1\n"},
        {"UTF-16LE with a mark",
         std::string("\xFF\xFE"
                     "a\0=\0\xDD\x84\xB8\x5C\n\0",
                     12),
         "a=蓝岸\n"},
        {"UTF-16BE with a mark", std::string("\xFE\xFF\0a\0=\x84\xDD\x5C\xB8\0\n", 12), "a=蓝岸\n"},
        {"GBK that breaks UTF-8 on a later line", "a=蓝\nb=\xC0\xB6\n", "a=" + GbkToUtf8("蓝") + "\nb=蓝\n"},
        {"UTF-8 with one broken byte is GBK", "a=蓝\xFF\n", "a=" + GbkToUtf8("蓝\xFF") + "\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DecodeIniBytes(row.bytes), row.text) << row.what;
    }
}

TEST_F(IniFileTest, MenuFileInUtf8OrUtf16) {
    const std::string utf16 = Utf8ToUtf16Le("[System]\r\nIconName=蓝岸办公\r\n[MainMenu]\r\n邮件=A,B\r\n");
    for (const std::string& bytes :
         {std::string("[System]\nIconName=蓝岸办公\n[MainMenu]\n邮件=A,B\n"), "\xFF\xFE" + utf16}) {
        TIniFile ini(environment, WriteBytes(bytes));
        EXPECT_EQ(ini.ReadString("System", "IconName", ""), "蓝岸办公");
        EXPECT_EQ(ini.ReadSection("MainMenu"), std::vector<std::string>{"邮件"});
    }
}

TEST_F(IniFileTest, ReadSectionKeepsFileOrder) {
    TIniFile ini(environment, WriteGbk("[MainMenu]\nB=1\n  A =2\nno entry\nc=3\nB=4\n[Other]\nx=1\n"));
    EXPECT_EQ(ini.ReadSection("mainmenu"), (std::vector<std::string>{"B", "A", "c", "B"}));
    EXPECT_TRUE(ini.ReadSection("Nothing").empty());
}

TEST_F(IniFileTest, ThousandsOfGroupsAndVeryLongLines) {
    std::string content = "[MainMenu]\n";
    for (int i = 0; i < 5000; ++i) content += "组" + std::to_string(i) + "=A,B\n";
    std::string longValue;
    for (int i = 0; i < 20000; ++i) longValue += "项" + std::to_string(i) + ",";
    content += "长=" + longValue + "\n";
    TIniFile ini(environment, WriteGbk(content));
    const std::vector<std::string> keys = ini.ReadSection("MainMenu");
    ASSERT_EQ(keys.size(), 5001u);
    EXPECT_EQ(keys[0], "组0");
    EXPECT_EQ(keys[4999], "组4999");
    EXPECT_EQ(ini.ReadString("MainMenu", "组4321", ""), "A,B");
    EXPECT_EQ(ini.ReadString("MainMenu", "长", ""), longValue);
}

TEST_F(IniFileTest, MissingFileGivesDefaults) {
    TIniFile ini(environment, (folder / "absent.ini").string());
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("S", "k", 7), 7);
    EXPECT_TRUE(ini.ReadBool("S", "k", true));
    EXPECT_TRUE(ini.ReadSection("S").empty());
}

TEST_F(IniFileTest, EveryReadSeesTheFileAsItIsNow) {
    const std::string path = WriteGbk("[Menus]\n邮件=\n");
    TIniFile ini(environment, path);
    EXPECT_EQ(ini.ReadString("Menus", "邮件", ""), "");
    WriteGbk("[Menus]\n邮件=http://host/mail\n");
    EXPECT_EQ(ini.ReadString("Menus", "邮件", ""), "http://host/mail");
    EXPECT_FALSE(environment.RemoveAll(path));
    EXPECT_EQ(ini.ReadString("Menus", "邮件", "gone"), "gone");
}

TEST_F(IniFileTest, ReadIntegerAndReadBool) {
    struct Row {
        std::string value;
        std::int32_t expected;  // with default -7
    };
    const Row rows[] = {
        {"0", 0},
        {"1", 1},
        {"-12", -12},
        {"+5", 5},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$10", 16},
        {"0xFFFFFFFF", -1},
        {"0x7FFFFFFF", 2147483647},
        {"0x100000000", -7},
        {"2147483647", 2147483647},
        {"2147483648", -7},
        {"-2147483648", -2147483648},
        {"-2147483649", -7},
        {"0x", -7},
        {"", -7},
        {"abc", -7},
        {"1 2", -7},
        {"12a", -7},
        {"\"5\"", 5},
        {"0x0g", -7},
        {"-", -7},
        {"00012", 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        TIniFile ini(environment, WriteGbk("[System]\nIsCloseToTrayIcon=" + row.value + "\n"));
        EXPECT_EQ(ini.ReadInteger("System", "IsCloseToTrayIcon", -7), row.expected);
        const bool expectedBool = row.expected == -7 ? false : row.expected != 0;
        EXPECT_EQ(ini.ReadBool("System", "IsCloseToTrayIcon", false), expectedBool);
    }
}

}  // namespace
}  // namespace tesra
