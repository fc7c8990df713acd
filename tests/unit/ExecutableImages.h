#pragma once
// Small hand-made ELF and PE images that carry a version resource block, for the reader's tests.

#include <elf.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "setup/VersionResource.h"
#include "setup/VersionResourceFile.h"

namespace tesra::test {

enum class ByteOrder { Little, Big };

template <typename T>
T InOrder(T value, ByteOrder order) {
    const std::uint16_t one = 1;
    bool hostLittle = *reinterpret_cast<const std::uint8_t*>(&one) == 1;
    if (hostLittle != (order == ByteOrder::Little)) {
        auto* bytes = reinterpret_cast<unsigned char*>(&value);
        std::reverse(bytes, bytes + sizeof value);
    }
    return value;
}

template <typename T>
void Append(Bytes& out, const T& value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

// An ELF file: header, a decoy ".text", the section name table and the named section holding the
// payload, then the section headers at the end.
template <typename Ehdr, typename Shdr>
Bytes MakeElf(const Bytes& payload, ByteOrder order, const std::string& sectionName = kVersionSectionName) {
    auto o = [order](auto v) { return InOrder(v, order); };
    const std::string names = std::string("\0.text\0.shstrtab\0", 17) + sectionName + '\0';
    const Bytes text = {'d', 'e', 'c', 'o', 'y'};
    Bytes out(sizeof(Ehdr), 0);
    const std::size_t textAt = out.size();
    out.insert(out.end(), text.begin(), text.end());
    const std::size_t namesAt = out.size();
    out.insert(out.end(), names.begin(), names.end());
    const std::size_t payloadAt = out.size();
    out.insert(out.end(), payload.begin(), payload.end());
    while (out.size() % 8) out.push_back(0);
    const std::size_t headersAt = out.size();

    auto section = [&](std::uint32_t name, std::uint32_t type, std::size_t offset, std::size_t size) {
        Shdr s{};
        s.sh_name = o(name);
        s.sh_type = o(type);
        s.sh_offset = o(static_cast<decltype(s.sh_offset)>(offset));
        s.sh_size = o(static_cast<decltype(s.sh_size)>(size));
        Append(out, s);
    };
    section(0, SHT_NULL, 0, 0);
    section(1, SHT_PROGBITS, textAt, text.size());
    section(7, SHT_STRTAB, namesAt, names.size());
    section(17, SHT_PROGBITS, payloadAt, payload.size());

    Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = sizeof(Ehdr) == sizeof(Elf64_Ehdr) ? ELFCLASS64 : ELFCLASS32;
    header.e_ident[EI_DATA] = order == ByteOrder::Little ? ELFDATA2LSB : ELFDATA2MSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = o(static_cast<std::uint16_t>(ET_EXEC));
    header.e_version = o(static_cast<std::uint32_t>(EV_CURRENT));
    header.e_ehsize = o(static_cast<std::uint16_t>(sizeof(Ehdr)));
    header.e_shoff = o(static_cast<decltype(header.e_shoff)>(headersAt));
    header.e_shentsize = o(static_cast<std::uint16_t>(sizeof(Shdr)));
    header.e_shnum = o(static_cast<std::uint16_t>(4));
    header.e_shstrndx = o(static_cast<std::uint16_t>(2));
    std::memcpy(out.data(), &header, sizeof header);
    return out;
}

inline void Put16At(Bytes& out, std::size_t at, std::uint16_t v) {
    if (out.size() < at + 2) out.resize(at + 2, 0);
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32At(Bytes& out, std::size_t at, std::uint32_t v) {
    Put16At(out, at, static_cast<std::uint16_t>(v));
    Put16At(out, at + 2, static_cast<std::uint16_t>(v >> 16));
}

enum class PeKind { Pe32, Pe32Plus };

// A PE file with one section ".rsrc" whose resource tree holds an icon type (pointing at junk, to be
// passed over) and RT_VERSION / 1 / 0x0804 with the payload.
inline Bytes MakePe(const Bytes& payload, PeKind kind) {
    constexpr std::uint32_t kSectionRva = 0x1000, kSectionAt = 0x400;
    const bool plus = kind == PeKind::Pe32Plus;
    const std::uint16_t optionalSize = plus ? 240 : 224;
    Bytes out(kSectionAt, 0);
    out[0] = 'M';
    out[1] = 'Z';
    Put32At(out, 0x3C, 0x80);
    Put32At(out, 0x80, 0x00004550);
    const std::size_t coff = 0x84;
    Put16At(out, coff, plus ? 0x8664 : 0x14C);
    Put16At(out, coff + 2, 1);  // one section
    Put16At(out, coff + 16, optionalSize);
    const std::size_t optional = coff + 20;
    Put16At(out, optional, plus ? 0x20B : 0x10B);
    const std::size_t countAt = optional + (plus ? 108 : 92);
    Put32At(out, countAt, 16);

    // The resource section, offsets relative to its start.
    Bytes rsrc;
    auto directory = [&rsrc](std::size_t at, std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> entries) {
        Put16At(rsrc, at + 14, static_cast<std::uint16_t>(entries.size()));
        std::size_t e = at + 16;
        for (auto [id, target] : entries) {
            Put32At(rsrc, e, id);
            Put32At(rsrc, e + 4, target);
            e += 8;
        }
    };
    constexpr std::uint32_t kSub = 0x80000000u;
    directory(0x00, {{3, kSub | 0x30}, {16, kSub | 0x60}});  // RT_ICON, RT_VERSION
    directory(0x30, {{1, 0x48}});                            // icon 1: data entry at 0x48
    Put32At(rsrc, 0x48, kSectionRva + 0x100);                // junk
    Put32At(rsrc, 0x4C, 16);
    directory(0x60, {{1, kSub | 0x78}});       // VS_VERSION_INFO
    directory(0x78, {{0x0804, 0x90}});         // language
    Put32At(rsrc, 0x90, kSectionRva + 0x120);  // data entry: RVA, size
    Put32At(rsrc, 0x94, static_cast<std::uint32_t>(payload.size()));
    rsrc.resize(0x100, 0);
    for (int i = 0; i < 32; ++i) rsrc.push_back(0xEE);
    rsrc.insert(rsrc.end(), payload.begin(), payload.end());
    while (rsrc.size() % 16) rsrc.push_back(0);

    const std::size_t directories = countAt + 4;
    Put32At(out, directories + 2 * 8, kSectionRva);
    Put32At(out, directories + 2 * 8 + 4, static_cast<std::uint32_t>(rsrc.size()));
    const std::size_t sectionHeader = optional + optionalSize;
    std::memcpy(&out[sectionHeader], ".rsrc", 5);
    Put32At(out, sectionHeader + 8, static_cast<std::uint32_t>(rsrc.size()));
    Put32At(out, sectionHeader + 12, kSectionRva);
    Put32At(out, sectionHeader + 16, static_cast<std::uint32_t>(rsrc.size()));
    Put32At(out, sectionHeader + 20, kSectionAt);
    out.insert(out.end(), rsrc.begin(), rsrc.end());
    return out;
}

}  // namespace tesra::test
