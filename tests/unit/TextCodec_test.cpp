#include "support/TextCodec.h"

#include <gtest/gtest.h>

namespace tesra {

TEST(TextCodec, RoundTripsChineseThroughGbk) {
    std::string text = "蓝岸浏览器 abc";
    std::string gbk = Utf8ToGbk(text);
    EXPECT_EQ(gbk, "\xC0\xB6\xB0\xB6\xE4\xAF\xC0\xC0\xC6\xF7 abc");
    EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(TextCodec, UnrepresentableAndInvalidBecomeQuestionMarks) {
    struct Case { std::string utf8; std::string gbk; };
    const Case cases[] = {
        {"a\xF0\x9F\x98\x80" "b", "a?b"},   // emoji: no GBK form
        {"x\xFFy", "x?y"},                  // stray byte
        {"\xE8\x93", "?"},                  // truncated sequence at the end
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

}  // namespace tesra
