#pragma once
// File and folder routines: starting a program, the shell folders, a checked file copy.

#include <optional>
#include <string>
#include <vector>

#include "platform/Environment.h"

namespace tesra {

// Shell folder identifiers.
constexpr int CSIDL_DESKTOP = 0;
constexpr int CSIDL_LOCAL_APPDATA = 28;

// Starts the command line without waiting for it; true when the program was started. Never throws.
// The line is split into arguments as a POSIX shell splits words (blanks separate; single quotes,
// double quotes and backslashes quote), without any expansion.
bool RunCommandLine(platform::Environment& environment, const std::string& commandLine, platform::ShowCommand show);
// The arguments of a command line; none for an empty line, an unclosed quote or a trailing backslash.
std::optional<std::vector<std::string>> SplitCommandLine(const std::string& commandLine);
// The text in double quotes, quoted so that SplitCommandLine gives it back unchanged.
std::string QuoteCommandArgument(const std::string& text);

// The folder's path without a trailing delimiter; empty for an identifier the platform does not know.
std::string GetSpecialFolderPath(platform::Environment& environment, int folder);
std::string GetDesktopFolder(platform::Environment& environment);
std::string GetLocalAppDataFolder(platform::Environment& environment);

using platform::IfTargetExists;
enum class OnCopyFailure { ReturnFalse, Raise };

// Copies the file through the environment; true on success. A failed copy raises tesra::Exception
// "复制文件“%s”到“%s”失败：%s" when asked to. A file is never copied onto itself.
bool CopyFileChecked(platform::Environment& environment, const std::string& source, const std::string& target,
                     IfTargetExists ifExists, OnCopyFailure onFailure);

}  // namespace tesra
