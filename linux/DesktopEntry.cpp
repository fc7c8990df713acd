#include "linux/DesktopEntry.h"

#include <gio/gio.h>

#include <filesystem>

#include "linux/FileReplace.h"
#include "linux/ShellLink.h"
#include "platform/Exception.h"
#include "support/Format.h"

namespace tesra::platform {
namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// The escapes of the string type; spaces are left to the caller.
std::string EscapeString(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (!IsControl(c)) out += c;
        }
    }
    return out;
}

// A file name that stays in its folder: not empty, no separator, not "." or "..", no hidden file.
bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos;
}

// Lets the desktop start the entry without asking first (GNOME's "Allow Launching"). Only a
// desktop with GVfs metadata keeps the mark; elsewhere the executable bit is what counts.
void MarkTrusted(const std::string& path) {
    g_autoptr(GFile) file = g_file_new_for_path(path.c_str());
    g_file_set_attribute_string(file, "metadata::trusted", "true", G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
}

}  // namespace

const char kShellLinkSuffix[] = ".desktop";

std::string DesktopEntryString(const std::string& value) {
    std::string escaped = EscapeString(value);
    if (!escaped.empty() && escaped.back() == ' ') escaped.replace(escaped.size() - 1, 1, "\\s");
    if (!escaped.empty() && escaped.front() == ' ') escaped.replace(0, 1, "\\s");
    return escaped;
}

std::string DesktopExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return EscapeString(quoted);
}

std::string DesktopEntryText(const DesktopShortcut& shortcut) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=" +
           DesktopEntryString(shortcut.name) +
           "\n"
           "Exec=" +
           DesktopExecArgument(shortcut.target) + " " + DesktopExecArgument(shortcut.argument) +
           "\n"
           "Path=" +
           DesktopEntryString(shortcut.workingFolder) +
           "\n"
           "Icon=" +
           DesktopEntryString(shortcut.icon) +
           "\n"
           "Terminal=false\n";
}

std::string CreateShellLink(const std::string& folder, const std::string& name, const std::string& target,
                            const std::string& argument, const std::string& icon) {
    const std::string path = (std::filesystem::path(folder) / (name + kShellLinkSuffix)).string();
    if (!IsPlainFileName(name)) {
        throw Exception(Format("创建快捷方式“%s”失败：%s", {path, "名称不是文件名"}));
    }
    const std::string workingFolder = std::filesystem::path(target).parent_path().string();
    // Desktops start only entries that are executable.
    ReplaceFile(path, DesktopEntryText({name, target, argument, icon, workingFolder}), FileMode::Executable);
    MarkTrusted(path);
    return path;
}

}  // namespace tesra::platform
