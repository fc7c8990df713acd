#pragma once
// Values read late-bound from page objects and automation results, and the lenient conversion
// rule of the program: a null or undefined value converts to the empty text or to 0 instead of
// failing.

#include <cstdint>
#include <string>

namespace tesra {

struct PageValue {
    enum class Kind { Undefined, Null, Boolean, Number, Text };
    Kind kind = Kind::Undefined;
    bool boolean = false;
    double number = 0;
    std::string text;

    static PageValue Undefined() { return {}; }
    static PageValue Null() { return {Kind::Null, false, 0, {}}; }
    static PageValue Of(bool value) { return {Kind::Boolean, value, 0, {}}; }
    static PageValue Of(double value) { return {Kind::Number, false, value, {}}; }
    static PageValue Of(std::string value) { return {Kind::Text, false, 0, std::move(value)}; }
};

// Null and undefined give ""; true and false give "True" and "False"; a whole number is written
// without a fraction, other numbers with up to 15 significant digits.
std::string PageValueToText(const PageValue& value);

// Null and undefined give 0; true gives -1 and false 0; numbers and numeric texts are rounded to
// the nearest integer (halves to even). Throws tesra::Exception (EVariantTypeCastError) for a text
// that is not a number and for a value outside the 64-bit range.
std::int64_t PageValueToInteger(const PageValue& value);

}  // namespace tesra
