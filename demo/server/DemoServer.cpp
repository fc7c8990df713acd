// tesra-demo-server: the local web server behind the demo application and the end-to-end tests.
// Serves the demo pages and the "/setup/" resources, collects what the pages report, and offers a few
// routes that misbehave on purpose. It listens on 127.0.0.1 only.
#ifndef CPPHTTPLIB_OPENSSL_SUPPORT
#define CPPHTTPLIB_OPENSSL_SUPPORT
#endif
#include <httplib.h>

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kHost = "127.0.0.1";
constexpr auto kNeverLimit = std::chrono::seconds(30);
constexpr auto kSlowLimit = std::chrono::seconds(60);
// Browsers keep several connections open per host, and held requests occupy a thread each.
constexpr size_t kThreads = 64;

struct Options {
    fs::path root = TESRA_DEMO_ROOT;
    int port = 0;
    std::string portFile;
    int otherPort = -1;
    std::string otherPortFile;
    int httpsPort = -1;
    std::string httpsPortFile;
    std::string cert;
    std::string key;
    std::string eventsFile;
    fs::path setupDir;    // empty: root/setup
    int setupStatus = 0;  // 0: serve the setup files
    std::string setupJsonMessage;
    long setupDelayMs = 0;
    std::string setupRedirect;  // non-empty: each setup request is redirected (302) to this + its name
    bool isolated = false;      // cross-origin isolated pages: performance.now() at its finest step
};

void PrintUsage() {
    std::cerr << "usage: tesra-demo-server [--root DIR] [--port N] [--port-file F]\n"
                 "         [--other-port N] [--other-port-file F]\n"
                 "         [--https-port N] [--https-port-file F] --cert F --key F\n"
                 "         [--events-file F] [--setup-dir DIR] [--setup-delay MS]\n"
                 "         [--no-setup] [--setup-status N] [--setup-jsonmessage TEXT]\n"
                 "         [--setup-redirect URL] [--isolated]\n"
                 "Port 0 picks a free port. Listens on 127.0.0.1 only.\n";
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--no-setup") {
            options.setupStatus = 404;
            continue;
        }
        if (name == "--isolated") {
            options.isolated = true;
            continue;
        }
        if (name == "--help" || i + 1 >= argc) return std::nullopt;
        const std::string value = argv[++i];
        try {
            if (name == "--root")
                options.root = value;
            else if (name == "--port")
                options.port = std::stoi(value);
            else if (name == "--port-file")
                options.portFile = value;
            else if (name == "--other-port")
                options.otherPort = std::stoi(value);
            else if (name == "--other-port-file")
                options.otherPortFile = value;
            else if (name == "--https-port")
                options.httpsPort = std::stoi(value);
            else if (name == "--https-port-file")
                options.httpsPortFile = value;
            else if (name == "--cert")
                options.cert = value;
            else if (name == "--key")
                options.key = value;
            else if (name == "--events-file")
                options.eventsFile = value;
            else if (name == "--setup-dir")
                options.setupDir = value;
            else if (name == "--setup-status")
                options.setupStatus = std::stoi(value);
            else if (name == "--setup-delay")
                options.setupDelayMs = std::stol(value);
            else if (name == "--setup-jsonmessage")
                options.setupJsonMessage = value;
            else if (name == "--setup-redirect")
                options.setupRedirect = value;
            else
                return std::nullopt;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    // A port file alone asks for a listener on a free port.
    if (options.otherPort < 0 && !options.otherPortFile.empty()) options.otherPort = 0;
    if (options.httpsPort < 0 && !options.httpsPortFile.empty()) options.httpsPort = 0;
    if (options.httpsPort < 0 && !options.cert.empty()) options.httpsPort = 0;
    if (options.httpsPort >= 0 && (options.cert.empty() || options.key.empty())) return std::nullopt;
    if (options.setupDir.empty()) options.setupDir = options.root / "setup";
    return options;
}

// Tells held requests that the server is stopping, so that a stop never waits for them.
class StopSignal {
public:
    // Waits for the duration or until Raise(); true when the full duration passed.
    bool WaitFor(Clock::duration duration) {
        std::unique_lock lock(mutex_);
        return !condition_.wait_for(lock, duration, [this] { return raised_; });
    }
    void Raise() {
        {
            std::lock_guard lock(mutex_);
            raised_ = true;
        }
        condition_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool raised_ = false;
};

// The lines that pages report, in arrival order, with their arrival times.
class EventLog {
public:
    explicit EventLog(const std::string& file) {
        if (!file.empty()) file_.open(file, std::ios::app | std::ios::binary);
    }

    void Add(std::string line) {
        // One event is one line, whatever the page sent.
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        std::replace(line.begin(), line.end(), '\n', ' ');
        std::replace(line.begin(), line.end(), '\r', ' ');
        const auto micros =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        std::lock_guard lock(mutex_);
        if (file_.is_open()) file_ << line << '\n' << std::flush;
        events_.push_back({micros, std::move(line)});
    }

    std::string Text(bool withTimes) {
        std::lock_guard lock(mutex_);
        std::string text;
        for (const auto& event : events_) {
            if (withTimes) text += std::to_string(event.micros) + ' ';
            text += event.line + '\n';
        }
        return text;
    }

    void Clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

private:
    struct Event {
        long long micros;
        std::string line;
    };
    std::mutex mutex_;
    std::vector<Event> events_;
    std::ofstream file_;
};

// The paths of all requests received, so that a test can tell whether some path was asked for.
class RequestLog {
public:
    void Record(const std::string& path) {
        std::lock_guard lock(mutex_);
        paths_.push_back(path);
    }
    size_t CountWithPrefix(const std::string& prefix) {
        std::lock_guard lock(mutex_);
        return std::count_if(paths_.begin(), paths_.end(),
                             [&](const std::string& path) { return path.starts_with(prefix); });
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        paths_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<std::string> paths_;
};

std::string ContentTypeFor(const fs::path& file) {
    static const std::pair<const char*, const char*> kTypes[] = {
        {".html", "text/html; charset=utf-8"},
        {".htm", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json"},
        {".txt", "text/plain; charset=utf-8"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".ico", "image/x-icon"},
        {".svg", "image/svg+xml"},
    };
    const std::string extension = file.extension().string();
    for (const auto& [suffix, type] : kTypes) {
        if (extension == suffix) return type;
    }
    return "application/octet-stream";
}

std::optional<std::string> ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Maps a request path below the root; none for paths that climb out of it. The pages are also
// served below "/app/", where the setup folder sits where a real application keeps it.
std::optional<fs::path> StaticFile(const fs::path& root, std::string path) {
    if (path == "/app" || path.starts_with("/app/")) path.erase(0, 4);
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) return std::nullopt;
    fs::path file = root;
    for (const auto& part : fs::path(path).relative_path()) {
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") file /= part;
    }
    std::error_code error;
    if (fs::is_directory(file, error)) file /= "index.html";
    if (!fs::is_regular_file(file, error)) return std::nullopt;
    return file;
}

void Answer(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
}

void ServeFile(httplib::Response& response, const fs::path& file, const std::string& type) {
    if (auto content = ReadFile(file)) {
        response.set_content(*content, type);
        return;
    }
    Answer(response, 404, "not found");
}

class DemoServer {
public:
    explicit DemoServer(const Options& options) : options_(options), events_(options.eventsFile) {}

    void Install(httplib::Server& server, const std::string& scheme) {
        server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
        server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
            requests_.Record(request.path);
            response.set_header("Cache-Control", "no-store");
            if (options_.isolated) {
                response.set_header("Cross-Origin-Opener-Policy", "same-origin");
                response.set_header("Cross-Origin-Embedder-Policy", "require-corp");
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
        server.set_logger([scheme](const httplib::Request& request, const httplib::Response& response) {
            std::fprintf(stderr, "%s %s %s %d\n", scheme.c_str(), request.method.c_str(), request.target.c_str(),
                         response.status);
        });

        server.Post("/__report", [this](const httplib::Request& request, httplib::Response& response) {
            events_.Add(request.body);
            response.set_header("Access-Control-Allow-Origin", "*");
            Answer(response, 200, "ok");
        });
        server.Options("/__report", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Access-Control-Allow-Origin", "*");
            response.set_header("Access-Control-Allow-Methods", "POST");
            response.set_header("Access-Control-Allow-Headers", "Content-Type");
            response.status = 204;
        });
        server.Get("/__events", [this](const httplib::Request& request, httplib::Response& response) {
            response.set_content(events_.Text(request.has_param("time")), "text/plain; charset=utf-8");
        });
        server.Post("/__reset", [this](const httplib::Request&, httplib::Response& response) {
            events_.Clear();
            requests_.Clear();
            Answer(response, 200, "ok");
        });
        server.Get("/__requests", [this](const httplib::Request& request, httplib::Response& response) {
            Answer(response, 200, std::to_string(requests_.CountWithPrefix(request.get_param_value("prefix"))));
        });
        server.Get(R"(/__status/(\d{3}))", [](const httplib::Request& request, httplib::Response& response) {
            const int status = std::stoi(request.matches[1]);
            if (status < 200 || status > 599) return Answer(response, 400, "status out of range");
            if (request.has_param("jsonmessage")) {
                response.set_header("jsonmessage", request.get_param_value("jsonmessage"));
            }
            Answer(response, status, "status " + std::to_string(status));
        });
        // A redirection, as a server of the application may answer; only to this machine's loopback.
        server.Get("/__redirect", [](const httplib::Request& request, httplib::Response& response) {
            const std::string to = request.get_param_value("to");
            if (to.rfind("http://127.0.0.1:", 0) != 0) return Answer(response, 400, "loopback targets only");
            response.set_redirect(to, 302);
        });
        // A file that the browser saves instead of showing, under the name the page asks for.
        server.Get("/__download", [](const httplib::Request& request, httplib::Response& response) {
            std::string name = request.get_param_value("name");
            if (name.empty() || name.find_first_of("\"\r\n") != std::string::npos) {
                return Answer(response, 400, "name expected");
            }
            response.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
            response.set_content("tesra download " + name + "\n", "application/octet-stream");
        });
        server.Get("/__never", [this](const httplib::Request&, httplib::Response& response) {
            stop_.WaitFor(kNeverLimit);
            Answer(response, 504, "gave up holding");
        });
        server.Get("/__slow", [this](const httplib::Request& request, httplib::Response& response) {
            long ms = 0;
            try {
                ms = std::stol(request.get_param_value("ms"));
            } catch (const std::exception&) {
                return Answer(response, 400, "ms expected");
            }
            const auto wait = std::min<Clock::duration>(std::chrono::milliseconds(std::max(ms, 0L)), kSlowLimit);
            if (!stop_.WaitFor(wait)) return Answer(response, 503, "stopping");
            Answer(response, 200, "slow " + std::to_string(ms));
        });
        server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            ServeStatic(request.path, response);
        });
    }

    void Stop() { stop_.Raise(); }

private:
    void ServeStatic(const std::string& path, httplib::Response& response) {
        const auto setup = path.rfind("/setup/");
        if (setup != std::string::npos) return ServeSetup(path.substr(setup + 7), response);
        if (auto file = StaticFile(options_.root, path)) return ServeFile(response, *file, ContentTypeFor(*file));
        Answer(response, 404, "not found");
    }

    // The setup resources answer below any prefix, as every application address has its own folder.
    void ServeSetup(const std::string& name, httplib::Response& response) {
        if (options_.setupDelayMs > 0 && !stop_.WaitFor(std::chrono::milliseconds(options_.setupDelayMs))) {
            return Answer(response, 503, "stopping");
        }
        if (options_.setupStatus != 0) {
            if (!options_.setupJsonMessage.empty()) response.set_header("jsonmessage", options_.setupJsonMessage);
            return Answer(response, options_.setupStatus, "setup unavailable");
        }
        if (name.empty() || name.find('/') != std::string::npos || name == "..") {
            return Answer(response, 404, "not found");
        }
        if (!options_.setupRedirect.empty()) return response.set_redirect(options_.setupRedirect + name);
        const fs::path file = options_.setupDir / name;
        // The menu file is in the system code page of the program's home platform.
        const std::string type = file.extension() == ".txt" ? "text/plain; charset=gbk" : ContentTypeFor(file);
        ServeFile(response, file, type);
    }

    const Options& options_;
    EventLog events_;
    RequestLog requests_;
    StopSignal stop_;
};

bool WritePortFile(const std::string& file, int port) {
    if (file.empty()) return true;
    const std::string temporary = file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << port << '\n';
        if (!out) return false;
    }
    std::error_code error;
    fs::rename(temporary, file, error);
    return !error;
}

// Binds on the loopback address; returns the port, or -1.
int Bind(httplib::Server& server, int port) {
    if (port == 0) return server.bind_to_any_port(kHost);
    return server.bind_to_port(kHost, port) ? port : -1;
}

struct Listener {
    std::unique_ptr<httplib::Server> server;
    std::string scheme;
    int wantedPort;
    std::string portFile;
    std::thread thread;
};

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        PrintUsage();
        return 2;
    }

    // Signals are taken by sigwait below; every thread started from here inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    DemoServer demo(*options);
    std::vector<Listener> listeners;
    listeners.push_back({std::make_unique<httplib::Server>(), "http", options->port, options->portFile, {}});
    if (options->otherPort >= 0) {
        listeners.push_back(
            {std::make_unique<httplib::Server>(), "http", options->otherPort, options->otherPortFile, {}});
    }
    if (options->httpsPort >= 0) {
        auto server = std::make_unique<httplib::SSLServer>(options->cert.c_str(), options->key.c_str());
        if (!server->is_valid()) {
            std::cerr << "tesra-demo-server: cannot use certificate " << options->cert << " with key " << options->key
                      << "\n";
            return 1;
        }
        listeners.push_back({std::move(server), "https", options->httpsPort, options->httpsPortFile, {}});
    }

    for (auto& listener : listeners) {
        demo.Install(*listener.server, listener.scheme);
        const int port = Bind(*listener.server, listener.wantedPort);
        if (port < 0) {
            std::cerr << "tesra-demo-server: cannot listen on " << kHost << ":" << listener.wantedPort << "\n";
            return 1;
        }
        if (!WritePortFile(listener.portFile, port)) {
            std::cerr << "tesra-demo-server: cannot write " << listener.portFile << "\n";
            return 1;
        }
        std::cerr << "tesra-demo-server: " << listener.scheme << "://" << kHost << ":" << port << "/ serving "
                  << options->root.string() << "\n";
        listener.thread = std::thread([&server = *listener.server] { server.listen_after_bind(); });
    }
    // A stop only reaches a server that already runs.
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    for (auto& listener : listeners) {
        while (!listener.server->is_running() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    int signal = 0;
    sigwait(&signals, &signal);
    std::cerr << "tesra-demo-server: stopping on signal " << signal << "\n";
    demo.Stop();
    for (auto& listener : listeners) listener.server->stop();
    for (auto& listener : listeners) listener.thread.join();
    return 0;
}
