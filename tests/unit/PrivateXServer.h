#pragma once
// A private X server (Xvfb) for one test program, so that tests that need a display, a tray host or
// the pointer never share them with anything else, and processes started on it (a tray host); GTK
// opened on it for the whole test program.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ScopedEnv.h"

namespace tesra::testing {

// Starts the program with the current environment, its output and errors going nowhere; it ends
// with the test program even when that crashes. keepFd stays open in it. 0 on failure.
inline pid_t SpawnProgram(const std::vector<std::string>& args, int keepFd = -1) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid < 0 ? 0 : pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    for (int fd = 3; fd < 1024; ++fd) {
        if (fd != keepFd) close(fd);
    }
    execvp(argv[0], argv.data());
    _exit(127);
}

inline void StopProgram(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

class PrivateXServer {
public:
    // Starts Xvfb on a free display number and points DISPLAY at it.
    PrivateXServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = SpawnProgram({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten",
                             "tcp", "-noreset"},
                            fds[1]);
        close(fds[1]);
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (pid_ && poll(&ready, 1, 20000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) return;
        display_ = ":" + number;
        display_variable_.emplace("DISPLAY", display_);
    }
    ~PrivateXServer() { StopProgram(pid_); }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    bool Running() const { return !display_.empty(); }
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = 0;
    std::string display_;
    std::optional<ScopedEnv> display_variable_;
};

// GTK on a private X server for the whole test program: the server starts before the first test and
// stops after the last. A test program adds one with ::testing::AddGlobalTestEnvironment.
class GtkOnPrivateXServer : public ::testing::Environment {
public:
    void SetUp() override {
        server_ = std::make_unique<PrivateXServer>();
        ASSERT_TRUE(server_->Running()) << "Xvfb did not start";
        ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "cannot open " << server_->Display();
    }
    void TearDown() override { server_.reset(); }

    const std::string& Display() const { return server_->Display(); }

private:
    std::unique_ptr<PrivateXServer> server_;
};

}  // namespace tesra::testing
