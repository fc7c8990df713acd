#pragma once
// Desktop shortcuts: a file in a folder that starts a program with arguments. On Linux a Desktop
// Entry file (".desktop"), on Windows a shell link (".lnk").

#include <string>

namespace tesra::platform {

// The file name suffix of a shortcut, with its dot.
extern const char kShellLinkSuffix[];

// Writes folder/name + kShellLinkSuffix, replacing a shortcut of that name whole, so that opening
// it starts target with the single argument argument in target's folder, showing icon (a picture
// file) and captioned name. name must be a plain file name (no path separator, not empty, not
// starting with a dot). Marks the shortcut as one the desktop may start without asking, where
// the desktop offers that. Returns the file's path. Throws tesra::Exception when the name is not a
// plain file name or the file cannot be written. User-interface thread.
std::string CreateShellLink(const std::string& folder, const std::string& name, const std::string& target,
                            const std::string& argument, const std::string& icon);

}  // namespace tesra::platform
