#include "setup/VersionResourceFile.h"

#include <gtest/gtest.h>

#include <functional>

#include "EnvironmentFakes.h"
#include "ExecutableImages.h"

namespace tesra {
namespace {

using test::ByteOrder;
using test::MakeElf;
using test::MakePe;
using test::PeKind;

Bytes Payload() {
    VersionResourceFields fields;
    fields.strings = {{"FileVersion", "1.0.0.41"}};
    return BuildVersionResource(fields);
}

Bytes Find(const Bytes& image) {
    MemorySource source(image.data(), image.size());
    return FindVersionResource(source);
}

struct ImageCase {
    const char* name;
    std::function<Bytes(const Bytes&)> make;
};

const ImageCase kImages[] = {
    {"ELF32 LSB", [](const Bytes& p) { return MakeElf<Elf32_Ehdr, Elf32_Shdr>(p, ByteOrder::Little); }},
    {"ELF32 MSB", [](const Bytes& p) { return MakeElf<Elf32_Ehdr, Elf32_Shdr>(p, ByteOrder::Big); }},
    {"ELF64 LSB", [](const Bytes& p) { return MakeElf<Elf64_Ehdr, Elf64_Shdr>(p, ByteOrder::Little); }},
    {"ELF64 MSB", [](const Bytes& p) { return MakeElf<Elf64_Ehdr, Elf64_Shdr>(p, ByteOrder::Big); }},
    {"PE32", [](const Bytes& p) { return MakePe(p, PeKind::Pe32); }},
    {"PE32+", [](const Bytes& p) { return MakePe(p, PeKind::Pe32Plus); }},
};

TEST(VersionResourceFile, FindsTheBlockInEveryImageKind) {
    const Bytes payload = Payload();
    for (const ImageCase& c : kImages) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Find(c.make(payload)), payload);
    }
}

TEST(VersionResourceFile, TruncatedImagesGiveNothing) {
    const Bytes payload = Payload();
    for (const ImageCase& c : kImages) {
        SCOPED_TRACE(c.name);
        const Bytes image = c.make(payload);
        for (std::size_t size = 0; size < image.size(); ++size) {
            Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
            Bytes found = Find(cut);
            // Only cutting off the padding after the block (under 16 bytes) may leave it whole.
            if (!found.empty()) {
                EXPECT_EQ(found, payload) << "size " << size;
            }
            if (size + 15 < image.size()) {
                EXPECT_TRUE(found.empty()) << "size " << size;
            }
        }
    }
}

TEST(VersionResourceFile, ImagesWithoutTheBlockGiveNothing) {
    const Bytes payload = Payload();
    const Bytes otherSection = MakeElf<Elf64_Ehdr, Elf64_Shdr>(payload, ByteOrder::Little, ".tesra.versio");
    EXPECT_TRUE(Find(otherSection).empty());
    const Bytes text = {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n', 'e', 'x', 'i', 't', '\n', '\n', '\n'};
    EXPECT_TRUE(Find(text).empty());
    EXPECT_TRUE(Find({}).empty());
}

TEST(VersionResourceFile, CorruptElfHeadersGiveNothing) {
    const Bytes payload = Payload();
    const Bytes good = MakeElf<Elf64_Ehdr, Elf64_Shdr>(payload, ByteOrder::Little);
    Elf64_Ehdr header;
    std::memcpy(&header, good.data(), sizeof header);
    const std::size_t versionHeader = header.e_shoff + 3 * sizeof(Elf64_Shdr);
    struct Case {
        const char* name;
        std::function<void(Bytes&)> spoil;
    };
    auto setHeader = [](Bytes& b, auto member, auto value) {
        Elf64_Ehdr h;
        std::memcpy(&h, b.data(), sizeof h);
        h.*member = value;
        std::memcpy(b.data(), &h, sizeof h);
    };
    auto setSection = [&](Bytes& b, auto member, auto value) {
        Elf64_Shdr s;
        std::memcpy(&s, &b[versionHeader], sizeof s);
        s.*member = value;
        std::memcpy(&b[versionHeader], &s, sizeof s);
    };
    const Case cases[] = {
        {"unknown class", [](Bytes& b) { b[EI_CLASS] = 7; }},
        {"unknown byte order", [](Bytes& b) { b[EI_DATA] = 0; }},
        {"headers beyond the end", [&](Bytes& b) { setHeader(b, &Elf64_Ehdr::e_shoff, Elf64_Off{1} << 40); }},
        {"header offset wraps", [&](Bytes& b) { setHeader(b, &Elf64_Ehdr::e_shoff, ~Elf64_Off{0} - 8); }},
        {"entries too small", [&](Bytes& b) { setHeader(b, &Elf64_Ehdr::e_shentsize, Elf64_Half{8}); }},
        {"more sections than fit", [&](Bytes& b) { setHeader(b, &Elf64_Ehdr::e_shnum, Elf64_Half{0xFF00}); }},
        {"name table index too big", [&](Bytes& b) { setHeader(b, &Elf64_Ehdr::e_shstrndx, Elf64_Half{9}); }},
        {"section data beyond the end", [&](Bytes& b) { setSection(b, &Elf64_Shdr::sh_offset, Elf64_Off{1} << 40); }},
        {"section data wraps", [&](Bytes& b) { setSection(b, &Elf64_Shdr::sh_offset, ~Elf64_Off{0}); }},
        {"section name beyond the table",
         [&](Bytes& b) { setSection(b, &Elf64_Shdr::sh_name, Elf64_Word{0xFFFFFFF0}); }},
        {"section without data", [&](Bytes& b) { setSection(b, &Elf64_Shdr::sh_type, Elf64_Word{SHT_NOBITS}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bad = good;
        c.spoil(bad);
        EXPECT_TRUE(Find(bad).empty());
    }
}

TEST(VersionResourceFile, ReadsFromAFile) {
    testing::FakeEnvironment environment;
    const std::string folder = "/data";
    const std::string path = folder + "/program.exe";
    const Bytes payload = Payload();
    const Bytes image = MakePe(payload, PeKind::Pe32);
    environment.PutFile(path, std::string(image.begin(), image.end()));
    EXPECT_EQ(ReadVersionResourceFile(environment, path), payload);
    EXPECT_TRUE(ReadVersionResourceFile(environment, folder + "/missing").empty());
    EXPECT_TRUE(ReadVersionResourceFile(environment, folder).empty());  // a folder is no file
}

}  // namespace
}  // namespace tesra
