#include "support/DelimitedText.h"

#include <gtest/gtest.h>

namespace tesra {
namespace {

TEST(DelimitedText, CommaTextQuotesOnlyWhereNeeded) {
    struct Case {
        std::vector<std::string> entries;
        std::string text;
    };
    const Case cases[] = {
        {{"1.0.0.41", "2014-04-29"}, "1.0.0.41,2014-04-29"},
        {{"", ""}, ","},
        {{"", "x"}, ",x"},
        {{"a b", "c"}, "\"a b\",c"},
        {{"a,b"}, "\"a,b\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"tab\there"}, "\"tab\there\""},
        {{std::string("nul\0x", 5)}, std::string("\"nul\0x\"", 7)},
        {{"蓝岸浏览器", "a'b;c"}, "蓝岸浏览器,a'b;c"},
        {{""}, "\"\""},
        {{}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CommaText(c.entries), c.text);
    }
}

TEST(DelimitedText, SplitsLikeTheClassLibrary) {
    struct Case {
        std::string text;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"1.0.0.41", {"1", "0", "0", "41"}},
        {"1.2.3", {"1", "2", "3"}},
        {"  1 . 2 .3 . 4  ", {"1", "2", "3", "4"}},
        {"1 2.3", {"1", "2", "3"}},  // a blank ends an item as well
        {"1.2.3.", {"1", "2", "3", ""}},
        {".1", {"", "1"}},
        {"1..2", {"1", "", "2"}},
        {"\"1.2\".3", {"1.2", "3"}},
        {"\"a\"\"b\".c", {"a\"b", "c"}},
        {"\"open.end", {"open.end"}},
        {"", {}},
        {"   ", {}},
        {std::string("1.2\0.3", 6), {"1", "2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SplitDelimitedText(c.text, '.'), c.items);
    }
}

}  // namespace
}  // namespace tesra
