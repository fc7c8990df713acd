#include "support/JALXMLGenerator.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/TextCodec.h"

namespace tesra {
namespace {

TEST(JALXMLGenerator, WritesNestedElementsExactly) {
    std::ostringstream out;
    TXMLGenerator writer(out);
    writer.StartElement("Root");
    writer.AddAttribute("a", "1");
    writer.StartElement("Child");
    writer.AddAttribute("b", "2");
    writer.EndElement();
    writer.EndElement();
    EXPECT_EQ(out.str(), "<Root a=\"1\">\n  <Child b=\"2\"/>\n</Root>\n");
}

TEST(JALXMLGenerator, IndentsDeeperLevelsAndEmptyElements) {
    std::ostringstream out;
    TtsXMLWriter writer(out);
    writer.StartElement("A");
    writer.StartElement("B");
    writer.StartElement("C");
    writer.EndElement();
    writer.EndElement();
    writer.StartElement("D");
    writer.EndElement();
    writer.EndElement();
    EXPECT_EQ(out.str(), "<A>\n  <B>\n    <C/>\n  </B>\n  <D/>\n</A>\n");
}

TEST(JALXMLGenerator, WritesGbkAndTrimsAttributeNames) {
    std::ostringstream out;
    TXMLGenerator writer(out);
    writer.StartElement("Log");
    writer.AddAttribute("  LogType ", "错误");
    writer.EndElement();
    EXPECT_EQ(out.str(), "<Log LogType=\"\xB4\xED\xCE\xF3\"/>\n");
    EXPECT_EQ(GbkToUtf8(out.str()), "<Log LogType=\"错误\"/>\n");
}

TEST(JALXMLGenerator, AnEndOrAttributeOutsideAnOpenStartTagThrows) {
    std::ostringstream out;
    TXMLGenerator writer(out);
    EXPECT_THROW(writer.EndElement(), std::logic_error);
    EXPECT_THROW(writer.AddAttribute("a", "1"), std::logic_error);
    writer.StartElement("A");
    EXPECT_THROW(writer.AddAttribute("  ", "1"), std::logic_error);
    writer.StartElement("B");
    writer.EndElement();
    EXPECT_THROW(writer.AddAttribute("late", "1"), std::logic_error);  // A's start tag is closed
}

TEST(EscapeXMLText, AttributeMode) {
    struct Case {
        std::string input, expected;
    };
    const Case cases[] = {
        {"<&\"", "&lt;&amp;&quot;"},
        {"a>b", "a&gt;b"},
        {"it's", "it's"},
        {"\n", "\r\n"},
        {"a\nb", "a\r\nb"},
        {"a\r\nb", "a\r\nb"},
        {"\n\n", "\r\n\r\n"},
        {"a\rb", "a\rb"},
        {"a\tb", "a\tb"},
        {"&amp;", "&amp;amp;"},
        {"中文\n", "中文\r\n"},
        {"", ""},
        {"ctl\x01\x1b[0m", "ctl??[0m"},                  // control characters XML 1.0 cannot hold
        {std::string("a\0b\x0b\x0c\x1f", 6), "a?b???"},  // an embedded NUL among them
        {"\x7f\xc2\x85", "\x7f\xc2\x85"},                // DEL and the C1 range are XML 1.0 characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(EscapeXMLText(c.input, EscapeWhitespace::No), c.expected);
    }
}

TEST(EscapeXMLText, WhitespaceMode) {
    struct Case {
        std::string input, expected;
    };
    const Case cases[] = {
        {"a\tb", "a&#9;b"},
        {"a\r\nb", "a&#13;\nb"},
        {"\n", "\n"},
        {"<\t>", "&lt;&#9;&gt;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(EscapeXMLText(c.input, EscapeWhitespace::Yes), c.expected);
    }
}

}  // namespace
}  // namespace tesra
