#pragma once
// The program's log set-up in a temporary home, on an environment of the test's choice (a fake one for
// a portable unit, the Linux one for a test of the Linux layer) and fakes of the rest of the platform,
// and readers of what the log wrote.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <type_traits>

#include "PlatformFakes.h"
#include "services/LogIdentity.h"
#include "support/TextCodec.h"
#include "support/tbLog.h"
#include "support/tsCommon.h"
#include "support/tsLog.h"

namespace tesra::testing {

template <class Environment>
class LogFixtureWith : public ::testing::Test {
protected:
    std::filesystem::path LogFolder() const { return logFolder; }
    std::filesystem::path LogFile() const { return LogFolder() / "tesra.elf"; }
    bool LogExists() const { return files.StatusOf(LogFile().string()).kind != platform::PathKind::Missing; }

    // The log's entries as UTF-8, each without its "\n\r\n" ending; fails the test on a damaged file.
    std::vector<std::string> Entries() const {
        std::string text = LogExists() ? GbkToUtf8(files.ReadFile(LogFile().string())) : "";
        const std::string header = GbkToUtf8(kLogFileHeader);
        EXPECT_EQ(text.substr(0, header.size()), header);
        std::vector<std::string> entries;
        size_t at = header.size();
        while (at < text.size()) {
            size_t end = text.find("/>\n\r\n", at);
            EXPECT_NE(end, std::string::npos) << "incomplete entry at " << at;
            if (end == std::string::npos) break;
            entries.push_back(text.substr(at, end + 2 - at));
            at = end + 5;
        }
        return entries;
    }

    // The entry for this text and level type, whatever the time.
    bool IsEntry(const std::string& entry, const std::string& escapedText, const std::string& levelName) {
        static const std::regex time(R"(<Log Time="\d{4}-\d\d-\d\d \d\d:\d\d:\d\d" )");
        // The test program carries no version resource: its name and a blank.
        std::string rest = " ClientVersion=\"" + GetProgramFileName(environment) +
                           " \" Host=\"HOST-PC\" IPAddress=\"192.168.1.5\" Log=\"" + escapedText + "\" LogType=\"" +
                           levelName + "\"/>";
        std::smatch match;
        return std::regex_search(entry, match, time) && match.position(0) == 0 &&
               entry.substr(static_cast<size_t>(match.length(0)) - 1) == rest;
    }

    // A temporary home for a test program on the real disk; none where the files are in memory.
    const std::unique_ptr<TempHome> home =
        std::is_base_of_v<MemEnvironment, Environment> ? nullptr : std::make_unique<TempHome>();
    ScopedEnv devEnvironment{"TESRA_DEV_ENVIRONMENT", nullptr};
    Environment environment;
    // The log's files, through the environment: in memory for the portable units.
    platform::Environment& files = environment;
    const std::filesystem::path logFolder = environment.LocalAppDataFolder() + "/Kestal/TesraBrowser/Log";
    fakes::FakePlatform fakes{environment};
    FakeApplication& app = fakes.app;
    FakeBoxes& boxes = fakes.boxes;
    FakeNetwork& network = fakes.network;
    FakeChannel& channel = fakes.channel;
    FakeCursor& cursor = fakes.cursor;
    FakeFocus& focus = fakes.focus;
    FakeScreen& screen = fakes.screen;
    TbLog tbLog{fakes.handle, MachineLogIdentity(environment, network)};
    TtsCustomLog& log = tbLog.Log();
};

// For the tests of portable units.
using LogFixture = LogFixtureWith<FakeEnvironment>;

}  // namespace tesra::testing
