#pragma once
// A forward-only XML writer: indented elements with attributes, written to a byte stream in the
// GBK code page with single line feeds and no declaration.

#include <ostream>
#include <string>
#include <vector>

namespace tesra {

enum class EscapeWhitespace { No, Yes };

// Escapes &, <, > and " as entity references. With EscapeWhitespace::No (attribute values) a line
// feed that is first or not preceded by a carriage return gets a carriage return before it, and
// tabs and carriage returns stay; with Yes tabs become "&#9;" and carriage returns "&#13;".
// Apostrophes are never escaped.
std::string EscapeXMLText(const std::string& text, EscapeWhitespace whitespace);

class TXMLGenerator {
public:
    // The stream is not owned and must outlive the writer.
    explicit TXMLGenerator(std::ostream& stream);
    virtual ~TXMLGenerator() = default;

    // Closes an open start tag with ">", then begins "<name" on a new indented line.
    void StartElement(const std::string& name);
    // Writes ' name="value"' into the open start tag. Throws std::logic_error for an empty name or
    // when no start tag is open.
    void AddAttribute(const std::string& name, const std::string& value);
    // Closes the innermost element: "/>" when its start tag is still open, else an indented end
    // tag; then a line feed. Throws std::logic_error when no element is open.
    void EndElement();

private:
    void Write(const std::string& utf8);

    std::ostream& stream_;
    int indent_ = 0;
    std::vector<std::string> tags_;
    bool startTagOpen_ = false;
};

// The writer that the object mapping uses.
class TtsXMLWriter : public TXMLGenerator {
public:
    using TXMLGenerator::TXMLGenerator;
};

}  // namespace tesra
