// tesra-bench-pingpong: the floor of any call from one process to another on this machine. Two
// processes joined by a Unix stream socket; the first sends a small frame (a 32-bit length and a body
// of the size of a bridge request), the second reads it whole and answers with a frame of the size of
// a bridge reply, the first reads that whole. Each round trip is timed alone.
//
//   tesra-bench-pingpong [CALLS]    prints "floor n=N median_us=... p99_us=... mean_us=..."
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

constexpr std::uint32_t kRequestBody = 48;  // "(sv)" with "Service.ShowNewMessageHint" and two values
constexpr std::uint32_t kReplyBody = 12;    // "(bsv)" with an empty text and "()"

bool ReadAll(int fd, char* data, size_t size) {
    while (size > 0) {
        ssize_t n = read(fd, data, size);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads one frame; false at the end of the stream.
bool ReadFrame(int fd, std::vector<char>& body) {
    std::uint32_t length = 0;
    if (!ReadAll(fd, reinterpret_cast<char*>(&length), sizeof length)) return false;
    body.resize(length);
    return ReadAll(fd, body.data(), length);
}

bool WriteFrame(int fd, const std::vector<char>& frame) {
    return write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
}

std::vector<char> Frame(std::uint32_t body) {
    std::vector<char> frame(sizeof body + body, 'x');
    std::memcpy(frame.data(), &body, sizeof body);
    return frame;
}

void Answer(int fd) {
    std::vector<char> body;
    const std::vector<char> reply = Frame(kReplyBody);
    while (ReadFrame(fd, body) && WriteFrame(fd, reply)) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::atoi(argv[1]) : 2000;
    int fds[2];
    if (calls <= 0 || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 1;
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        Answer(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    const std::vector<char> request = Frame(kRequestBody);
    std::vector<char> body;
    std::vector<double> times;
    for (int i = 0; i < calls + calls / 10; ++i) {
        auto start = std::chrono::steady_clock::now();
        if (!WriteFrame(fds[0], request) || !ReadFrame(fds[0], body)) return 1;
        double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        if (i >= calls / 10) times.push_back(us);  // the first tenth warms up
    }
    close(fds[0]);
    waitpid(child, nullptr, 0);
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    double mean = std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(times.size());
    std::printf("floor n=%d median_us=%.1f p99_us=%.1f mean_us=%.1f min_us=%.1f\n", calls, sorted[sorted.size() / 2],
                sorted[sorted.size() * 99 / 100], mean, sorted.front());
    return 0;
}
