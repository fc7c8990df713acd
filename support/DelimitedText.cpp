#include "support/DelimitedText.h"

#include <string_view>

namespace tesra {
namespace {

bool IsBlank(char c) { return c >= 1 && c <= ' '; }

std::string Quoted(const std::string& entry) {
    std::string out = "\"";
    for (char c : entry) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

// The quoted item at text[at] (which is the quote); at ends after the closing quote, or at the end
// of the text when the quote is not closed.
std::string ExtractQuoted(std::string_view text, std::size_t& at, char quote) {
    std::string item;
    ++at;
    while (at < text.size()) {
        if (text[at] == quote) {
            if (at + 1 < text.size() && text[at + 1] == quote) {
                item += quote;
                at += 2;
                continue;
            }
            ++at;
            return item;
        }
        item += text[at++];
    }
    return item;
}

}  // namespace

std::string CommaText(const std::vector<std::string>& entries) {
    if (entries.size() == 1 && entries[0].empty()) return "\"\"";
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        bool quote = false;
        for (char c : entry) quote = quote || static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"';
        if (i > 0) out += ',';
        out += quote ? Quoted(entry) : entry;
    }
    return out;
}

std::vector<std::string> SplitDelimitedText(const std::string& text, char delimiter, char quote) {
    std::vector<std::string> items;
    // The text ends at its first zero character, as a C string would.
    const std::string_view line(text.c_str());
    const std::size_t end = line.size();
    std::size_t at = 0;
    while (at < end && IsBlank(line[at])) ++at;
    while (at < end) {
        if (line[at] == quote) {
            items.push_back(ExtractQuoted(line, at, quote));
        } else {
            std::size_t start = at;
            while (at<end&& static_cast<unsigned char>(line[at])> ' ' && line[at] != delimiter) ++at;
            items.emplace_back(line.substr(start, at - start));
        }
        while (at < end && IsBlank(line[at])) ++at;
        if (at < end && line[at] == delimiter) {
            if (at + 1 == end) items.emplace_back();
            do ++at;
            while (at < end && IsBlank(line[at]));
        }
    }
    return items;
}

}  // namespace tesra
