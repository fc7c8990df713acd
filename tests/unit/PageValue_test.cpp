#include "support/PageValue.h"

#include <gtest/gtest.h>

#include "platform/Exception.h"

namespace tesra {
namespace {

TEST(PageValue, NullAndUndefinedAreLenient) {
    for (const PageValue& value : {PageValue::Null(), PageValue::Undefined()}) {
        SCOPED_TRACE(static_cast<int>(value.kind));
        EXPECT_EQ(PageValueToText(value), "");
        EXPECT_EQ(PageValueToInteger(value), 0);
    }
}

TEST(PageValue, ConvertsToText) {
    struct Case {
        PageValue value;
        std::string expected;
    };
    const Case cases[] = {
        {PageValue::Of(std::string("文本")), "文本"},
        {PageValue::Of(std::string()), ""},
        {PageValue::Of(true), "True"},
        {PageValue::Of(false), "False"},
        {PageValue::Of(3.0), "3"},
        {PageValue::Of(-0.0), "0"},
        {PageValue::Of(1.5), "1.5"},
        {PageValue::Of(123456789012.0), "123456789012"},
        {PageValue::Of(0.1), "0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(PageValueToText(c.value), c.expected);
    }
}

TEST(PageValue, ConvertsToInteger) {
    struct Case {
        PageValue value;
        std::int64_t expected;
    };
    const Case cases[] = {
        {PageValue::Of(true), -1},
        {PageValue::Of(false), 0},
        {PageValue::Of(2.5), 2},  // halves go to the even neighbour
        {PageValue::Of(3.5), 4},
        {PageValue::Of(-7.0), -7},
        {PageValue::Of(std::string(" 42 ")), 42},
        {PageValue::Of(std::string("1.6")), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(PageValueToText(c.value));
        EXPECT_EQ(PageValueToInteger(c.value), c.expected);
    }
}

TEST(PageValue, RejectsWhatIsNoNumber) {
    for (const PageValue& value :
         {PageValue::Of(std::string("abc")), PageValue::Of(std::string("")), PageValue::Of(std::string("12abc")),
          PageValue::Of(1e300), PageValue::Of(std::string("nan"))}) {
        SCOPED_TRACE(PageValueToText(value));
        try {
            PageValueToInteger(value);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.ClassName(), "EVariantTypeCastError");
        }
    }
}

}  // namespace
}  // namespace tesra
