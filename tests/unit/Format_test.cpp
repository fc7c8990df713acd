#include "support/Format.h"

#include <gtest/gtest.h>

namespace tesra {
namespace {

TEST(Format, FillsSpecifiersInOrder) {
    struct Case {
        std::string format;
        std::vector<std::string> args;
        std::string expected;
    };
    const Case cases[] = {
        {"复制文件“%s”到“%s”失败：%s", {"a", "b", "c"}, "复制文件“a”到“b”失败：c"},
        {"%d%%", {"50"}, "50%"},
        {"no args", {}, "no args"},
        {"%s and %s", {"one"}, "one and %s"},  // a missing argument leaves the specifier
        {"trailing %", {}, "trailing %"},
        {"%x stays", {"unused"}, "%x stays"},
        {"%s", {"%s"}, "%s"},  // an argument is never formatted again
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::string actual;
        switch (c.args.size()) {
        case 0:
            actual = Format(c.format, {});
            break;
        case 1:
            actual = Format(c.format, {c.args[0]});
            break;
        default:
            actual = Format(c.format, {c.args[0], c.args[1], c.args[2]});
            break;
        }
        EXPECT_EQ(actual, c.expected);
    }
}

TEST(CaptionText, DropsControlCharactersAndBoundsTheLength) {
    struct Case {
        std::string title;
        std::string caption;
    };
    const Case cases[] = {
        {"蓝岸应用 - 首页", "蓝岸应用 - 首页"},
        {"a\tb\r\nc\x1b[31md\x7f", "abc[31md"},
        {std::string("a\0b", 3), "ab"},
        {"a\u0085b\u2028c\u2029d", "abcd"},                        // C1 control, line and paragraph separators
        {"safe\u202Egnp.exe\u2066x\u2069\u200F", "safegnp.exex"},  // marks that reorder text
        {"bad \xff\xfe bytes", "bad \uFFFD\uFFFD bytes"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(CaptionText(c.title), c.caption);
    }
    const std::string caption = CaptionText(std::string(5000, 'x'));
    EXPECT_EQ(caption, std::string(kCaptionLimit, 'x'));
    std::string chinese;
    for (int i = 0; i < 5000; ++i) chinese += "标";
    EXPECT_EQ(CaptionText(chinese).size(), kCaptionLimit * 3) << "cut between characters, not bytes";
}

TEST(Format, ConvertsNumbersAndTexts) {
    EXPECT_EQ(Format("%s=%d (%s)", "count", 42, std::string("x")), "count=42 (x)");
}

}  // namespace
}  // namespace tesra
