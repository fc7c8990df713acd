#include "setup/VersionResource.h"

#include <gtest/gtest.h>

#include <functional>

namespace tesra {
namespace {

VersionResourceFields SampleFields() {
    VersionResourceFields fields;
    fields.fileVersion[0] = 1;
    fields.fileVersion[3] = 41;
    fields.strings = {{"CompanyName", "Kestal"},
                      {"FileDescription", "蓝岸浏览器"},
                      {"FileVersion", "1.0.0.41"},
                      {"InternalName", "2014-04-29"},
                      {"LegalTrademarks", ""}};
    return fields;
}

// Little-endian writer for the expected bytes.
struct Expected {
    Bytes bytes;
    void W(std::uint16_t v) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
    }
    void D(std::uint32_t v) {
        W(static_cast<std::uint16_t>(v));
        W(static_cast<std::uint16_t>(v >> 16));
    }
    void S(const char* ascii) {
        for (const char* c = ascii; *c; ++c) W(static_cast<std::uint8_t>(*c));
        W(0);
    }
    void Pad(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
};

TEST(VersionResource, WritesTheVsVersionInfoLayoutByteForByte) {
    VersionResourceFields fields;
    std::uint16_t version[4] = {1, 2, 3, 4};
    std::copy(version, version + 4, fields.fileVersion);
    std::copy(version, version + 4, fields.productVersion);
    fields.strings = {{"A", "B"}};

    // Offsets worked out by hand: every block and value starts on a 32-bit boundary.
    Expected e;
    e.W(236), e.W(52), e.W(0), e.S("VS_VERSION_INFO"), e.Pad(2);  // 0..40
    for (std::uint32_t v :
         {0xFEEF04BDu, 0x10000u, 0x10002u, 0x30004u, 0x10002u, 0x30004u, 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u}) {
        e.D(v);  // 40..92
    }
    e.W(76), e.W(0), e.W(1), e.S("StringFileInfo");                                // 92..128
    e.W(40), e.W(0), e.W(1), e.S("080403a8");                                      // 128..152
    e.W(16), e.W(2), e.W(1), e.S("A"), e.Pad(2), e.S("B");                         // 152..168
    e.W(68), e.W(0), e.W(1), e.S("VarFileInfo"), e.Pad(2);                         // 168..200
    e.W(36), e.W(4), e.W(0), e.S("Translation"), e.Pad(2), e.W(0x0804), e.W(936);  // 200..236

    EXPECT_EQ(BuildVersionResource(fields), e.bytes);
}

TEST(VersionResource, AnswersQueriesOnWhatItWrote) {
    VersionResource resource(BuildVersionResource(SampleFields()));
    ASSERT_TRUE(resource.IsValid());
    EXPECT_EQ(resource.QueryValue("\\VarFileInfo\\Translation"), (Bytes{0x04, 0x08, 0xA8, 0x03}));

    struct Case {
        const char* path;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"\\StringFileInfo\\080403a8\\FileVersion", "1.0.0.41"},
        {"\\StringFileInfo\\080403a8\\FileDescription", "蓝岸浏览器"},
        {"\\StringFileInfo\\080403A8\\internalname", "2014-04-29"},  // keys ignore letter case
        {"\\StringFileInfo\\080403a8\\LegalTrademarks", ""},
        {"\\StringFileInfo\\080403a8\\Comments", std::nullopt},
        {"\\StringFileInfo\\040904b0\\FileVersion", std::nullopt},
        {"\\StringFileInfo\\080403a8\\FileVersion\\Deeper", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(resource.QueryText(c.path), c.text);
    }
}

TEST(VersionResource, StopsAStringAtItsTerminatingZero) {
    // A value length that counts more than the text (some resource compilers count bytes).
    Expected e;
    e.W(0), e.W(0), e.W(0), e.S("VS_VERSION_INFO"), e.Pad(2);
    std::size_t stringAt = e.bytes.size();
    e.W(24), e.W(10), e.W(1), e.S("K"), e.Pad(2), e.S("abc"), e.Pad(4);
    e.bytes[0] = static_cast<std::uint8_t>(e.bytes.size());
    e.bytes[stringAt] = static_cast<std::uint8_t>(e.bytes.size() - stringAt);
    EXPECT_EQ(VersionResource(e.bytes).QueryText("\\K"), "abc");
}

TEST(VersionResource, EveryTruncationIsRejected) {
    Bytes block = BuildVersionResource(SampleFields());
    for (std::size_t size = 0; size < block.size(); ++size) {
        SCOPED_TRACE(size);
        VersionResource truncated(Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size)));
        EXPECT_FALSE(truncated.IsValid());
        EXPECT_FALSE(truncated.QueryText("\\StringFileInfo\\080403a8\\FileVersion"));
    }
}

TEST(VersionResource, MalformedBlocksAnswerNothing) {
    const Bytes good = BuildVersionResource(SampleFields());
    const std::size_t stringInfo = 92;  // first child of the root
    auto setWord = [](Bytes& b, std::size_t at, std::uint16_t v) {
        b[at] = static_cast<std::uint8_t>(v);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    struct Case {
        const char* name;
        std::function<void(Bytes&)> spoil;
    };
    const Case cases[] = {
        {"root length below a header", [&](Bytes& b) { setWord(b, 0, 4); }},
        {"root longer than the data", [&](Bytes& b) { setWord(b, 0, static_cast<std::uint16_t>(b.size() + 4)); }},
        {"wrong root key", [](Bytes& b) { b[6] = 'X'; }},
        {"child longer than its parent", [&](Bytes& b) { setWord(b, stringInfo, 0xFFFF); }},
        {"child length zero", [&](Bytes& b) { setWord(b, stringInfo, 0); }},
        {"child ends inside its key", [&](Bytes& b) { setWord(b, stringInfo, 8); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bad = good;
        c.spoil(bad);
        EXPECT_FALSE(VersionResource(bad).QueryText("\\StringFileInfo\\080403a8\\FileVersion"));
    }
}

}  // namespace
}  // namespace tesra
