#pragma once
// Program files and the processes that run now.

#include <string>
#include <vector>

namespace tesra::platform {

// The file name suffix of program files, with its dot: none on Linux, ".exe" on Windows.
extern const char kProgramFileSuffix[];

// The full path of the program file of every running process that this user may look at, in no
// particular order. A process whose program file was replaced or deleted since it started is not
// listed under that path. Any thread.
std::vector<std::string> RunningProgramFiles();

}  // namespace tesra::platform
