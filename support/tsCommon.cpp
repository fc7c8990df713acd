#include "support/tsCommon.h"

#include <cxxabi.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>
#include <typeinfo>

#include "platform/Application.h"
#include "platform/DebugChannel.h"
#include "platform/Environment.h"
#include "platform/Exception.h"
#include "platform/MessageBox.h"
#include "support/Format.h"

namespace tesra {
namespace fs = std::filesystem;

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperText(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = UpperAscii(c);
    return upper;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::tm LocalParts(std::chrono::system_clock::time_point time) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return parts;
}

void AppendNumber(std::string& out, int value, int digits) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < digits) out.append(static_cast<size_t>(digits) - text.size(), '0');
    out += text;
}

}  // namespace

std::string CaptionFor(const std::string& title) { return title.empty() ? "系统提示" : title; }

int AppBoxes::Show(const std::string& text, unsigned flags) const {
    return boxes_.Show(text, CaptionFor(app_.Title()), flags);
}

void AppBoxes::Info(const std::string& text) const { Show(text, platform::MB_ICONINFORMATION); }

void AppBoxes::Error(const std::string& text) const { Show(text, platform::MB_ICONSTOP); }

bool AppBoxes::Confirm(const std::string& caption, const std::string& text) const {
    return boxes_.Show(text, caption, platform::MB_ICONSTOP | platform::MB_OKCANCEL) == platform::IDOK;
}

bool AppBoxes::ConfirmApp(const std::string& text) const { return Confirm(app_.Title(), text); }

void DebugTracer::Trace(const std::string& text) { Send(NowText() + " - " + text); }

void DebugTracer::TraceFmt(std::string_view format, std::initializer_list<std::string> args) {
    Trace(Format(format, args));
}

bool DebugTracer::Send(const std::string& text) {
    if (channel_.Send(text)) return true;
    return IsDevEnvironmentRunning() && StartViewerAndSend(text);
}

// Starts the viewer that sits next to the program and gives it a moment to open its socket.
bool DebugTracer::StartViewerAndSend(const std::string& text) {
    std::string viewer = GetProgramFolder(environment_) + "tsDebugInfo";
    if (environment_.StatusOf(viewer).kind == platform::PathKind::Missing ||
        !environment_.StartProgram({viewer}, platform::ShowCommand::Normal))
        return false;
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (channel_.Send(text)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

bool IsDevEnvironmentRunning() {
    const char* value = std::getenv("TESRA_DEV_ENVIRONMENT");
    return value && *value && std::string_view(value) != "0";
}

bool ForceFolder(platform::Environment& environment, const std::string& path) {
    const std::error_code error = environment.MakeFolders(path);
    if (!error) return true;
    throw Exception(Format("自动创建“%s”目录失败：%s", {path, error.message()}));
}

std::string LastErrorText() { return std::generic_category().message(errno); }

std::string GetProgramFolder(platform::Environment& environment) {
    fs::path folder = fs::path(environment.ProgramFile()).parent_path();
    return (folder / "").string();
}

std::string GetProgramFileName(platform::Environment& environment) {
    return fs::path(environment.ProgramFile()).filename().string();
}

bool StartsText(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && UpperText(text.substr(0, prefix.size())) == UpperText(prefix);
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsText(a, b); }

std::string TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

bool ContainsStr(std::string_view part, std::string_view text) { return text.find(part) != std::string_view::npos; }

bool ContainsText(std::string_view part, std::string_view text) {
    return UpperText(text).find(UpperText(part)) != std::string::npos;
}

std::string FolderWithSlash(std::string_view text) {
    std::string folder = TrimBlanks(text);
    if (folder.empty() || folder.back() != fs::path::preferred_separator) folder += fs::path::preferred_separator;
    return folder;
}

std::string ExceptionClassName(const std::exception& exception) {
    if (auto* own = dynamic_cast<const Exception*>(&exception)) return own->ClassName();
    const char* mangled = typeid(exception).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                          &std::free);
    return status == 0 && demangled ? demangled.get() : mangled;
}

std::vector<std::string> ExceptionClassChain(const std::exception& exception) {
    std::vector<std::string> chain{ExceptionClassName(exception)};
    if (chain.front() != "Exception") chain.push_back("Exception");
    return chain;
}

bool InheritsFromName(const std::exception* object, std::string_view className) {
    if (!object) return false;
    for (const std::string& name : ExceptionClassChain(*object)) {
        if (name.size() == className.size() && StartsText(name, className)) return true;
    }
    return false;
}

std::string FormatDateTime(std::string_view pattern, std::chrono::system_clock::time_point time) {
    std::tm parts = LocalParts(time);
    struct Token {
        std::string_view text;
        int value;
    };
    const Token tokens[] = {{"yyyy", parts.tm_year + 1900}, {"mm", parts.tm_mon + 1}, {"dd", parts.tm_mday},
                            {"hh", parts.tm_hour},          {"nn", parts.tm_min},     {"ss", parts.tm_sec}};
    std::string out;
    size_t i = 0;
    while (i < pattern.size()) {
        bool matched = false;
        for (const Token& token : tokens) {
            if (pattern.substr(i, token.text.size()) == token.text) {
                AppendNumber(out, token.value, static_cast<int>(token.text.size()));
                i += token.text.size();
                matched = true;
                break;
            }
        }
        if (!matched) out += pattern[i++];
    }
    return out;
}

std::string DateTimeToStr(std::chrono::system_clock::time_point time) {
    return FormatDateTime("yyyy-mm-dd hh:nn:ss", time);
}

std::string NowText() { return DateTimeToStr(std::chrono::system_clock::now()); }

}  // namespace tesra
