#include "linux/Process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>

extern char** environ;

namespace tesra::platform {

bool StartProgram(const std::vector<std::string>& arguments, ShowCommand /*show*/) {
    if (arguments.empty() || arguments[0].empty()) return false;
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    // glibc reports a failed exec as the result of posix_spawnp, so a missing program answers false.
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    // The program runs on its own; reap it when it ends so it does not stay behind as a zombie.
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return true;
}

}  // namespace tesra::platform
