// libcurl is loaded by the first HTTP client, not with the program.
#include "setup/CurlLibrary.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "linux/LinuxEnvironment.h"
#include "platform/SharedLibrary.h"
#include "setup/tsHTTP.h"

namespace tesra {
namespace {

// Whether a library whose file name matches is mapped into this process.
bool Mapped(const std::regex& file) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        const std::size_t slash = line.rfind('/');
        if (slash != std::string::npos && std::regex_match(line.substr(slash + 1), file)) return true;
    }
    return false;
}

// One test: the process starts without the library, and the order of the steps matters.
TEST(CurlLibrary, LoadedWhenAskedForAndOnlyThen) {
    const std::regex curl(R"(libcurl\.so\.4(\.[0-9.]+)?)");
    const std::regex libc(R"(libc\.so\.6)");
    ASSERT_TRUE(Mapped(libc));
    EXPECT_FALSE(Mapped(curl));
    platform::LinuxEnvironment environment;
    const CurlLibrary library = LoadCurl(environment);
    EXPECT_TRUE(Mapped(curl));
    EXPECT_STREQ(library.easy_strerror(CURLE_COULDNT_CONNECT), "Couldn't connect to server");
    TtsHTTP first(library);
    TtsHTTP second(LoadCurl(environment));
}

TEST(LoadSharedLibrary, AMissingLibraryGivesTheReason) {
    std::string error;
    EXPECT_EQ(platform::LoadSharedLibrary("tesra-no-such-library", 1, error), nullptr);
    EXPECT_NE(error.find("libtesra-no-such-library.so.1"), std::string::npos) << error;

    error.clear();
    const auto c = platform::LoadSharedLibrary("c", 6, error);
    ASSERT_NE(c, nullptr) << error;
    EXPECT_NE(c->Symbol("strlen"), nullptr);
    EXPECT_EQ(c->Symbol("tesra_no_such_function"), nullptr);
}

}  // namespace
}  // namespace tesra
