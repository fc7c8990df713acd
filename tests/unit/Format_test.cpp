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

TEST(Format, ConvertsNumbersAndTexts) {
    EXPECT_EQ(Format("%s=%d (%s)", "count", 42, std::string("x")), "count=42 (x)");
}

}  // namespace
}  // namespace tesra
