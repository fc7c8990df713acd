#include "support/IniFile.h"

#include <sstream>

#include "platform/Environment.h"
#include "support/FailureLog.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

bool IsIniSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsIniSpace(text[begin])) ++begin;
    while (end > begin && IsIniSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string StripOuterQuotes(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool IsAscii(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// GBK line by line, so that a broken GBK character never swallows a line break.
std::string GbkLines(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        text += IsAscii(line) ? line : GbkToUtf8(line);
        if (end < bytes.size()) text += '\n';
        start = end + 1;
    }
    return text;
}

std::string SwappedPairs(std::string bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    return bytes;
}

std::optional<std::string> ReadWholeFile(platform::Environment& environment, const std::string& path) {
    try {
        return environment.ReadFile(path);
    } catch (const FileFailure&) {
        return std::nullopt;
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string DecodeIniBytes(const std::string& bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return bytes.substr(3);
    if (bytes.starts_with("\xFF\xFE")) return Utf16LeToUtf8(bytes.substr(2));
    if (bytes.starts_with("\xFE\xFF")) return Utf16LeToUtf8(SwappedPairs(bytes.substr(2)));
    // A GBK text of any length is hardly ever valid UTF-8 as well; a UTF-8 text always is.
    if (!IsAscii(bytes) && IsValidUtf8(bytes)) return bytes;
    return GbkLines(bytes);
}

std::vector<TIniFile::Section> ParseIni(const std::string& text) {
    std::vector<TIniFile::Section> sections;
    std::istringstream lines(text);
    std::string raw;
    while (std::getline(lines, raw)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';') continue;
        const std::size_t close = line.rfind(']');
        if (line[0] == '[' && close != std::string::npos) {
            sections.push_back({Trim(line.substr(1, close - 1)), {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || sections.empty()) continue;
        std::string key = Trim(line.substr(0, equals));
        if (key.empty()) continue;
        sections.back().entries.push_back({std::move(key), StripOuterQuotes(Trim(line.substr(equals + 1)))});
    }
    return sections;
}

bool IsIniText(const std::string& bytes) {
    const std::string text = DecodeIniBytes(bytes);
    if (text.find('\0') != std::string::npos) return false;
    std::istringstream lines(text);
    std::string raw;
    bool section = false;
    while (std::getline(lines, raw)) {
        const std::string line = Trim(raw);
        if (!line.empty() && line[0] == '<') return false;
        if (!line.empty() && line[0] == '[' && line.find(']') != std::string::npos) section = true;
    }
    return section;
}

std::optional<std::int32_t> ParseIniInteger(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == '0' && Lower(text[i + 1]) == 'x') {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return std::nullopt;
    // Hexadecimal covers the full 32 bits (0xFFFFFFFF is -1); decimal must fit the signed range.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = base == 16 ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0) return std::nullopt;
        value = value * base + digit;
        if (value > limit) return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

TIniFile::TIniFile(platform::Environment& environment, std::string fileName)
    : environment_(environment), file_name_(std::move(fileName)) {}

void TIniFile::Refresh() const {
    const platform::PathStatus status = environment_.StatusOf(file_name_);
    if (status.kind != platform::PathKind::File) {
        sections_.clear();
        loaded_time_.reset();
        return;
    }
    if (loaded_time_ && *loaded_time_ == status.modified && loaded_size_ == status.size) return;
    const std::optional<std::string> bytes = ReadWholeFile(environment_, file_name_);
    sections_ = bytes ? ParseIni(DecodeIniBytes(*bytes)) : std::vector<Section>{};
    loaded_time_ = status.modified;
    loaded_size_ = status.size;
}

const TIniFile::Section* TIniFile::FindSection(const std::string& name) const {
    Refresh();
    for (const Section& section : sections_) {
        if (SameText(section.name, name)) return &section;
    }
    return nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    const Section* found = FindSection(section);
    if (!found) return def;
    const std::string name = Trim(key);
    for (const Entry& entry : found->entries) {
        if (SameText(entry.key, name)) return entry.value;
    }
    return def;
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const {
    return ParseIniInteger(ReadString(section, key, "")).value_or(def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    std::vector<std::string> keys;
    if (const Section* found = FindSection(section)) {
        for (const Entry& entry : found->entries) keys.push_back(entry.key);
    }
    return keys;
}

}  // namespace tesra
