#include "support/tsCommon.h"

#include <gtest/gtest.h>

namespace tesra {
namespace {

TEST(CaptionFor, TheTitleOrTheSystemsWordWhenThereIsNone) {
    struct Case {
        std::string title;
        std::string caption;
    };
    const Case cases[] = {{"蓝岸浏览器", "蓝岸浏览器"}, {"页面标题", "页面标题"}, {" ", " "}, {"", "系统提示"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(CaptionFor(c.title), c.caption);
    }
}

}  // namespace
}  // namespace tesra
