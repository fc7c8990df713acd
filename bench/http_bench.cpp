// One download of a small file by TtsHTTP from a local server on 127.0.0.1: a fresh connection per
// request, as the setup downloads make. Beside it the same over HTTPS (with the TLS handshake, a
// test certificate made with the openssl command) and a larger body.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

#include "linux/LinuxEnvironment.h"
#include "setup/tsHTTP.h"

namespace {

struct Tls {
    std::string folder, ca, cert, key;
    bool ok = false;
};

const Tls& TestTls() {
    static const Tls tls = [] {
        Tls t;
        char name[] = "/tmp/tesra-http-bench-XXXXXX";
        t.folder = mkdtemp(name);
        t.ca = t.folder + "/ca.crt";
        t.cert = t.folder + "/server.crt";
        t.key = t.folder + "/server.key";
        std::ofstream(t.folder + "/local.ext") << "subjectAltName=IP:127.0.0.1\n";
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
        const std::string d = t.folder + "/";
        const std::string quiet = " >/dev/null 2>&1";
        t.ok =
            std::system(("openssl req -x509" + ec + "-keyout " + d + "ca.key -out " + t.ca +
                         " -days 2 -subj /CN=BenchCA -addext basicConstraints=critical,CA:TRUE" + quiet)
                            .c_str()) == 0 &&
            std::system(("openssl req" + ec + "-keyout " + t.key + " -out " + d + "s.csr -subj /CN=127.0.0.1" + quiet)
                            .c_str()) == 0 &&
            std::system(("openssl x509 -req -in " + d + "s.csr -CA " + t.ca + " -CAkey " + d +
                         "ca.key -CAcreateserial -days 2 -extfile " + d + "local.ext -out " + t.cert + quiet)
                            .c_str()) == 0;
        return t;
    }();
    return tls;
}

class Server {
public:
    explicit Server(std::unique_ptr<httplib::Server> server, std::size_t size) : server_(std::move(server)) {
        server_->Get("/setup/file", [content = std::string(size, 'x')](const httplib::Request&, httplib::Response& r) {
            r.set_content(content, "application/octet-stream");
        });
        // Without it the server's small TLS writes wait for delayed acknowledgements (40 ms each).
        server_->set_tcp_nodelay(true);
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
    }
    ~Server() {
        server_->stop();
        thread_.join();
    }
    int Port() const { return port_; }

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
};

void Download(benchmark::State& state, const std::string& scheme, std::unique_ptr<httplib::Server> routes) {
    const auto size = static_cast<std::size_t>(state.range(0));
    Server server(std::move(routes), size);
    const std::string url = scheme + "://127.0.0.1:" + std::to_string(server.Port()) + "/setup/file";
    tesra::platform::LinuxEnvironment environment;
    const tesra::CurlLibrary curl = tesra::LoadCurl(environment);
    for (auto _ : state) {
        tesra::TtsHTTP http(curl);
        http.SetCaFile(TestTls().ca);
        std::string body;
        http.Get(url, body);
        if (body.size() != size) state.SkipWithError("short body");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_HttpGet(benchmark::State& state) { Download(state, "http", std::make_unique<httplib::Server>()); }

void BM_HttpsGet(benchmark::State& state) {
    if (!TestTls().ok) {
        state.SkipWithError("openssl could not make a test certificate");
        return;
    }
    Download(state, "https", std::make_unique<httplib::SSLServer>(TestTls().cert.c_str(), TestTls().key.c_str()));
}

}  // namespace

BENCHMARK(BM_HttpGet)->Arg(1024)->Arg(100 * 1024)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_HttpsGet)->Arg(1024)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(TestTls().folder);
    return 0;
}
