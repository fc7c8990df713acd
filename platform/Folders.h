#pragma once
// Well-known folders and the running program file. Paths come without a trailing separator.

#include <string>

namespace tesra::platform {

// The user's desktop folder (XDG user dirs on Linux).
std::string DesktopFolder();
// The user's local application data folder (XDG data home on Linux).
std::string LocalAppDataFolder();
// The user's configuration folder (XDG config home on Linux).
std::string ConfigFolder();
// The user's cache folder (XDG cache home on Linux).
std::string CacheFolder();
// The web engine's default disk cache folder of this program for the user (WebKitGTK: the user's
// cache folder + the program name).
std::string WebCacheFolder();
// A private folder for sockets and locks that lives as long as the session (mode 0700).
std::string RuntimeFolder();
// Full path of the running program file: where it was started from, also after that file was
// replaced or removed while the program runs.
std::string ProgramFile();
// A path from which the running program's own bytes are read, whatever became of ProgramFile.
std::string ProgramImage();
// The folder that the platform's package installs the program into; "" when there is none.
std::string PackageProgramFolder();
// Whether this process may create and replace files in the folder.
bool FolderWritable(const std::string& folder);

}  // namespace tesra::platform
