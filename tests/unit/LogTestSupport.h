#pragma once
// A client log in a temporary home (or in memory), with fake platform services, and readers of what it
// wrote.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "PlatformFakes.h"
#include "services/LogIdentity.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"
#include "support/tsLog.h"

namespace tesra::testing {

class LogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // Each test starts without a log, as in a fresh home: the files in memory outlive the test.
        ASSERT_FALSE(files.RemoveAll(LogFolder().string()));
        SetLogIdentity(MachineLogIdentity(environment, network));
        RegisterLogClass(LogClassOf<TtsLog>());
        ClientLog().SetLastExceptionMessage("");
    }
    // The identity asks this fixture's network, which goes with it.
    void TearDown() override { SetLogIdentity({GetProgramFileName(), nullptr, nullptr}); }

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
    static bool IsEntry(const std::string& entry, const std::string& escapedText, const std::string& levelName) {
        static const std::regex time(R"(<Log Time="\d{4}-\d\d-\d\d \d\d:\d\d:\d\d" )");
        // The test program carries no version resource: its name and a blank.
        std::string rest = " ClientVersion=\"" + GetProgramFileName() +
                           " \" Host=\"HOST-PC\" IPAddress=\"192.168.1.5\" Log=\"" + escapedText + "\" LogType=\"" +
                           levelName + "\"/>";
        std::smatch match;
        return std::regex_search(entry, match, time) && match.position(0) == 0 &&
               entry.substr(static_cast<size_t>(match.length(0)) - 1) == rest;
    }

    // A temporary home for a test program on the real disk; none where the files are in memory.
    const std::unique_ptr<TempHome> home =
        dynamic_cast<MemEnvironment*>(&platform::Default().environment) ? nullptr : std::make_unique<TempHome>();
    ScopedEnv devEnvironment{"TESRA_DEV_ENVIRONMENT", nullptr};
    // The environment of the test program (fake, or the Linux one) with a fake user interface; the
    // platform of fakes is the default while the fixture lives.
    EnvironmentWithFakeUi environment{platform::Default().environment};
    // The log's files, through the environment: in memory for the portable units.
    platform::Environment& files = environment;
    const std::filesystem::path logFolder = environment.LocalAppDataFolder() + "/Kestal/TesraBrowser/Log";
    fakes::FakePlatform fakes{environment};
    FakeApplication& app = fakes.app;
    FakeBoxes& boxes = fakes.boxes;
    FakeNetwork& network = fakes.network;
    FakeChannel& channel = environment.channel;
    FakeCursor& cursor = environment.cursor;
    FakeFocus& focus = environment.focus;
    FakeScreen& screen = fakes.screen;
};

}  // namespace tesra::testing
