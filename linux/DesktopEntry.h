#pragma once
// The Desktop Entry file format (freedesktop.org) of the desktop shortcuts.

#include <string>

namespace tesra::platform {

// A value of type string or localestring: backslash, newline, tab and carriage return written as
// \\, \n, \t and \r, a space at either end as \s (readers drop unescaped ones); other control
// characters, which the format does not allow, are left out.
std::string DesktopEntryString(const std::string& value);

// One argument of the Exec key, quoted so that a launcher gives the program exactly this text as one
// argument: in double quotes with " ` $ and \ escaped by a backslash and % written as %% (no field
// code), and then written as a string value. Control characters other than newline, tab and carriage
// return are left out.
std::string DesktopExecArgument(const std::string& argument);

struct DesktopShortcut {
    std::string name;
    std::string target;
    std::string argument;
    std::string icon;
    std::string workingFolder;
};

// The whole file: an application entry that starts target with the one argument.
std::string DesktopEntryText(const DesktopShortcut& shortcut);

}  // namespace tesra::platform
