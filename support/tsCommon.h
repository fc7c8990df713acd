#pragma once
// The common routines: message boxes, the debug trace, folders, file names, text tests, and the program's date and time
// text.

#include <chrono>
#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tesra {

namespace platform {
class Application;
class DebugChannel;
class Environment;
class MessageBoxes;
}  // namespace platform

// The caption of the boxes: the application title, or "系统提示" when it is empty.
std::string CaptionFor(const std::string& title);

// The program's message boxes: modal, captioned by the application's title (CaptionFor). The boxes
// and the application outlive the object.
class AppBoxes {
public:
    AppBoxes(platform::MessageBoxes& boxes, const platform::Application& app) : boxes_(boxes), app_(app) {}

    int Show(const std::string& text, unsigned flags) const;
    void Info(const std::string& text) const;
    void Error(const std::string& text) const;
    // Stop icon with OK and Cancel; true exactly when OK was chosen.
    bool Confirm(const std::string& caption, const std::string& text) const;
    // As Confirm, captioned by the application title even when that is empty.
    bool ConfirmApp(const std::string& text) const;

private:
    platform::MessageBoxes& boxes_;
    const platform::Application& app_;
};

// Where a unit reports an error that it goes on without (the client log's LogError).
using ErrorNotifyProc = std::function<void(const std::string& text)>;

// The debug trace: "<date time> - <text>" to the viewer when one runs; lost otherwise. The channel
// and the environment outlive the object. Any thread.
class DebugTracer {
public:
    DebugTracer(platform::DebugChannel& channel, platform::Environment& environment)
        : channel_(channel), environment_(environment) {}

    void Trace(const std::string& text);
    void TraceFmt(std::string_view format, std::initializer_list<std::string> args);
    // True when the text reached a viewer. In the development environment a viewer next to the
    // program is started when none runs.
    bool Send(const std::string& text);

private:
    bool StartViewerAndSend(const std::string& text);

    platform::DebugChannel& channel_;
    platform::Environment& environment_;
};
// The development environment has no window to look for here: the developer declares it by setting
// TESRA_DEV_ENVIRONMENT to a value other than empty or "0".
bool IsDevEnvironmentRunning();

// True when the folder exists, creating it with its missing parents; throws tesra::Exception
// "自动创建“%s”目录失败：%s" when it still does not exist.
bool ForceFolder(platform::Environment& environment, const std::string& path);
// The system's text for the last error of the calling thread (errno).
std::string LastErrorText();
// The program file's folder with a trailing path delimiter, and its name without folder.
std::string GetProgramFolder(platform::Environment& environment);
std::string GetProgramFileName(platform::Environment& environment);

// Text tests; case is ignored for ASCII letters, other bytes compare as they are.
bool StartsText(std::string_view text, std::string_view prefix);
// True when the texts are equal but for the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b);
// The text without the blanks and control characters (every byte up to 0x20) at either end.
std::string TrimBlanks(std::string_view text);
bool ContainsStr(std::string_view part, std::string_view text);
bool ContainsText(std::string_view part, std::string_view text);
// Blanks and control characters trimmed at both ends, a trailing path delimiter added when missing.
std::string FolderWithSlash(std::string_view text);

// An exception's class name: the system's own for tesra::Exception, the C++ type name otherwise.
std::string ExceptionClassName(const std::exception& exception);
// The class names from the exception's own class up to "Exception", the root of every error.
std::vector<std::string> ExceptionClassChain(const std::exception& exception);
// False for no object; true when the object's class or an ancestor is named className (any case).
bool InheritsFromName(const std::exception* object, std::string_view className);

// The program's date-time text: "yyyy-mm-dd hh:nn:ss" in local time (2014-04-29 13:05:09).
std::string DateTimeToStr(std::chrono::system_clock::time_point time);
// Local time through a pattern of yyyy, mm (month), dd, hh (24-hour), nn (minute) and ss; other
// characters stand as they are ("yyyymmdd_hhnnss" gives 20261206_181500).
std::string FormatDateTime(std::string_view pattern, std::chrono::system_clock::time_point time);
std::string NowText();

}  // namespace tesra
