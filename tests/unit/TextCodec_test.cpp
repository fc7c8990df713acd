#include "support/TextCodec.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tesra {

TEST(TextCodec, RoundTripsChineseThroughGbk) {
    std::string text = "蓝岸浏览器 abc";
    std::string gbk = Utf8ToGbk(text);
    EXPECT_EQ(gbk, "\xC0\xB6\xB0\xB6\xE4\xAF\xC0\xC0\xC6\xF7 abc");
    EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(TextCodec, UnrepresentableAndInvalidBecomeQuestionMarks) {
    struct Case {
        std::string utf8;
        std::string gbk;
    };
    const Case cases[] = {
        {"a\xF0\x9F\x98\x80"
         "b",
         "a?b"},            // emoji: no GBK form
        {"x\xFFy", "x?y"},  // stray byte
        {"\xE8\x93", "?"},  // truncated sequence at the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
    }
}

TEST(TextCodec, RecognisesValidUtf8) {
    EXPECT_TRUE(IsValidUtf8("服务器错误"));
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_FALSE(IsValidUtf8("\xB7\xFE\xCE\xF1"));  // GBK bytes
}

TEST(TextCodec, ConvertsUtf16LittleEndian) {
    const std::string utf16(
        "\xDD\x84\xB8\x5C"
        "A\0"
        "\x3D\xD8\x00\xDE",
        10);  // 蓝岸A and an emoji pair
    EXPECT_EQ(Utf16LeToUtf8(utf16), "蓝岸A\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16Le("蓝岸A\xF0\x9F\x98\x80"), utf16);
    // Bad input keeps the UTF-16 alignment: the replacement is one whole character.
    EXPECT_EQ(Utf8ToUtf16Le("a\xFF"
                            "b"),
              std::string("a\0?\0b\0", 6));
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x3D\xD8"
                                        "b\0",
                                        4)),
              "?b");                                         // unpaired surrogate
    EXPECT_EQ(Utf16LeToUtf8(std::string("a\0b", 3)), "a?");  // odd last byte
}

// Every conversion the program makes, on the texts it meets: Chinese and ASCII in the GBK files (the
// address list, the menu file, the log), the UTF-16 of version resources and registry files, and what
// each does with input that is not valid in its encoding.
TEST(TextCodec, ConversionsTable) {
    using Exact = std::function<std::optional<std::string>(const std::string&)>;
    const Exact utf8ToGbk = [](const std::string& s) { return Utf8ToGbk(s); };
    const Exact gbkToUtf8 = [](const std::string& s) { return GbkToUtf8(s); };
    const Exact utf8ToUtf16 = [](const std::string& s) { return Utf8ToUtf16Le(s); };
    const Exact utf16ToUtf8 = [](const std::string& s) { return Utf16LeToUtf8(s); };
    const Exact exactUtf16ToUtf8 = [](const std::string& s) { return ExactUtf16LeToUtf8(s); };
    struct Row {
        const char* name;
        const Exact& convert;
        std::string input;
        std::optional<std::string> output;
    };
    const Row rows[] = {
        {"GBK of an address line", utf8ToGbk, "http://a.example/退出?x=1", "http://a.example/\xCD\xCB\xB3\xF6?x=1"},
        {"GBK of nothing", utf8ToGbk, "", ""},
        {"GBK of a CJK punctuation mark", utf8ToGbk, "“设置”", "\xA1\xB0\xC9\xE8\xD6\xC3\xA1\xB1"},
        {"a stray byte in UTF-8 for GBK", utf8ToGbk, "\x80z", "?z"},
        {"GBK read back", gbkToUtf8, "\xCD\xCB\xB3\xF6\r\n", "退出\r\n"},
        {"a lone GBK lead byte at the end", gbkToUtf8, "ab\xB3", "ab?"},
        {"a bad GBK lead byte keeps the ASCII byte after it", gbkToUtf8,
         "\xB3"
         "1\r",
         "?1\r"},
        {"a GBK pair with no character", gbkToUtf8, "\xFE\xFEz", "?z"},
        {"UTF-16 of a version string", utf8ToUtf16, "1.0.0.41",
         std::string("1\0.\0"
                     "0\0.\0"
                     "0\0.\0"
                     "4\0"
                     "1\0",
                     16)},
        {"UTF-16 of a Chinese name", utf8ToUtf16, "蓝岸", std::string("\xDD\x84\xB8\x5C", 4)},
        {"UTF-16 read leniently", utf16ToUtf8, std::string("\xDD\x84\xB8\x5C", 4), "蓝岸"},
        {"a lone low surrogate read leniently", utf16ToUtf8,
         std::string("\x00\xDC"
                     "a\0",
                     4),
         "?a"},
        {"UTF-16 read exactly", exactUtf16ToUtf8, std::string("\xDD\x84\xB8\x5C\0\0", 6), std::string("蓝岸\0", 7)},
        {"nothing read exactly", exactUtf16ToUtf8, "", ""},
        {"an unpaired surrogate read exactly", exactUtf16ToUtf8, std::string("a\0\x3D\xD8", 4), std::nullopt},
        {"an odd last byte read exactly", exactUtf16ToUtf8, std::string("a\0b", 3), std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.convert(row.input), row.output);
    }
}

TEST(TextCodec, Utf8ValidityTable) {
    const std::pair<std::string, bool> rows[] = {
        {"plain ASCII", true},       {"退出", true}, {"\xF0\x9F\x98\x80", true},  // outside the basic plane
        {"\xCD\xCB\xB3\xF6", false},                                              // GBK bytes
        {"\xC0\xAF", false},                                                      // an overlong form of "/"
        {"\xED\xA0\x80", false},                                                  // a surrogate coded in UTF-8
        {"ok\xE8\x93", false},  // cut off in the middle of a character
    };
    for (const auto& [text, valid] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(IsValidUtf8(text), valid);
    }
}

}  // namespace tesra
