#include "support/Format.h"

namespace tesra {

std::string Format(std::string_view format, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(format.size() + 64);
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        char conversion = format[i + 1];
        if (conversion == '%') {
            out += '%';
            ++i;
        } else if ((conversion == 's' || conversion == 'd') && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tesra
