#pragma once
// The client log: one XML element per entry, appended to the GBK file "tesra.elf".

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "support/tsCommon.h"
#include "support/tsXMLObject.h"

namespace tesra {

namespace platform {
class Environment;
class FocusInfo;
}  // namespace platform

// The first two lines of a new log file.
inline constexpr char kLogFileHeader[] = "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<Logs>\r\n";
// Appended to the log file's name: the file beside it that keeps the tails of cut-off entries.
inline constexpr char kLogPartialSuffix[] = ".partial";

constexpr int kLogLevelCount = 10;
constexpr int kLogDebug = 0;
constexpr int kLogInfo = 1;
constexpr int kLogWarning = 2;
constexpr int kLogError = 3;
constexpr int kLogException = 4;
// "调试", "信息", "警告", "错误", "异常", "系统", "设计", "操作", "入侵", "删除"; empty beyond the table.
std::string LogLevelName(int level);

// The client machine as each entry names it. Its sources (the version reader, the machine's address)
// live in units above the log, so the program hands them in at start-up.
struct LogIdentity {
    std::string clientVersion;             // "<program file> <file version>"
    std::function<std::string()> host;     // asked for each entry; a failure leaves the attribute empty
    std::function<std::string()> address;  // asked for each entry; a failure gives "127.0.0.1"
};

class TtsCustomLog {
public:
    virtual ~TtsCustomLog() = default;

    // True in the development environment (see IsDevEnvironmentRunning).
    virtual bool IsDesignEnvironment();
    virtual bool IsQuietMode();
    // True when the exception's class is not exactly "Exception".
    virtual bool IsSpecificException(const std::exception& exception);
    virtual bool IgnoreException(const std::exception& exception);
    // Whether an exception offers the user to send a screenshot report.
    virtual bool OfferReport();
    // The log folder, ending in a path delimiter.
    virtual std::string GetLogPath() = 0;
    // Stores one serialised entry (GBK bytes); nothing here.
    virtual void DoClientLog(const std::string& entryText);
    virtual std::string GetLogFileName();

    // Replaces the identity that entries name; until then they name no version, no host and
    // 127.0.0.1. Any thread.
    void SetIdentity(LogIdentity identity);
    LogIdentity Identity() const;

    void LogText(const std::string& text, int level);
    void LogError(const std::string& text);
    void LogException(const std::string& text);
    // The caption directly followed by the exception's description (DescribeException).
    void LogExceptionWithCaption(const std::string& caption, const std::exception& exception,
                                 platform::FocusInfo& focus);
    // One entry serialised, as DoClientLog receives it.
    std::string EntryText(const std::string& text, int level) const;

    // The message of the last exception that the exception hook treated as new.
    const std::string& LastExceptionMessage() const { return lastExceptionMessage_; }
    void SetLastExceptionMessage(const std::string& message) { lastExceptionMessage_ = message; }

private:
    mutable std::mutex identityMutex_;
    LogIdentity identity_;
    std::string lastExceptionMessage_;
};

// The program's log: the folder Kestal/TesraBrowser/Log/ in the local application data; each entry
// one write under a lock on the file, which several processes may share; a log that ends in a cut-off
// entry is mended first (the tail goes to the ".partial" file beside it, so nothing is lost). Failures
// are reported to the debug trace only. Entries name the program file until an identity is set. The
// environment and the trace outlive the log.
class TtsLog : public TtsCustomLog {
public:
    TtsLog(platform::Environment& environment, DebugTracer& trace);

    std::string GetLogPath() override;
    void DoClientLog(const std::string& entryText) override;

private:
    platform::Environment& environment_;
    DebugTracer& trace_;
    std::mutex mutex_;
};

// One entry: the element "Log" with the attributes Time, ClientVersion, Host, IPAddress, Log and
// LogType. Time, Host and IPAddress are taken from the identity when the entry is serialised.
class TtsCustomLogItem : public TtsXMLElementObject {
public:
    TtsCustomLogItem(std::string text, int level, LogIdentity identity);
    std::string ClassName() const override { return "TtsCustomLogItem"; }

    std::string GetTime() const;
    std::string GetClientVersion() const;
    std::string GetHost() const;
    std::string GetIPAddress() const;
    std::string GetLogType() const { return LogLevelName(level_); }
    // Fixes the Time attribute instead of the clock.
    void SetFixedTime(std::string time) { fixedTime_ = std::move(time); }

protected:
    std::vector<PublishedProperty> PublishedProperties() const override;

private:
    std::string text_;
    int level_;
    LogIdentity identity_;
    std::string fixedTime_;
};

}  // namespace tesra
