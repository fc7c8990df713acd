// tesra-bench-memory: the peak memory of a process and all its descendants (a browser's web and
// network processes are children of its UI process), sampled from /proc.
//
//   tesra-bench-memory PID [INTERVAL_MS]
//
// Samples every INTERVAL_MS (default 20) until PID ends or SIGTERM/SIGINT arrives, then prints one line:
// peak summed RSS in KiB, peak summed PSS in KiB, number of samples, most processes seen at once.
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

struct ProcessState {
    char state = '?';
    int parent = 0;
};

// Reads state and parent from /proc/PID/stat; the command name may hold spaces and parentheses.
bool ReadState(int pid, ProcessState& out) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return false;
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 4 > line.size()) return false;
    out.state = line[close + 2];
    const char* begin = line.data() + close + 4;
    return std::from_chars(begin, line.data() + line.size(), out.parent).ec == std::errc();
}

std::map<int, std::vector<int>> ChildrenByParent() {
    std::map<int, std::vector<int>> children;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        int pid = 0;
        if (std::from_chars(name.data(), name.data() + name.size(), pid).ec != std::errc()) continue;
        ProcessState state;
        if (ReadState(pid, state)) children[state.parent].push_back(pid);
    }
    return children;
}

std::vector<int> Tree(int root) {
    const auto children = ChildrenByParent();
    std::vector<int> tree{root};
    for (size_t i = 0; i < tree.size(); ++i) {
        const auto found = children.find(tree[i]);
        if (found != children.end()) tree.insert(tree.end(), found->second.begin(), found->second.end());
    }
    return tree;
}

struct Memory {
    long rss = 0;
    long pss = 0;
};

Memory ReadMemory(int pid) {
    Memory memory;
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string key;
    long value = 0;
    std::string unit;
    while (in >> key) {
        if (key == "Rss:" && in >> value >> unit)
            memory.rss = value;
        else if (key == "Pss:" && in >> value >> unit)
            memory.pss = value;
    }
    return memory;
}

bool Running(int pid) {
    ProcessState state;
    return ReadState(pid, state) && state.state != 'Z' && state.state != 'X';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: tesra-bench-memory PID [INTERVAL_MS]\n");
        return 2;
    }
    const int root = std::atoi(argv[1]);
    const long intervalMs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 20;

    struct sigaction action = {};
    action.sa_handler = RequestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    Memory peak;
    long samples = 0;
    size_t mostProcesses = 0;
    while (!stopRequested && Running(root)) {
        Memory sum;
        const auto tree = Tree(root);
        for (int pid : tree) {
            const Memory memory = ReadMemory(pid);
            sum.rss += memory.rss;
            sum.pss += memory.pss;
        }
        peak.rss = std::max(peak.rss, sum.rss);
        peak.pss = std::max(peak.pss, sum.pss);
        mostProcesses = std::max(mostProcesses, tree.size());
        ++samples;
        const timespec pause{intervalMs / 1000, (intervalMs % 1000) * 1000000};
        nanosleep(&pause, nullptr);
    }
    std::printf("%ld %ld %ld %zu\n", peak.rss, peak.pss, samples, mostProcesses);
    return 0;
}
