#include "registry/HiveFile.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "support/TextCodec.h"

namespace tesra::platform {

const char kHiveHeader[] = "Windows Registry Editor Version 5.00";

HiveSyntaxError::HiveSyntaxError(int line, const std::string& reason)
    : std::runtime_error("第 " + std::to_string(line) + " 行：" + reason), line_(line), reason_(reason) {}

namespace {

using Bytes = std::vector<std::uint8_t>;

// The registry takes only valid UTF-8 texts, so nothing is replaced here.
Bytes Utf16(const std::string& utf8) {
    std::string utf16 = Utf8ToUtf16Le(utf8);
    return Bytes(utf16.begin(), utf16.end());
}

bool HasControlCharacter(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameName(std::string(s.substr(0, prefix.size())), std::string(prefix));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::uint64_t LittleEndian(const Bytes& bytes) {
    std::uint64_t number = 0;
    for (auto byte = bytes.rbegin(); byte != bytes.rend(); ++byte) number = number << 8 | *byte;
    return number;
}

class Parser {
public:
    Parser(std::string_view text, RootKey root) : root_(root) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = std::min(text.find('\n', start), text.size());
            lines_.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    }

    // Every line that parses; each line that does not is kept as a problem and skipped, with the
    // continuation lines of its value. Values below a key line that does not parse are skipped too.
    HiveReading Read() {
        HiveReading reading;
        size_t i = 0;
        while (i < lines_.size() && Trim(lines_[i]).empty()) ++i;
        if (i < lines_.size() && Trim(lines_[i]) == kHiveHeader) {
            ++i;
        } else {
            reading.problems.emplace_back(static_cast<int>(i) + 1, std::string("缺少文件头“") + kHiveHeader + "”");
        }
        for (; i < lines_.size(); ++i) {
            std::string_view line = Trim(lines_[i]);
            if (line.empty() || line.front() == ';') continue;
            try {
                if (!IsValidUtf8(std::string(line))) Fail(i, "不是有效的 UTF-8 文本");
                if (line.front() == '[') {
                    current_ = nullptr;
                    Section(i, line);
                } else {
                    i = Value(i, line);
                }
            } catch (const HiveSyntaxError& e) {
                reading.problems.push_back(e);
                while (i + 1 < lines_.size() && Trim(lines_[i]).ends_with('\\')) ++i;
            }
        }
        reading.hive = std::move(hive_);
        return reading;
    }

private:
    [[noreturn]] void Fail(size_t index, const std::string& reason) const {
        throw HiveSyntaxError(static_cast<int>(index) + 1, reason);
    }

    void Section(size_t index, std::string_view line) {
        size_t close = line.rfind(']');
        if (close != line.size() - 1) Fail(index, "项的名称没有以“]”结束");
        std::string path(line.substr(1, close - 1));
        if (!path.empty() && path.front() == '-') Fail(index, "不支持删除项");
        std::string rootName = RootName(root_);
        if (!StartsWithNoCase(path, rootName) || (path.size() > rootName.size() && path[rootName.size()] != '\\')) {
            Fail(index, "项“" + path + "”不在 " + rootName + " 之下");
        }
        try {
            current_ = &CreateKeyPath(hive_, SplitKeyPath(path.substr(rootName.size())));
        } catch (const RegistryError& e) {
            Fail(index, e.what());
        }
    }

    // Parses the value that starts on line index; returns the index of its last line.
    size_t Value(size_t index, std::string_view line) {
        if (!current_) Fail(index, "值不在任何项之下");
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else if (line.front() == '"') {
            name = Quoted(index, line);
        } else {
            Fail(index, "无法识别的行");
        }
        line = Trim(line);
        if (line.empty() || line.front() != '=') Fail(index, "值名后缺少“=”");
        line = Trim(line.substr(1));
        std::string problem = InvalidValueName(name);
        if (!problem.empty()) Fail(index, problem);

        size_t last = index;
        RegistryValue value;
        if (!line.empty() && line.front() == '"') {
            value = RegistryValue::String(Quoted(index, line));
            if (!Trim(line).empty()) Fail(index, "字符串后有多余的字符");
        } else if (StartsWithNoCase(line, "dword:")) {
            value = RegistryValue::DWord(DWord(index, line.substr(6)));
        } else if (StartsWithNoCase(line, "hex")) {
            std::string data(line);
            while (!data.empty() && data.back() == '\\') {
                data.pop_back();
                if (++last == lines_.size()) Fail(last - 1, "十六进制数据没有结束");
                data += Trim(lines_[last]);
            }
            value = Hex(index, data);
        } else if (line == "-") {
            Fail(index, "不支持删除值");
        } else {
            Fail(index, "无法识别的值数据");
        }
        problem = InvalidValueData(value);
        if (!problem.empty()) Fail(index, problem);
        current_->SetValue(name, value);
        return last;
    }

    // Reads a quoted text at the front of line and removes it from line.
    std::string Quoted(size_t index, std::string_view& line) {
        std::string text;
        for (size_t i = 1; i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') {
                line.remove_prefix(i + 1);
                return text;
            }
            if (c == '\\') {
                if (++i == line.size()) break;
                c = Unescaped(index, line[i]);
            }
            text.push_back(c);
        }
        Fail(index, "引号没有结束");
    }

    // The escapes of the platform's editors: a backslash, a quote, and the line breaks of a text.
    char Unescaped(size_t index, char c) {
        switch (c) {
        case '\\':
        case '"':
            return c;
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        default:
            Fail(index, std::string("无效的转义“\\") + c + "”");
        }
    }

    std::uint32_t DWord(size_t index, std::string_view digits) {
        if (digits.empty() || digits.size() > 8) Fail(index, "DWORD 值须为 1 到 8 位十六进制数");
        std::uint32_t number = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) Fail(index, "DWORD 值须为 1 到 8 位十六进制数");
            number = number * 16 + static_cast<std::uint32_t>(d);
        }
        return number;
    }

    RegistryValue Hex(size_t index, std::string_view data) {
        int kind = 3;  // plain "hex:" is binary
        size_t colon = data.find(':');
        if (colon == std::string_view::npos) Fail(index, "十六进制数据缺少“:”");
        std::string_view type = data.substr(0, colon);
        if (type.size() > 3) {
            if (type.size() != 6 || type[3] != '(' || type[5] != ')' || HexDigit(type[4]) < 0) {
                Fail(index, "无法识别的值类型“" + std::string(type) + "”");
            }
            kind = HexDigit(type[4]);
        }
        Bytes bytes = HexBytes(index, data.substr(colon + 1));
        switch (kind) {
        case 0:
            return RegistryValue::None(std::move(bytes));
        case 1:
            return RegistryValue::String(Utf16Text(index, bytes));
        case 2:
            return RegistryValue::ExpandString(Utf16Text(index, bytes));
        case 3:
            return RegistryValue::Binary(std::move(bytes));
        case 4:
            if (bytes.size() != 4) Fail(index, "hex(4) 值须为 4 个字节");
            return RegistryValue::DWord(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                        static_cast<std::uint32_t>(bytes[3]) << 24);
        case 7:
            return RegistryValue::MultiString(Utf16List(index, bytes));
        case 0xB:
            if (bytes.size() != 8) Fail(index, "hex(b) 值须为 8 个字节");
            return RegistryValue::QWord(LittleEndian(bytes));
        default:
            Fail(index, "不支持的值类型“" + std::string(type) + "”");
        }
    }

    Bytes HexBytes(size_t index, std::string_view list) {
        Bytes bytes;
        list = Trim(list);
        while (!list.empty()) {
            size_t comma = list.find(',');
            std::string_view item = Trim(list.substr(0, comma));
            int high = item.size() == 2 ? HexDigit(item[0]) : -1;
            int low = item.size() == 2 ? HexDigit(item[1]) : -1;
            if (high < 0 || low < 0) Fail(index, "十六进制数据“" + std::string(item) + "”无效");
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
            if (comma == std::string_view::npos) break;
            list.remove_prefix(comma + 1);
            if (Trim(list).empty()) Fail(index, "十六进制数据以“,”结束");
        }
        return bytes;
    }

    std::string Utf16Decoded(size_t index, const Bytes& bytes) {
        if (bytes.size() % 2 != 0) Fail(index, "UTF-16 数据的字节数须为偶数");
        auto text = ExactUtf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!text) Fail(index, "不是有效的 UTF-16 文本");
        return *text;
    }

    std::string Utf16Text(size_t index, const Bytes& bytes) {
        std::string text = Utf16Decoded(index, bytes);
        if (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }

    std::vector<std::string> Utf16List(size_t index, const Bytes& bytes) {
        std::string text = Utf16Decoded(index, bytes);
        while (!text.empty() && text.back() == '\0') text.pop_back();
        std::vector<std::string> items;
        if (text.empty()) return items;
        size_t start = 0;
        while (true) {
            size_t end = text.find('\0', start);
            items.push_back(text.substr(start, end - start));
            if (end == std::string::npos) return items;
            start = end + 1;
        }
    }

    RootKey root_;
    std::vector<std::string_view> lines_;
    RegistryNode hive_;
    RegistryNode* current_ = nullptr;
};

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

// Appends "prefix" followed by the bytes, wrapped as the format wraps long lines.
void AppendHex(std::string& out, std::string line, const Bytes& bytes) {
    char digits[3];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        line += digits;
        if (i + 1 == bytes.size()) break;
        line += ',';
        if (line.size() > 76) {
            out += line + "\\\n";
            line = "  ";
        }
    }
    out += line + "\n";
}

Bytes Terminated(const std::string& text) {
    Bytes bytes = Utf16(text);
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

void AppendValue(std::string& out, const std::string& name, const RegistryValue& value) {
    std::string prefix = name.empty() ? "@=" : "\"" + Escaped(name) + "\"=";
    switch (value.type) {
    case ValueType::String:
        if (HasControlCharacter(value.text)) {
            AppendHex(out, prefix + "hex(1):", Terminated(value.text));
        } else {
            out += prefix + "\"" + Escaped(value.text) + "\"\n";
        }
        return;
    case ValueType::ExpandString:
        AppendHex(out, prefix + "hex(2):", Terminated(value.text));
        return;
    case ValueType::DWord: {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", value.number);
        out += prefix + "dword:" + digits + "\n";
        return;
    }
    case ValueType::Binary:
        AppendHex(out, prefix + "hex:", value.bytes);
        return;
    case ValueType::MultiString: {
        Bytes bytes;
        for (const auto& item : value.strings) {
            Bytes part = Terminated(item);
            bytes.insert(bytes.end(), part.begin(), part.end());
        }
        bytes.insert(bytes.end(), {0, 0});
        AppendHex(out, prefix + "hex(7):", bytes);
        return;
    }
    case ValueType::None:
        AppendHex(out, prefix + "hex(0):", value.bytes);
        return;
    case ValueType::QWord:
        AppendHex(out, prefix + "hex(b):", value.bytes);
        return;
    }
}

void AppendKey(std::string& out, const RegistryNode& key, const std::string& path) {
    if (key.provided) return;
    // The root's own section is written only for its values; every other key has one.
    bool isRoot = path.find('\\') == std::string::npos;
    if (!isRoot || !key.values.empty()) {
        out += "[" + path + "]\n";
        for (const auto& [name, value] : key.values) AppendValue(out, name, value);
        out += "\n";
    }
    for (const auto& sub : key.subkeys) AppendKey(out, *sub, path + "\\" + sub->name);
}

// UTF-16LE to UTF-8 line by line: a line that is not valid UTF-16 comes out as a byte that is not UTF-8,
// so that the parser names that line and reads the others. An odd last byte is the rest of a cut-off
// character and is dropped; the line it ended is then reported as cut off.
std::string Utf16Lines(std::string_view utf16) {
    if (utf16.size() % 2 != 0) utf16.remove_suffix(1);
    std::string text;
    size_t start = 0;
    while (start < utf16.size()) {
        size_t end = start;
        while (end < utf16.size() && !(utf16[end] == '\n' && utf16[end + 1] == '\0')) end += 2;
        auto line = ExactUtf16LeToUtf8(utf16.substr(start, end - start));
        text += line ? *line : "\xFF";
        if (end < utf16.size()) text += '\n';
        start = end + 2;
    }
    return text;
}

}  // namespace

HiveReading ReadHiveText(std::string_view text, RootKey root) {
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        return ReadHiveText(Utf16Lines(text.substr(2)), root);
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (text.empty()) return {{}, {HiveSyntaxError(1, "文件是空的")}};
    std::optional<HiveSyntaxError> cutOff;
    if (text.back() != '\n') {
        // The mark of a file cut off while it was written: the last line may be only part of one.
        size_t lastLine = text.rfind('\n');
        int lines = 1;
        for (char c : text) lines += c == '\n';
        cutOff.emplace(lines, "文件不完整：最后一行没有结束");
        text = lastLine == std::string_view::npos ? std::string_view() : text.substr(0, lastLine + 1);
    }
    HiveReading reading = Parser(text, root).Read();
    if (cutOff) reading.problems.push_back(*cutOff);
    return reading;
}

RegistryNode ParseHive(std::string_view text, RootKey root) {
    HiveReading reading = ReadHiveText(text, root);
    if (!reading.problems.empty()) throw reading.problems.front();
    return std::move(reading.hive);
}

std::string FormatHive(const RegistryNode& hive, RootKey root) {
    std::string out = std::string(kHiveHeader) + "\n\n";
    AppendKey(out, hive, RootName(root));
    return out;
}

std::string HiveFileBytes(const RegistryNode& hive, RootKey root) {
    std::string text;
    for (char c : FormatHive(hive, root)) {
        if (c == '\n') text += '\r';
        text += c;
    }
    return "\xFF\xFE" + Utf8ToUtf16Le(text);
}

}  // namespace tesra::platform
