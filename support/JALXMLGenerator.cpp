#include "support/JALXMLGenerator.h"

#include <algorithm>
#include <stdexcept>

#include "support/TextCodec.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string EscapeXMLText(const std::string& text, EscapeWhitespace whitespace) {
    // Every test looks at the input only, so inserted references are never escaped again. The
    // special characters are ASCII, so working on the UTF-8 bytes is working on characters.
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
            out += whitespace == EscapeWhitespace::Yes ? "&#9;" : "\t";
            break;
        case '\r':
            out += whitespace == EscapeWhitespace::Yes ? "&#13;" : "\r";
            break;
        case '\n':
            if (whitespace == EscapeWhitespace::No && (i == 0 || text[i - 1] != '\r')) out += '\r';
            out += '\n';
            break;
        default:
            // XML 1.0 holds no other control character (not even as a reference): as with
            // characters that GBK cannot hold, "?" stands in for it.
            out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        }
    }
    return out;
}

TXMLGenerator::TXMLGenerator(std::ostream& stream) : stream_(stream) {}

void TXMLGenerator::Write(const std::string& utf8) {
    if (IsAscii(utf8)) {
        stream_ << utf8;
    } else {
        stream_ << Utf8ToGbk(utf8);
    }
}

void TXMLGenerator::StartElement(const std::string& name) {
    if (startTagOpen_) Write(">\n");
    Write(std::string(static_cast<size_t>(indent_), ' ') + "<" + name);
    indent_ += 2;
    tags_.push_back(name);
    startTagOpen_ = true;
}

void TXMLGenerator::AddAttribute(const std::string& name, const std::string& value) {
    std::string trimmed = TrimBlanks(name);
    if (trimmed.empty()) throw std::logic_error("XML attribute without a name");
    if (!startTagOpen_ || tags_.empty()) throw std::logic_error("XML attribute outside a start tag");
    Write(" " + trimmed + "=\"" + EscapeXMLText(value, EscapeWhitespace::No) + "\"");
}

void TXMLGenerator::EndElement() {
    if (tags_.empty()) throw std::logic_error("XML end without an open element");
    if (startTagOpen_) {
        Write("/>");
    } else {
        Write(std::string(static_cast<size_t>(indent_ - 2), ' ') + "</" + tags_.back() + ">");
    }
    Write("\n");
    startTagOpen_ = false;
    indent_ -= 2;
    tags_.pop_back();
}

}  // namespace tesra
