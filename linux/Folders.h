#pragma once
// Well-known folders and the running program file. Paths come without a trailing separator.

#include <string>

namespace tesra::platform {

// The user's desktop folder (XDG user dirs on Linux).
std::string DesktopFolder();
// The user's download folder (XDG user dirs on Linux; "Downloads" in the home folder when none is set).
std::string DownloadFolder();
// The user's local application data folder (XDG data home on Linux).
std::string LocalAppDataFolder();
// The user's configuration folder (XDG config home on Linux).
std::string ConfigFolder();
// The user's cache folder (XDG cache home on Linux).
std::string CacheFolder();
// The web engine's default disk cache folder of this program for the user (WebKitGTK: the user's
// cache folder + the program name).
std::string WebCacheFolder();
// The private folder for sockets, locks and the page bridge that lives as long as the session: one
// stable name for the user, in the session's runtime folder when that is the user's own, else in the
// temporary folder. Created (mode 0700) when missing.
std::string RuntimeFolder();
// Checks the runtime folder: the message why it may not be used ("运行目录“%s”不能使用：%s"), empty
// when it may.
std::string CheckRuntimeFolder();
// Why a folder may not serve as the runtime folder: not there, a symbolic link, not a folder, another
// user's, open to anyone but its owner, or on a file system mounted without the right to run
// programs (noexec); empty when it may.
std::string RuntimeFolderFault(const std::string& folder);
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
