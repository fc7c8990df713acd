#include "support/PageValue.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Exception.h"

namespace tesra {
namespace {

[[noreturn]] void CastError(const char* from) {
    throw Exception(std::string("Could not convert variant of type (") + from + ") into type (Int64)",
                    "EVariantTypeCastError");
}

std::int64_t RoundChecked(double number, const char* from) {
    double rounded = std::nearbyint(number);
    // 2^63 is the first double outside the range.
    if (!std::isfinite(rounded) || rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) {
        CastError(from);
    }
    return static_cast<std::int64_t>(rounded);
}

double ParseNumber(const std::string& text) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    char* end = nullptr;
    double number = std::strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end == begin || !end || *end != '\0') CastError("String");
    return number;
}

}  // namespace

std::string PageValueToText(const PageValue& value) {
    switch (value.kind) {
    case PageValue::Kind::Undefined:
    case PageValue::Kind::Null:
        return {};
    case PageValue::Kind::Boolean:
        return value.boolean ? "True" : "False";
    case PageValue::Kind::Number: {
        char buffer[32];
        if (std::isfinite(value.number) && value.number == std::trunc(value.number) && std::fabs(value.number) < 1e15) {
            std::snprintf(buffer, sizeof buffer, "%.0f", value.number == 0 ? 0.0 : value.number);
        } else {
            std::snprintf(buffer, sizeof buffer, "%.15g", value.number);
        }
        return buffer;
    }
    case PageValue::Kind::Text:
        return value.text;
    }
    return {};
}

std::int64_t PageValueToInteger(const PageValue& value) {
    switch (value.kind) {
    case PageValue::Kind::Undefined:
    case PageValue::Kind::Null:
        return 0;
    case PageValue::Kind::Boolean:
        return value.boolean ? -1 : 0;
    case PageValue::Kind::Number:
        return RoundChecked(value.number, "Double");
    case PageValue::Kind::Text:
        return RoundChecked(ParseNumber(value.text), "String");
    }
    return 0;
}

}  // namespace tesra
