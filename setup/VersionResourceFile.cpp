#include "setup/VersionResourceFile.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace tesra {
namespace {

constexpr std::uint64_t kMaxBlock = 0xFFFF;

// a + b, or none when it overflows.
std::optional<std::uint64_t> Add(std::uint64_t a, std::uint64_t b) {
    if (a > UINT64_MAX - b) return std::nullopt;
    return a + b;
}

Bytes ReadBytes(ByteSource& source, std::uint64_t offset, std::uint64_t size) {
    Bytes out(static_cast<std::size_t>(std::min(size, kMaxBlock)));
    if (!source.Read(offset, out.data(), out.size())) return {};
    return out;
}

template <typename T>
T Swapped(T value) {
    auto* bytes = reinterpret_cast<unsigned char*>(&value);
    std::reverse(bytes, bytes + sizeof value);
    return value;
}

// ELF headers of one class (32 or 64 bit) and one byte order.
template <typename Ehdr, typename Shdr>
class ElfReader {
public:
    ElfReader(ByteSource& source, bool swap) : source_(source), swap_(swap) {}

    Bytes FindSection(const char* wanted) {
        Ehdr header;
        if (!source_.Read(0, &header, sizeof header)) return {};
        offset_ = Fix(header.e_shoff);
        entrySize_ = Fix(header.e_shentsize);
        if (offset_ == 0 || entrySize_ < sizeof(Shdr) || offset_ > source_.Size()) return {};
        std::uint64_t count = Fix(header.e_shnum);
        std::uint64_t namesIndex = Fix(header.e_shstrndx);
        // Counts that do not fit the header are kept in the first section header.
        if (count == 0 || namesIndex == SHN_XINDEX) {
            auto first = Section(0);
            if (!first) return {};
            if (count == 0) count = Fix(first->sh_size);
            if (namesIndex == SHN_XINDEX) namesIndex = Fix(first->sh_link);
        }
        if (count > (source_.Size() - offset_) / entrySize_ || namesIndex >= count) return {};
        auto names = Section(namesIndex);
        if (!names || Fix(names->sh_type) == SHT_NOBITS) return {};
        for (std::uint64_t i = 0; i < count; ++i) {
            auto section = Section(i);
            if (!section) return {};
            if (Fix(section->sh_type) == SHT_NOBITS || !HasName(*names, Fix(section->sh_name), wanted)) continue;
            return ReadBytes(source_, Fix(section->sh_offset), Fix(section->sh_size));
        }
        return {};
    }

private:
    template <typename T>
    T Fix(T value) const {
        return swap_ ? Swapped(value) : value;
    }

    std::optional<Shdr> Section(std::uint64_t index) {
        Shdr section;
        if (!source_.Read(offset_ + index * entrySize_, &section, sizeof section)) return std::nullopt;
        return section;
    }

    bool HasName(const Shdr& names, std::uint64_t nameOffset, const char* wanted) {
        std::size_t length = std::strlen(wanted) + 1;
        auto end = Add(nameOffset, length);
        if (!end || *end > Fix(names.sh_size)) return false;
        auto at = Add(Fix(names.sh_offset), nameOffset);
        std::string name(length, '\0');
        return at && source_.Read(*at, name.data(), length) && std::memcmp(name.data(), wanted, length) == 0;
    }

    ByteSource& source_;
    bool swap_;
    std::uint64_t offset_ = 0;
    std::uint64_t entrySize_ = 0;
};

bool IsHostLittleEndian() {
    const std::uint16_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

Bytes FindElfSection(ByteSource& source, const unsigned char ident[EI_NIDENT], const char* wanted) {
    bool little = ident[EI_DATA] == ELFDATA2LSB;
    if (!little && ident[EI_DATA] != ELFDATA2MSB) return {};
    bool swap = little != IsHostLittleEndian();
    if (ident[EI_CLASS] == ELFCLASS32) return ElfReader<Elf32_Ehdr, Elf32_Shdr>(source, swap).FindSection(wanted);
    if (ident[EI_CLASS] == ELFCLASS64) return ElfReader<Elf64_Ehdr, Elf64_Shdr>(source, swap).FindSection(wanted);
    return {};
}

// A PE image: section table, resource tree (type, name, language) and its data entries.
class PeReader {
public:
    explicit PeReader(ByteSource& source) : source_(source) {}

    Bytes FindVersion() {
        constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
        constexpr std::uint16_t kPe32 = 0x10B, kPe32Plus = 0x20B;
        constexpr std::uint32_t kResourceDirectory = 2, kRtVersion = 16, kVsVersionInfo = 1;

        auto peAt = U32(0x3C);
        if (!peAt || U32(*peAt) != kPeSignature) return {};
        std::uint64_t coff = *peAt + 4ull;
        auto sections = U16(coff + 2);
        auto optionalSize = U16(coff + 16);
        auto magic = U16(coff + 20);
        if (!sections || !optionalSize || !magic || (*magic != kPe32 && *magic != kPe32Plus)) return {};
        std::uint64_t optional = coff + 20;
        std::uint64_t countAt = *magic == kPe32 ? 92 : 108;
        std::uint64_t directoriesAt = countAt + 4;
        auto directories = U32(optional + countAt);
        if (!directories || *directories <= kResourceDirectory) return {};
        if (directoriesAt + (kResourceDirectory + 1) * 8 > *optionalSize) return {};
        auto resourceRva = U32(optional + directoriesAt + kResourceDirectory * 8);
        sectionTable_ = optional + *optionalSize;
        sectionCount_ = *sections;
        if (!resourceRva) return {};
        auto root = RvaToOffset(*resourceRva, 16);
        if (!root) return {};
        root_ = *root;

        auto byType = Entry(root_, kRtVersion, Otherwise::None);
        if (!byType || !byType->directory) return {};
        auto byName = Entry(byType->offset, kVsVersionInfo, Otherwise::First);
        if (!byName || !byName->directory) return {};
        // The first language, as the loader takes when no language is asked for.
        auto byLanguage = Entry(byName->offset, std::nullopt, Otherwise::First);
        if (!byLanguage || byLanguage->directory) return {};
        auto dataRva = U32(byLanguage->offset);
        auto dataSize = U32(byLanguage->offset + 4);
        if (!dataRva || !dataSize) return {};
        auto data = RvaToOffset(*dataRva, std::min<std::uint64_t>(*dataSize, kMaxBlock));
        if (!data) return {};
        return ReadBytes(source_, *data, *dataSize);
    }

private:
    enum class Otherwise { None, First };

    struct DirectoryEntry {
        bool directory;
        std::uint64_t offset;  // in the file
    };

    std::optional<std::uint16_t> U16(std::uint64_t at) {
        unsigned char b[2];
        if (!source_.Read(at, b, 2)) return std::nullopt;
        return static_cast<std::uint16_t>(b[0] | b[1] << 8);
    }

    std::optional<std::uint32_t> U32(std::uint64_t at) {
        unsigned char b[4];
        if (!source_.Read(at, b, 4)) return std::nullopt;
        return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
    }

    // File offset of size bytes at rva, when a section holds them in the file.
    std::optional<std::uint64_t> RvaToOffset(std::uint64_t rva, std::uint64_t size) {
        for (std::uint64_t i = 0; i < sectionCount_; ++i) {
            std::uint64_t header = sectionTable_ + i * 40;
            auto address = U32(header + 12);
            auto rawSize = U32(header + 16);
            auto rawOffset = U32(header + 20);
            if (!address || !rawSize || !rawOffset) return std::nullopt;
            if (rva >= *address && rva + size <= std::uint64_t{*address} + *rawSize)
                return *rawOffset + (rva - *address);
        }
        return std::nullopt;
    }

    // The entry with this id in the directory at offset; when there is none (or no id is given),
    // the first entry or nothing.
    std::optional<DirectoryEntry> Entry(std::uint64_t directory, std::optional<std::uint32_t> id, Otherwise otherwise) {
        auto named = U16(directory + 12);
        auto ids = U16(directory + 14);
        if (!named || !ids || *named + *ids == 0) return std::nullopt;
        std::optional<std::uint64_t> chosen;
        if (id) {
            for (std::uint64_t i = *named; i < std::uint64_t{*named} + *ids && !chosen; ++i) {
                auto name = U32(directory + 16 + i * 8);
                if (!name) return std::nullopt;
                if (*name == *id) chosen = directory + 16 + i * 8;
            }
        }
        if (!chosen && otherwise == Otherwise::None) return std::nullopt;
        if (!chosen) chosen = directory + 16;
        auto target = U32(*chosen + 4);
        if (!target) return std::nullopt;
        return DirectoryEntry{(*target & 0x80000000u) != 0, root_ + (*target & 0x7FFFFFFFu)};
    }

    ByteSource& source_;
    std::uint64_t sectionTable_ = 0;
    std::uint64_t sectionCount_ = 0;
    std::uint64_t root_ = 0;
};

}  // namespace

bool MemorySource::Read(std::uint64_t offset, void* out, std::size_t size) {
    if (offset > size_ || size > size_ - offset) return false;
    std::memcpy(out, data_ + offset, size);
    return true;
}

Bytes FindVersionResource(ByteSource& source) {
    unsigned char ident[EI_NIDENT];
    if (!source.Read(0, ident, sizeof ident)) return {};
    if (std::memcmp(ident, ELFMAG, SELFMAG) == 0) return FindElfSection(source, ident, kVersionSectionName);
    if (ident[0] == 'M' && ident[1] == 'Z') return PeReader(source).FindVersion();
    return {};
}

Bytes ReadVersionResourceFile(platform::Environment& environment, const std::string& path) {
    FileSource file(environment, path);
    if (!file.IsOpen()) return {};
    return FindVersionResource(file);
}

}  // namespace tesra
