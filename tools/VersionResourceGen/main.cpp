// Build-time generator of the version resource block that is embedded in our executables.
// Usage: VersionResourceGen OUTPUT VERSION [Key=Value]...
// VERSION has four numbers (a.b.c.d) and is both FileVersion and ProductVersion unless given as
// Key=Value; InternalName defaults to the build date (yyyy-mm-dd, from SOURCE_DATE_EPOCH when set).
// OUTPUT is rewritten only when its content changes, so an unchanged resource relinks nothing.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "setup/VersionResource.h"

namespace {

bool ParseVersion(const std::string& text, std::uint16_t out[4]) {
    std::istringstream in(text);
    for (int i = 0; i < 4; ++i) {
        unsigned long part = 0;
        if (!(in >> part) || part > 0xFFFF) return false;
        out[i] = static_cast<std::uint16_t>(part);
        if (i < 3 && in.get() != '.') return false;
    }
    return in.peek() == std::char_traits<char>::eof();
}

std::string BuildDate() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        now = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
        gmtime_r(&now, &parts);
    } else {
        localtime_r(&now, &parts);
    }
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &parts);
    return date;
}

tesra::Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return tesra::Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: " << argv[0] << " OUTPUT VERSION [Key=Value]...\n";
        return 2;
    }
    const std::string output = argv[1];
    const std::string version = argv[2];
    tesra::VersionResourceFields fields;
    if (!ParseVersion(version, fields.fileVersion)) {
        std::cerr << "version must have four numbers: " << version << "\n";
        return 2;
    }
    std::copy(fields.fileVersion, fields.fileVersion + 4, fields.productVersion);

    // Keys in alphabetical order, as resource compilers write them.
    std::map<std::string, std::string> strings = {
        {"FileVersion", version}, {"ProductVersion", version}, {"InternalName", BuildDate()}};
    for (int i = 3; i < argc; ++i) {
        std::string pair = argv[i];
        auto equals = pair.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::cerr << "expected Key=Value: " << pair << "\n";
            return 2;
        }
        strings[pair.substr(0, equals)] = pair.substr(equals + 1);
    }
    fields.strings.assign(strings.begin(), strings.end());

    tesra::Bytes block;
    try {
        block = tesra::BuildVersionResource(fields);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    if (ReadFile(output) == block) return 0;
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    out.close();
    if (!out) {
        std::cerr << "cannot write " << output << "\n";
        return 1;
    }
    return 0;
}
