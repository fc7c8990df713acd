#include "setup/VersionResource.h"

#include <algorithm>
#include <stdexcept>

#include "support/TextCodec.h"

namespace tesra {
namespace {

constexpr std::uint16_t kBinary = 0;
constexpr std::uint16_t kText = 1;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedInfoVersion = 0x00010000;
constexpr std::uint32_t kFileFlagsMask = 0x3F;
constexpr std::uint32_t kOsNtWindows32 = 0x00040004;
constexpr std::uint32_t kFileTypeApp = 1;

std::size_t Align4(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

void Put16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

void Pad4(Bytes& out) { out.resize(Align4(out.size()), 0); }

Bytes Utf16z(const std::string& utf8) {
    std::string utf16 = Utf8ToUtf16Le(utf8);
    Bytes out(utf16.begin(), utf16.end());
    Put16(out, 0);
    return out;
}

// One block: header, key, value and children, each part starting on a 32-bit boundary.
// valueLength is in characters for text values and in bytes for binary ones.
Bytes MakeBlock(const std::string& key, std::uint16_t type, const Bytes& value, std::uint16_t valueLength,
                const std::vector<Bytes>& children) {
    Bytes out(6, 0);
    Bytes name = Utf16z(key);
    out.insert(out.end(), name.begin(), name.end());
    Pad4(out);
    out.insert(out.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad4(out);
        out.insert(out.end(), child.begin(), child.end());
    }
    if (out.size() > 0xFFFF) throw std::length_error("version resource block too long: " + key);
    out[0] = static_cast<std::uint8_t>(out.size());
    out[1] = static_cast<std::uint8_t>(out.size() >> 8);
    out[2] = static_cast<std::uint8_t>(valueLength);
    out[3] = static_cast<std::uint8_t>(valueLength >> 8);
    out[4] = static_cast<std::uint8_t>(type);
    return out;
}

Bytes StringBlock(const std::string& key, const std::string& value) {
    Bytes text = Utf16z(value);
    return MakeBlock(key, kText, text, static_cast<std::uint16_t>(text.size() / 2), {});
}

std::uint32_t High(const std::uint16_t v[4]) { return std::uint32_t{v[0]} << 16 | v[1]; }
std::uint32_t Low(const std::uint16_t v[4]) { return std::uint32_t{v[2]} << 16 | v[3]; }

Bytes FixedFileInfo(const VersionResourceFields& fields) {
    Bytes out;
    for (std::uint32_t value : {kFixedInfoSignature, kFixedInfoVersion, High(fields.fileVersion),
                                Low(fields.fileVersion), High(fields.productVersion), Low(fields.productVersion),
                                kFileFlagsMask, 0u, kOsNtWindows32, kFileTypeApp, 0u, 0u, 0u}) {
        Put32(out, value);
    }
    return out;
}

std::string Hex4(std::uint16_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(digits[(value >> shift) & 0xF]);
    return out;
}

bool SameKey(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

Bytes BuildVersionResource(const VersionResourceFields& fields) {
    std::vector<Bytes> strings;
    for (const auto& [key, value] : fields.strings) strings.push_back(StringBlock(key, value));
    Bytes table = MakeBlock(Hex4(fields.language) + Hex4(fields.codePage), kText, {}, 0, strings);
    Bytes stringInfo = MakeBlock("StringFileInfo", kText, {}, 0, {table});

    Bytes translation;
    Put16(translation, fields.language);
    Put16(translation, fields.codePage);
    Bytes var = MakeBlock("Translation", kBinary, translation, static_cast<std::uint16_t>(translation.size()), {});
    Bytes varInfo = MakeBlock("VarFileInfo", kText, {}, 0, {var});

    Bytes fixed = FixedFileInfo(fields);
    return MakeBlock("VS_VERSION_INFO", kBinary, fixed, static_cast<std::uint16_t>(fixed.size()),
                     {stringInfo, varInfo});
}

struct VersionResource::Block {
    std::size_t end = 0;
    std::string key;
    std::size_t valueStart = 0;
    std::size_t valueSize = 0;  // in bytes, cut at the end of the block
    std::size_t childrenStart = 0;
};

VersionResource::VersionResource(Bytes data) : data_(std::move(data)) {}

std::optional<VersionResource::Block> VersionResource::ReadBlock(std::size_t start, std::size_t limit) const {
    if (start + 6 > limit) return std::nullopt;
    auto word = [this](std::size_t at) { return static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8); };
    std::size_t length = word(start);
    if (length < 6 || start + length > limit) return std::nullopt;
    Block block;
    block.end = start + length;
    std::size_t at = start + 6;
    std::string key;
    while (at + 2 <= block.end && word(at) != 0) {
        key.push_back(static_cast<char>(data_[at]));
        key.push_back(static_cast<char>(data_[at + 1]));
        at += 2;
    }
    if (at + 2 > block.end) return std::nullopt;  // key without its terminating zero
    block.key = Utf16LeToUtf8(key);
    block.valueStart = std::min(Align4(at + 2), block.end);
    std::size_t declared = word(start + 4) == kText ? std::size_t{word(start + 2)} * 2 : word(start + 2);
    block.valueSize = std::min(declared, block.end - block.valueStart);
    block.childrenStart = Align4(block.valueStart + block.valueSize);
    return block;
}

std::optional<VersionResource::Block> VersionResource::Find(const std::string& path) const {
    auto block = ReadBlock(0, data_.size());
    if (!block || block->key != "VS_VERSION_INFO") return std::nullopt;
    for (const std::string& part : SplitPath(path)) {
        std::optional<Block> found;
        std::size_t at = block->childrenStart;
        while (!found) {
            auto child = ReadBlock(at, block->end);
            if (!child) break;
            if (SameKey(child->key, part)) found = child;
            at = Align4(child->end);
        }
        if (!found) return std::nullopt;
        block = found;
    }
    return block;
}

bool VersionResource::IsValid() const { return Find("").has_value(); }

std::optional<Bytes> VersionResource::QueryValue(const std::string& path) const {
    auto block = Find(path);
    if (!block) return std::nullopt;
    auto first = data_.begin() + static_cast<std::ptrdiff_t>(block->valueStart);
    return Bytes(first, first + static_cast<std::ptrdiff_t>(block->valueSize));
}

std::optional<std::string> VersionResource::QueryText(const std::string& path) const {
    auto value = QueryValue(path);
    if (!value) return std::nullopt;
    std::string utf16;
    for (std::size_t i = 0; i + 1 < value->size(); i += 2) {
        if ((*value)[i] == 0 && (*value)[i + 1] == 0) break;
        utf16.push_back(static_cast<char>((*value)[i]));
        utf16.push_back(static_cast<char>((*value)[i + 1]));
    }
    return Utf16LeToUtf8(utf16);
}

}  // namespace tesra
