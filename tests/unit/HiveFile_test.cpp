#include "registry/HiveFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "support/TextCodec.h"

namespace tesra::platform {
namespace {

using ::testing::HasSubstr;

constexpr RootKey HKCU = RootKey::CurrentUser;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

RegistryNode& Key(RegistryNode& hive, const std::string& path) { return CreateKeyPath(hive, SplitKeyPath(path)); }

TEST(HiveFile, WritesTheExportFormat) {
    RegistryNode hive;
    RegistryNode& tesra = Key(hive, "Software\\Kestal\\Tesra");
    tesra.SetValue("", RegistryValue::String("default"));
    tesra.SetValue("Path", RegistryValue::String("C:\\a \"b\""));
    tesra.SetValue("Count", RegistryValue::DWord(42));
    tesra.SetValue("Bytes", RegistryValue::Binary({0x00, 0xAB}));
    tesra.SetValue("Cache", RegistryValue::ExpandString("%H%"));
    tesra.SetValue("List", RegistryValue::MultiString({"a", "蓝"}));
    tesra.SetValue("Lines", RegistryValue::String("a\nb"));
    Key(hive, "Software\\Kestal\\Tesra\\Empty");

    EXPECT_EQ(FormatHive(hive, HKCU), kHeader +
                                          "[HKEY_CURRENT_USER\\Software]\n\n"
                                          "[HKEY_CURRENT_USER\\Software\\Kestal]\n\n"
                                          "[HKEY_CURRENT_USER\\Software\\Kestal\\Tesra]\n"
                                          "@=\"default\"\n"
                                          "\"Path\"=\"C:\\\\a \\\"b\\\"\"\n"
                                          "\"Count\"=dword:0000002a\n"
                                          "\"Bytes\"=hex:00,ab\n"
                                          "\"Cache\"=hex(2):25,00,48,00,25,00,00,00\n"
                                          "\"List\"=hex(7):61,00,00,00,dd,84,00,00,00,00\n"
                                          "\"Lines\"=hex(1):61,00,0a,00,62,00,00,00\n"
                                          "\n"
                                          "[HKEY_CURRENT_USER\\Software\\Kestal\\Tesra\\Empty]\n\n");
}

TEST(HiveFile, LeavesProvidedKeysOut) {
    RegistryNode hive;
    Key(hive, "Software\\Real");
    RegistryNode& provided = Key(hive, "Software\\Provided");
    provided.provided = true;
    provided.SetValue("IE", RegistryValue::String("11.0000"));
    std::string text = FormatHive(hive, RootKey::LocalMachine);
    EXPECT_THAT(text, HasSubstr("[HKEY_LOCAL_MACHINE\\Software\\Real]"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("Provided")));
}

TEST(HiveFile, WrapsLongHexDataAndReadsItBack) {
    RegistryNode hive;
    std::vector<std::uint8_t> bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    Key(hive, "K").SetValue("Blob", RegistryValue::Binary(bytes));
    std::string text = FormatHive(hive, HKCU);

    std::istringstream lines(text);
    std::string line;
    int continued = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        if (line.rfind("  ", 0) == 0) ++continued;
    }
    EXPECT_GE(continued, 3);
    EXPECT_EQ(*ParseHive(text, HKCU).SubKey("K")->Value("Blob"), RegistryValue::Binary(bytes));
}

TEST(HiveFile, ReadsWhatItWrites) {
    RegistryNode hive;
    RegistryNode& key = Key(hive, "A\\B]C\\D");
    key.SetValue("@", RegistryValue::String("not the default"));
    key.SetValue("", RegistryValue::ExpandString(""));
    key.SetValue("q\"\\", RegistryValue::String("\\\"\t\r\n"));
    key.SetValue("none", RegistryValue::MultiString({}));
    key.SetValue("zero", RegistryValue::Binary({}));
    key.SetValue("中文", RegistryValue::MultiString({"𝄞", "x"}));
    Key(hive, "A\\Second").SetValue("n", RegistryValue::DWord(0xDEADBEEF));
    hive.SetValue("rootValue", RegistryValue::DWord(1));

    std::string text = FormatHive(hive, HKCU);
    RegistryNode back = ParseHive(text, HKCU);
    EXPECT_EQ(FormatHive(back, HKCU), text);
    const RegistryNode* d = FindKey(back, SplitKeyPath("A\\B]C\\D"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(*d->Value("q\"\\"), RegistryValue::String("\\\"\t\r\n"));
    EXPECT_EQ(*d->Value("@"), RegistryValue::String("not the default"));
    EXPECT_EQ(*d->Value(""), RegistryValue::ExpandString(""));
    EXPECT_EQ(*d->Value("中文"), RegistryValue::MultiString({"𝄞", "x"}));
    EXPECT_EQ(*d->Value("none"), RegistryValue::MultiString({}));
    EXPECT_EQ(*back.Value("rootValue"), RegistryValue::DWord(1));
}

TEST(HiveFile, ReadsHandWrittenAndExportedVariants) {
    struct Case {
        std::string what;
        std::string text;
    };
    const Case cases[] = {
        {"CRLF line ends, comments, blank lines, spaces",
         "Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
         "[HKEY_CURRENT_USER\\Software\\K]\r\n  \"V\" = \"x\"\r\n\"N\"=DWORD:2A\r\n"},
        {"UTF-8 byte-order mark, implicit parents, lower-case root",
         "\xEF\xBB\xBF"
         "Windows Registry Editor Version 5.00\n[hkey_current_user\\Software\\K]\n\"V\"=\"x\"\n"
         "\"N\"=hex(4):2a,00,00,00\n"},
        {"hex data continued over lines",
         "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\K]\n\"V\"=hex(1):78,\\\n  00,\\\n"
         "    00,00\n\"N\"=dword:0000002a\n"},
        {"a section given twice adds up; the last value wins",
         "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software\\K]\n\"V\"=\"old\"\n"
         "[HKEY_CURRENT_USER\\Software\\k]\n\"v\"=\"x\"\n\"N\"=dword:0000002a\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryNode hive = ParseHive(c.text, HKCU);
        const RegistryNode* key = FindKey(hive, SplitKeyPath("Software\\K"));
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->values.size(), 2u);
        EXPECT_EQ(*key->Value("V"), RegistryValue::String("x"));
        EXPECT_EQ(*key->Value("N"), RegistryValue::DWord(42));
    }
}

TEST(HiveFile, ReadsAUtf16FileAsThePlatformEditorSavesIt) {
    std::string utf8 = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\蓝]\r\n\"V\"=\"岸\"\r\n";
    std::string utf16 = "\xFF\xFE";
    // Every character here is in the basic plane: encode by hand.
    for (size_t i = 0; i < utf8.size();) {
        unsigned c = static_cast<unsigned char>(utf8[i]);
        unsigned code = c;
        if (c >= 0xE0) {
            code = (c & 0x0F) << 12 | (utf8[i + 1] & 0x3F) << 6 | (utf8[i + 2] & 0x3F);
            i += 3;
        } else {
            ++i;
        }
        utf16 += static_cast<char>(code & 0xFF);
        utf16 += static_cast<char>(code >> 8);
    }
    RegistryNode hive = ParseHive(utf16, HKCU);
    ASSERT_NE(hive.SubKey("蓝"), nullptr);
    EXPECT_EQ(*hive.SubKey("蓝")->Value("V"), RegistryValue::String("岸"));
}

TEST(HiveFile, KeepsTheValueKindsOfThePlatformEditorsExports) {
    const std::string h = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n";
    struct Case {
        std::string line;
        RegistryValue value;
    };
    const Case cases[] = {
        {"\"v\"=hex(0):", RegistryValue::None({})},
        {"\"v\"=hex(0):01,02,ff", RegistryValue::None({0x01, 0x02, 0xFF})},
        {"\"v\"=hex(b):08,07,06,05,04,03,02,01", RegistryValue::QWord(0x0102030405060708)},
        {"\"v\"=hex(B):ff,ff,ff,ff,ff,ff,ff,ff", RegistryValue::QWord(0xFFFFFFFFFFFFFFFF)},
        {"\"v\"=\"line one\\nline two\"", RegistryValue::String("line one\nline two")},
        {"\"v\"=\"a\\r\\n\\\\n\\\"\"", RegistryValue::String("a\r\n\\n\"")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        RegistryNode hive = ParseHive(h + c.line + "\n", HKCU);
        ASSERT_NE(hive.SubKey("K"), nullptr);
        ASSERT_NE(hive.SubKey("K")->Value("v"), nullptr);
        EXPECT_EQ(*hive.SubKey("K")->Value("v"), c.value);
        // Written again, the value is the same value.
        EXPECT_EQ(*ParseHive(FormatHive(hive, HKCU), HKCU).SubKey("K")->Value("v"), c.value);
    }
    RegistryNode hive;
    Key(hive, "K").SetValue("q", RegistryValue::QWord(0x0102030405060708));
    Key(hive, "K").SetValue("n", RegistryValue::None({0xAB}));
    EXPECT_EQ(FormatHive(hive, HKCU),
              kHeader + "[HKEY_CURRENT_USER\\K]\n\"q\"=hex(b):08,07,06,05,04,03,02,01\n\"n\"=hex(0):ab\n\n");
}

TEST(HiveFile, TheFileIsUtf16WithItsMarkAsTheHeaderSays) {
    RegistryNode hive;
    Key(hive, "Software\\蓝岸").SetValue("名", RegistryValue::String("岸"));
    Key(hive, "Software\\蓝岸").SetValue("Cache", RegistryValue::ExpandString("%H%\\蓝"));
    const std::string bytes = HiveFileBytes(hive, HKCU);
    std::string crlf;
    for (char c : FormatHive(hive, HKCU)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(bytes, "\xFF\xFE" + Utf8ToUtf16Le(crlf));
    EXPECT_EQ(FormatHive(ParseHive(bytes, HKCU), HKCU), FormatHive(hive, HKCU));
}

TEST(HiveFile, AUtf16FileReadsAsFarAsItIsWhole) {
    const std::string good =
        Utf8ToUtf16Le("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"1\"\r\n");
    const std::string lone = std::string("\"\0b\0\"\0=\0\"\0\x00\xD8\"\0\r\0\n\0", 18);  // "b"="<lone surrogate>"
    const std::string after = Utf8ToUtf16Le("\"c\"=\"3\"\r\n");
    struct Case {
        std::string what;
        std::string bytes;
        std::vector<int> badLines;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {"a line that is not UTF-16", "\xFF\xFE" + good + lone + after, {5}, {"a", "c"}},
        {"cut off inside a character", "\xFF\xFE" + good + after.substr(0, 7), {5}, {"a"}},
        {"whole", "\xFF\xFE" + good + after, {}, {"a", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HiveReading reading = ReadHiveText(c.bytes, HKCU);
        std::vector<int> lines;
        for (const HiveSyntaxError& e : reading.problems) lines.push_back(e.Line());
        EXPECT_EQ(lines, c.badLines);
        ASSERT_NE(reading.hive.SubKey("K"), nullptr);
        std::vector<std::string> names;
        for (const auto& [name, value] : reading.hive.SubKey("K")->values) names.push_back(name);
        EXPECT_EQ(names, c.kept);
    }
}

TEST(HiveFile, RejectsWhatIsNotACompleteHive) {
    const std::string h = "Windows Registry Editor Version 5.00\n";
    const std::string k = "[HKEY_CURRENT_USER\\K]\n";
    struct Case {
        std::string what;
        std::string text;
        int line;
        std::string reason;
    };
    const Case cases[] = {
        {"empty file", "", 1, "空"},
        {"no header", k + "\"v\"=\"1\"\n", 1, "文件头"},
        {"older header", "REGEDIT4\n" + k, 1, "文件头"},
        {"cut in the last line", h + k + "\"v\"=\"1\"\n\"w\"=dword:0000", 4, "不完整"},
        {"cut inside a continued hex value", h + k + "\"v\"=hex:01,\\\n", 3, "没有结束"},
        {"value before any key", h + "\"v\"=\"1\"\n", 2, "任何项"},
        {"another root", h + "[HKEY_LOCAL_MACHINE\\K]\n", 2, "HKEY_CURRENT_USER"},
        {"root name as a prefix only", h + "[HKEY_CURRENT_USERX\\K]\n", 2, "之下"},
        {"key deletion", h + "[-HKEY_CURRENT_USER\\K]\n", 2, "删除"},
        {"value deletion", h + k + "\"v\"=-\n", 3, "删除"},
        {"empty key name", h + "[HKEY_CURRENT_USER\\A\\\\B]\n", 2, "项名为空"},
        {"section without bracket", h + "[HKEY_CURRENT_USER\\A\n", 2, "]"},
        {"unterminated quote", h + k + "\"v\"=\"abc\n", 3, "引号"},
        {"unknown escape", h + k + "\"v\"=\"C:\\Temp\"\n", 3, "转义"},
        {"text after a string", h + k + "\"v\"=\"a\" b\n", 3, "多余"},
        {"missing equals sign", h + k + "\"v\" \"a\"\n", 3, "="},
        {"bare word", h + k + "v=1\n", 3, "无法识别"},
        {"nine-digit dword", h + k + "\"v\"=dword:000000001\n", 3, "DWORD"},
        {"non-hex dword", h + k + "\"v\"=dword:0000000g\n", 3, "DWORD"},
        {"odd hex item", h + k + "\"v\"=hex:1,02\n", 3, "十六进制"},
        {"hex list ending in a comma", h + k + "\"v\"=hex:01,\n", 3, ","},
        {"unsupported hex type", h + k + "\"v\"=hex(5):01,00,00,00\n", 3, "hex(5)"},
        {"hex(b) of the wrong size", h + k + "\"v\"=hex(b):01,00,00,00\n", 3, "8"},
        {"odd UTF-16 length", h + k + "\"v\"=hex(2):41,00,00\n", 3, "偶数"},
        {"lone UTF-16 surrogate", h + k + "\"v\"=hex(2):00,d8,00,00\n", 3, "UTF-16"},
        {"NUL inside a string", h + k + "\"v\"=hex(1):41,00,00,00,42,00,00,00\n", 3, "空字符"},
        {"empty multi-string item", h + k + "\"v\"=hex(7):41,00,00,00,00,00,42,00,00,00,00,00\n", 3, "空字符串"},
        {"hex(4) of the wrong size", h + k + "\"v\"=hex(4):01,02\n", 3, "4"},
        {"invalid UTF-8 on line 4", h + k + "\"a\"=\"1\"\n\"v\"=\"\xB7\xFE\"\n", 4, "UTF-8"},
        {"control character in a value name", h + k + "\"a\x01\"=\"1\"\n", 3, "控制字符"},
        {"garbage",
         "\x7F"
         "ELF\x02\x01\x01\n",
         1, "文件头"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            ParseHive(c.text, HKCU);
            ADD_FAILURE() << "parsed";
        } catch (const HiveSyntaxError& e) {
            EXPECT_EQ(e.Line(), c.line) << e.what();
            EXPECT_THAT(e.Reason(), HasSubstr(c.reason));
            EXPECT_THAT(e.what(), HasSubstr("第 " + std::to_string(c.line) + " 行"));
        }
    }
}

TEST(HiveFile, ReadsEveryLineThatParsesAndNamesTheOthers) {
    const std::string h = "Windows Registry Editor Version 5.00\n\n";
    struct Case {
        std::string what;
        std::string text;
        std::vector<int> badLines;
        std::vector<std::string> kept;  // "key|value|text" that must read
    };
    const Case cases[] = {
        {"an unescaped backslash between good values",
         h + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\"p\"=\"C:\\Temp\"\n\"y\"=\"2\"\n",
         {5},
         {"A|x|1", "A|y|2"}},
        {"a broken key line: its values go with it",
         h + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n[HKEY_CURRENT_USER\\B\n\"y\"=\"2\"\n[HKEY_CURRENT_USER\\C]\n\"z\"="
             "\"3\"\n",
         {5, 6},
         {"A|x|1", "C|z|3"}},
        {"a bad hex value with its continuation lines",
         h + "[HKEY_CURRENT_USER\\A]\n\"b\"=hex:zz,\\\n  01,02\n\"y\"=\"2\"\n",
         {4},
         {"A|y|2"}},
        {"no header", "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n", {1}, {"A|x|1"}},
        {"a line that is not UTF-8", h + "[HKEY_CURRENT_USER\\A]\n\"v\"=\"\xB7\xFE\"\n\"x\"=\"1\"\n", {4}, {"A|x|1"}},
        {"cut off in its last line", h + "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\"y\"=\"2", {5}, {"A|x|1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HiveReading reading = ReadHiveText(c.text, HKCU);
        std::vector<int> lines;
        for (const HiveSyntaxError& e : reading.problems) lines.push_back(e.Line());
        EXPECT_EQ(lines, c.badLines);
        for (const std::string& kept : c.kept) {
            SCOPED_TRACE(kept);
            size_t bar = kept.find('|'), second = kept.rfind('|');
            const RegistryNode* key = reading.hive.SubKey(kept.substr(0, bar));
            ASSERT_NE(key, nullptr);
            const RegistryValue* value = key->Value(kept.substr(bar + 1, second - bar - 1));
            ASSERT_NE(value, nullptr);
            EXPECT_EQ(*value, RegistryValue::String(kept.substr(second + 1)));
        }
        EXPECT_THROW(ParseHive(c.text, HKCU), HiveSyntaxError) << "the strict reading still refuses it";
    }
}

}  // namespace
}  // namespace tesra::platform
