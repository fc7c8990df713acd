#pragma once
// Exception reporting: the hook that the crash-reporting layer calls, the Chinese description of
// an exception, the error-text translation and the screenshot report offer.

#include <exception>
#include <string>

#include "platform/Platform.h"
#include "support/CrashReporting.h"

namespace tesra {

namespace platform {
class FocusInfo;
}  // namespace platform
class TtsCustomLog;

// "光标在表单“…”(name:class) 中控件“…”(name:class) 时, 发生 <class> 异常：<message>", the form and
// control parts only when there are an active window and a focused control.
std::string DescribeException(platform::FocusInfo& focus, const std::exception& exception);

// Replaces the whole text by the first matching row's replacement, row after row; true when any
// row matched. Patterns are found ignoring the case of ASCII letters.
bool TranslateErrorText(std::string& text);

// The confirmation text of the report offer for the translated message and the screenshot path.
std::string ReportDialogText(const std::string& translated, const std::string& screenshotPath);
// The updater's command line: ksUpdate in the program folder, "/SendLog" and the quoted path.
std::string UpdaterCommandLine(const std::string& programFolder, const std::string& screenshotPath);

// The exception report of one run: the hook that the crash-reporting layer calls and the screenshot
// report offer. The platform and the log outlive it. User-interface thread.
class ExceptionReport {
public:
    ExceptionReport(const platform::Platform& platform, TtsCustomLog& log) : platform_(platform), log_(log) {}

    // Stage 0: remembers new messages, shows the message box outside the development environment
    // and logs each new exception once. Stages 2 and 3 clear proceed; others leave it.
    void ExceptionHook(const ExceptionRecord& record, int stage, bool& proceed);

    // Saves a JPEG (quality 30) of the whole screen with the cursor to path, or when path is empty to
    // "sysLog<yyyymmdd_hhnnss>.jpg" in the log folder, and appends the remembered entry record after
    // a line break. The file name is remembered before the picture is taken. Throws tesra::Exception.
    void CaptureScreenReport(const std::string& path);

    // Takes the screenshot, and when the message translates, asks the user whether to send it; on OK
    // starts the updater with the screenshot and sets sent.
    void OfferReportToUser(const std::string& message, const std::string& entryRecord, bool& sent);

    // The path of the last screenshot, empty when none is known.
    const std::string& LastScreenshotPath() const { return screenshotPath_; }

private:
    platform::Platform platform_;
    TtsCustomLog& log_;
    std::string screenshotPath_;
    std::string entryRecord_;
};

}  // namespace tesra
