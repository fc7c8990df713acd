#include "support/tsFileUtils.h"

#include <system_error>

#include "platform/Environment.h"
#include "platform/Exception.h"
#include "support/Format.h"

namespace tesra {
namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The characters that a backslash quotes inside double quotes.
bool IsDoubleQuoteSpecial(char c) { return c == '"' || c == '\\' || c == '$' || c == '`'; }

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(const std::string& line) {
    std::vector<std::string> arguments;
    std::string current;
    bool inWord = false;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (IsSeparator(c)) {
            if (inWord) arguments.push_back(std::move(current));
            current.clear();
            inWord = false;
            ++i;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (i + 1 == line.size()) return std::nullopt;
            if (line[i + 1] != '\n') current += line[i + 1];
            i += 2;
        } else if (c == '\'') {
            size_t close = line.find('\'', i + 1);
            if (close == std::string::npos) return std::nullopt;
            current.append(line, i + 1, close - i - 1);
            i = close + 1;
        } else if (c == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size() &&
                    (IsDoubleQuoteSpecial(line[i + 1]) || line[i + 1] == '\n')) {
                    if (line[i + 1] != '\n') current += line[i + 1];
                    i += 2;
                } else {
                    current += line[i++];
                }
            }
            if (i == line.size()) return std::nullopt;
            ++i;
        } else {
            current += c;
            ++i;
        }
    }
    if (inWord) arguments.push_back(std::move(current));
    if (arguments.empty()) return std::nullopt;
    return arguments;
}

std::string QuoteCommandArgument(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (IsDoubleQuoteSpecial(c)) quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

bool RunCommandLine(platform::Environment& environment, const std::string& commandLine, platform::ShowCommand show) {
    try {
        auto arguments = SplitCommandLine(commandLine);
        return arguments && environment.StartProgram(*arguments, show);
    } catch (const std::exception&) {
        return false;
    }
}

std::string GetSpecialFolderPath(platform::Environment& environment, int folder) {
    switch (folder) {
    case CSIDL_DESKTOP:
        return environment.DesktopFolder();
    case CSIDL_LOCAL_APPDATA:
        return environment.LocalAppDataFolder();
    default:
        return {};
    }
}

std::string GetDesktopFolder(platform::Environment& environment) {
    return GetSpecialFolderPath(environment, CSIDL_DESKTOP);
}
std::string GetLocalAppDataFolder(platform::Environment& environment) {
    return GetSpecialFolderPath(environment, CSIDL_LOCAL_APPDATA);
}

bool CopyFileChecked(platform::Environment& environment, const std::string& source, const std::string& target,
                     IfTargetExists ifExists, OnCopyFailure onFailure) {
    // Overwriting a file with itself would empty it before reading it.
    const std::error_code error = environment.SameFile(source, target) ? std::make_error_code(std::errc::file_exists)
                                                                       : environment.CopyFile(source, target, ifExists);
    if (!error) return true;
    if (onFailure == OnCopyFailure::Raise) {
        throw Exception(Format("复制文件“%s”到“%s”失败：%s", {source, target, error.message()}));
    }
    return false;
}

}  // namespace tesra
