#include "setup/tsHTTP.h"

// HTTPS support comes with the package's compile flags (CPPHTTPLIB_OPENSSL_SUPPORT).
#include <httplib.h>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "EnvironmentFakes.h"
#include "platform/Exception.h"
#include "support/TextCodec.h"

namespace tesra {
namespace {

// The system's libcurl, as the program loads it.
CurlLibrary Curl() {
    testing::FakeEnvironment environment;
    return LoadCurl(environment);
}

// ---- The pure rules -----------------------------------------------------------------------------

TEST(TranslateConnectError, TheFirstMatchingRowDecides) {
    const std::string suffix = "，请检查远程服务器h端口80是否正常运行";
    struct Case {
        const char* text;
        bool connectTimeout;
        std::string message;
        bool fileNotFound;
        int status = 0;
    };
    const Case cases[] = {
        {"HTTP/1.0 404 Not Found", false, "文件不存在", true, 404},  // known from the status code
        {"HTTP/1.1 404", false, "文件不存在", true, 404},
        {"10054 after a 404 reply", false, "对方断开连接" + suffix, false, 404},
        {"HTTP/1.1 404 Not Found with a connect time-out", true, "连接超时" + suffix, false, 404},
        {"Socket Error # 10061 Connection refused.", false, "连接被拒绝" + suffix, false},
        {"Socket Error # 10060 Connection timed out.", false, "连接超时" + suffix, false},
        {"Connect timed out.", true, "连接超时" + suffix, false},
        {"Socket Error # 10054 Connection reset by peer.", false, "对方断开连接" + suffix, false},
        {"HTTP/1.1 404 Not Found", false, "文件不存在", true},
        {"10054 after HTTP/1.1 404 Not Found", false, "对方断开连接" + suffix, false},
        {"10061 and 10060", true, "连接被拒绝" + suffix, false},
        {"HTTP/1.1 404 with a connect time-out", true, "连接超时" + suffix, false},
        {"HTTP/1.1 404", false, "HTTP/1.1 404" + suffix, false},  // the row needs the blank after 404
        {"http/1.1 404 not found", false, "http/1.1 404 not found" + suffix, false},
        {"HTTP/1.1 500 Internal Server Error", false, "HTTP/1.1 500 Internal Server Error" + suffix, false},
        {"", false, suffix, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ConnectError error = TranslateConnectError({c.text, c.connectTimeout, c.status}, "h", 80);
        EXPECT_EQ(error.message, c.message);
        EXPECT_EQ(error.fileNotFound, c.fileNotFound);
    }
}

TEST(ConnectionStatusText, OneSentencePerState) {
    struct Case {
        int status;
        const char* statusText;
        std::string text;
    };
    const Case cases[] = {
        {0, "", "正在查找主机 example.com"},
        {1, "", "正在连接到 example.com"},
        {2, "", "已经连接到 example.com"},
        {3, "", "正在断开连接"},
        {4, "", "已经断开连接"},
        {5, "Encoding attachment", "开始发送"},
        {5, "ENCODING ATTACHMENT", "开始发送"},
        {5, "Encoding attachments", "Encoding attachments"},
        {5, "free text", "free text"},
        {6, "ignored", ""},
        {127, "ignored", ""},
        {128 + 1, "", "正在连接到 example.com"},  // only the low seven bits count
        {256 + 5, "x", "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        EXPECT_EQ(ConnectionStatusText(c.status, c.statusText, "example.com"), c.text);
    }
    EXPECT_EQ(WorkModeText(TWorkMode::Write), "发送请求");
    EXPECT_EQ(WorkModeText(TWorkMode::Read), "接收响应");
}

TEST(DecodeServerMessage, ShowsWhatTheSystemCodePageHolds) {
    struct Case {
        const char* name;
        std::string header;
        std::string text;
    };
    const Case cases[] = {
        {"UTF-8", "文件已损坏", "文件已损坏"},
        {"ASCII", "disk full", "disk full"},
        {"UTF-8 beyond GBK", "错误\xF0\x9F\x98\x80", "错误?"},
        {"GBK bytes, not UTF-8", Utf8ToGbk("服务器错误"), "服务器错误"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeServerMessage(c.header), c.text);
    }
}

// Records what the client tells it; the bar's maximum and position are kept.
class FakeProgressor : public ItsDualProgressor {
public:
    int GetMax() override { return max_; }
    int GetPosition() override { return position_; }
    void SetMax(int max) override { max_ = max, calls.push_back("SetMax " + std::to_string(max)); }
    void SetPosition(int position) override { position_ = position; }
    void SetText(const std::string& text) override { calls.push_back("SetText " + text); }
    void Start() override { calls.push_back("Start"); }
    void Finish() override { calls.push_back("Finish"); }

    std::vector<std::string> calls;

private:
    int max_ = 0;
    int position_ = 0;
};

TEST(TtsHTTP, SendSizeRewritesContentLengthAndCutsTheBody) {
    TtsHTTP http(Curl());
    std::istringstream body("0123456789");
    EXPECT_EQ(http.WriteLn("content-length: 99"), "content-length: 99");
    EXPECT_EQ(http.WriteStream(body), "0123456789");

    http.SetSendSize(4);
    struct Case {
        const char* line;
        const char* sent;
    };
    const Case cases[] = {
        {"Content-Length: 99", "Content-Length: 4"},      {"content-LENGTH: 0", "Content-Length: 4"},
        {"Content-Length:99", "Content-Length:99"},  // the field needs its blank
        {"X-Content-Length: 99", "X-Content-Length: 99"}, {"User-Agent: x", "User-Agent: x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(http.WriteLn(c.line), c.sent);
    }
    std::istringstream rest("0123456789");
    rest.seekg(3);
    EXPECT_EQ(http.WriteStream(rest), "3456");
    std::istringstream shorter("01");
    EXPECT_EQ(http.WriteStream(shorter), "01");
}

// ---- Against local servers ---------------------------------------------------------------------

std::string Run(const std::string& command) {
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    return status == 0 ? "" : "failed: " + command;
}

// A test certificate authority and server certificates, made once for the suite.
struct TlsFiles {
    std::string folder, ca, cert, key, wrongHostCert;

    static TlsFiles Make() {
        TlsFiles f;
        char name[] = "/tmp/tesra-http-tls-XXXXXX";
        f.folder = mkdtemp(name);
        f.ca = f.folder + "/ca.crt";
        f.cert = f.folder + "/server.crt";
        f.key = f.folder + "/server.key";
        f.wrongHostCert = f.folder + "/other.crt";
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
        const std::string d = f.folder + "/";
        std::ofstream(d + "local.ext") << "subjectAltName=IP:127.0.0.1\n";
        std::ofstream(d + "other.ext") << "subjectAltName=DNS:example.com\n";
        for (const std::string& step : {
                 "openssl req -x509" + ec + "-keyout " + d + "ca.key -out " + f.ca +
                     " -days 2 -subj '/CN=Tesra Test CA' -addext basicConstraints=critical,CA:TRUE"
                     " -addext keyUsage=critical,keyCertSign",
                 "openssl req" + ec + "-keyout " + f.key + " -out " + d + "server.csr -subj /CN=127.0.0.1",
                 "openssl x509 -req -in " + d + "server.csr -CA " + f.ca + " -CAkey " + d +
                     "ca.key -CAcreateserial -out " + f.cert + " -days 2 -extfile " + d + "local.ext",
                 "openssl x509 -req -in " + d + "server.csr -CA " + f.ca + " -CAkey " + d +
                     "ca.key -CAcreateserial -out " + f.wrongHostCert + " -days 2 -extfile " + d + "other.ext",
             }) {
            std::string error = Run(step);
            if (!error.empty()) throw std::runtime_error(error);
        }
        return f;
    }
};

// A cpp-httplib server on 127.0.0.1, listening from construction to destruction.
class LocalServer {
public:
    explicit LocalServer(std::unique_ptr<httplib::Server> server) : server_(std::move(server)) {
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
    }
    ~LocalServer() {
        server_->stop();
        thread_.join();
    }
    httplib::Server& Routes() { return *server_; }
    int Port() const { return port_; }

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
};

// A plain socket listening on 127.0.0.1 with the given backlog; closed on destruction.
class RawListener {
public:
    explicit RawListener(int backlog) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, backlog);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~RawListener() { close(fd_); }
    int Fd() const { return fd_; }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

int ConnectTo(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

std::string Suffix(int port) { return "，请检查远程服务器127.0.0.1端口" + std::to_string(port) + "是否正常运行"; }

class TtsHTTPServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tls_ = new TlsFiles(TlsFiles::Make()); }
    static void TearDownTestSuite() {
        std::filesystem::remove_all(tls_->folder);
        delete tls_;
    }

    TtsHTTPServer() {
        TtsHTTP::Timeouts timeouts;
        timeouts.connect = std::chrono::milliseconds(500);
        timeouts.stall = std::chrono::seconds(1);
        timeouts.total = std::chrono::milliseconds(10000);
        http_.SetTimeouts(timeouts);
    }

    static std::unique_ptr<httplib::Server> Routes(std::unique_ptr<httplib::Server> server) {
        server->Get("/setup/TesraBrowserIni.txt", [](const httplib::Request& request, httplib::Response& response) {
            response.set_header("X-Agent", request.get_header_value("User-Agent"));
            response.set_content("[System]\r\nIconName=Tesra\r\n", "text/plain");
        });
        server->Get("/error/json", [](const httplib::Request& request, httplib::Response& response) {
            response.status = std::stoi(request.get_param_value("status"));
            response.set_header("jsonmessage", request.get_param_value("text"));
            response.set_content("error page", "text/plain");
        });
        server->Get("/error/plain", [](const httplib::Request&, httplib::Response& response) {
            response.status = 500;
            response.set_content("error page", "text/plain");
        });
        server->Get("/moved", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/setup/TesraBrowserIni.txt");
        });
        server->Get("/moved-nowhere", [](const httplib::Request&, httplib::Response& response) {
            response.status = 302;  // without a Location
        });
        return server;
    }

    static std::string JsonUrl(int port, int status, const std::string& text) {
        return "http://127.0.0.1:" + std::to_string(port) + "/error/json?status=" + std::to_string(status) +
               "&text=" + httplib::detail::encode_query_param(text);
    }

    // The message of the failure of a Get, which must fail.
    std::string FailureOf(const std::string& url, std::string* body = nullptr) {
        std::string buffer;
        try {
            http_.Get(url, buffer);
        } catch (const Exception& e) {
            if (body) *body = buffer;
            return e.Message();
        }
        return "(no failure)";
    }

    static TlsFiles* tls_;
    TtsHTTP http_{Curl()};
};

TlsFiles* TtsHTTPServer::tls_ = nullptr;

TEST_F(TtsHTTPServer, DownloadsOverHttp) {
    LocalServer server(Routes(std::make_unique<httplib::Server>()));
    std::string agent;
    server.Routes().set_post_routing_handler([&agent](const httplib::Request& request, httplib::Response&) {
        agent = request.get_header_value("User-Agent");
    });
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/setup/TesraBrowserIni.txt";
    std::string body;
    http_.Get(url, body);
    EXPECT_EQ(body, "[System]\r\nIconName=Tesra\r\n");
    EXPECT_EQ(agent, "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(http_.Host(), "127.0.0.1");
    EXPECT_EQ(http_.Port(), server.Port());

    std::ostringstream stream;
    http_.Get(url, stream, 10);  // from byte 10 on
    EXPECT_EQ(stream.str(), "IconName=Tesra\r\n");
    EXPECT_FALSE(http_.FileNotFound());
}

TEST_F(TtsHTTPServer, DownloadsOverHttpsWithTheTestAuthority) {
    LocalServer server(Routes(std::make_unique<httplib::SSLServer>(tls_->cert.c_str(), tls_->key.c_str())));
    http_.SetCaFile(tls_->ca);
    std::string body;
    http_.Get("https://127.0.0.1:" + std::to_string(server.Port()) + "/setup/TesraBrowserIni.txt", body);
    EXPECT_EQ(body, "[System]\r\nIconName=Tesra\r\n");
}

TEST_F(TtsHTTPServer, CertificatesThatDoNotVerifyFail) {
    struct Case {
        const char* name;
        const char* cert;
        bool trustTestAuthority;
    };
    const Case cases[] = {
        {"unknown authority", "server.crt", false},
        {"other host name", "other.crt", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cert = tls_->folder + "/" + c.cert;
        LocalServer server(Routes(std::make_unique<httplib::SSLServer>(cert.c_str(), tls_->key.c_str())));
        TtsHTTP http(Curl());
        if (c.trustTestAuthority) http.SetCaFile(tls_->ca);
        std::string body;
        std::string message = "(no failure)";
        try {
            http.Get("https://127.0.0.1:" + std::to_string(server.Port()) + "/setup/TesraBrowserIni.txt", body);
        } catch (const Exception& e) {
            message = e.Message();
        }
        EXPECT_EQ(message.rfind("接收失败，", 0), 0u) << message;
        EXPECT_NE(message.find("SSL"), std::string::npos) << message;
        EXPECT_TRUE(message.ends_with(Suffix(server.Port()))) << message;
        EXPECT_EQ(body, "");
    }
}

TEST_F(TtsHTTPServer, HttpErrorRepliesGiveTheirMessages) {
    LocalServer server(Routes(std::make_unique<httplib::Server>()));
    const int port = server.Port();
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    struct Case {
        const char* name;
        std::string url;
        std::string message;
    };
    const Case cases[] = {
        {"missing file", base + "/setup/TesraBrowser.ico", "接收失败，文件不存在"},
        {"server text", JsonUrl(port, 500, "文件已损坏"), "接收失败，服务器返回错误：文件已损坏"},
        {"server text not UTF-8", JsonUrl(port, 500, Utf8ToGbk("服务器错误")), "接收失败，服务器返回错误：服务器错误"},
        {"server text beyond GBK", JsonUrl(port, 403, "错误\xF0\x9F\x98\x80"), "接收失败，服务器返回错误：错误?"},
        {"empty server text", JsonUrl(port, 500, ""), "接收失败，HTTP/1.1 500 Internal Server Error" + Suffix(port)},
        {"no server text", base + "/error/plain", "接收失败，HTTP/1.1 500 Internal Server Error" + Suffix(port)},
        {"redirect to nowhere", base + "/moved-nowhere", "接收失败，HTTP/1.1 302 Found" + Suffix(port)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string body = "unset";
        EXPECT_EQ(FailureOf(c.url, &body), c.message);
        EXPECT_EQ(body, "");  // an error page is not the resource
    }
}

// The route of each request, redirected ones too, is the resolver's: here a recording proxy on
// loopback for the addresses of one port, direct for the others.
TEST_F(TtsHTTPServer, EachRequestTakesTheRouteTheResolverGives) {
    LocalServer origin(Routes(std::make_unique<httplib::Server>()));
    std::vector<std::string> proxied;
    std::mutex mutex;
    auto proxy = std::make_unique<httplib::Server>();
    // A proxy is asked for the absolute address; this one answers for the origin it stands before.
    proxy->Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(mutex);
        proxied.push_back(request.target);
        if (request.target.ends_with("/moved")) {
            response.set_redirect("http://127.0.0.1:" + std::to_string(origin.Port()) + "/setup/TesraBrowserIni.txt");
            return;
        }
        response.set_content("through the proxy", "text/plain");
    });
    LocalServer proxyServer(std::move(proxy));
    // Port 9 of loopback: nothing listens there, only the proxy could answer for it.
    const std::string behindProxy = "http://127.0.0.1:9";
    std::vector<std::string> asked;
    http_.SetProxyResolver([&](const std::string& url) {
        asked.push_back(url);
        return url.starts_with(behindProxy) ? "http://127.0.0.1:" + std::to_string(proxyServer.Port()) : "";
    });

    std::string body;
    http_.Get(behindProxy + "/setup/x.ico", body);
    EXPECT_EQ(body, "through the proxy");
    body.clear();
    http_.Get(behindProxy + "/moved", body);
    EXPECT_EQ(body, "[System]\r\nIconName=Tesra\r\n") << "redirected to an address that goes direct";
    const std::string direct = "http://127.0.0.1:" + std::to_string(origin.Port()) + "/setup/TesraBrowserIni.txt";
    EXPECT_EQ(asked, (std::vector<std::string>{behindProxy + "/setup/x.ico", behindProxy + "/moved", direct}));
    std::lock_guard lock(mutex);
    EXPECT_EQ(proxied, (std::vector<std::string>{behindProxy + "/setup/x.ico", behindProxy + "/moved"}));
}

TEST_F(TtsHTTPServer, RedirectionsAreFollowedAHandfulOfTimes) {
    auto routes = Routes(std::make_unique<httplib::Server>());
    routes->Get(R"(/hop/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
        const int hop = std::stoi(request.matches[1].str());
        response.set_redirect(hop == 0 ? "/setup/TesraBrowserIni.txt" : "/hop/" + std::to_string(hop - 1));
    });
    routes->Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("file:///etc/passwd");
    });
    LocalServer server(std::move(routes));
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
    std::string body;
    http_.Get(base + "/moved", body);
    EXPECT_EQ(body, "[System]\r\nIconName=Tesra\r\n");
    body.clear();
    http_.Get(base + "/hop/4", body);  // five redirections
    EXPECT_EQ(body, "[System]\r\nIconName=Tesra\r\n");
    EXPECT_EQ(FailureOf(base + "/hop/5"), "接收失败，重定向次数过多：" + base + "/hop/5");
    EXPECT_EQ(FailureOf(base + "/to-file"), "接收失败，重定向到不支持的地址：file:///etc/passwd");
}

// Small servers answer with other versions and without a reason phrase: the status code decides.
TEST_F(TtsHTTPServer, AMissingFileIsKnownByItsStatusCodeWhateverTheStatusLine) {
    const char* const lines[] = {"HTTP/1.0 404 Not Found", "HTTP/1.1 404", "HTTP/1.1 404 Datei fehlt"};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        RawListener listener(4);
        std::thread answer([fd = listener.Fd(), line] {
            int client = accept(fd, nullptr, nullptr);
            char request[4096];
            (void)recv(client, request, sizeof request, 0);
            std::string reply = std::string(line) + "\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot here.";
            (void)send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            close(client);
        });
        EXPECT_EQ(FailureOf("http://127.0.0.1:" + std::to_string(listener.Port()) + "/setup/TesraBrowser.ico"),
                  "接收失败，文件不存在");
        EXPECT_TRUE(http_.FileNotFound());
        answer.join();
    }
}

TEST_F(TtsHTTPServer, ABodyBeyondTheLimitIsRefusedWithItsMessage) {
    auto routes = std::make_unique<httplib::Server>();
    routes->Get("/sized", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(std::string(3000, 's'), "application/octet-stream");
    });
    routes->Get("/chunked", [](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("application/octet-stream", [](size_t, httplib::DataSink& sink) {
            std::string chunk(1000, 'c');
            for (int i = 0; i < 3; ++i) sink.write(chunk.data(), chunk.size());
            sink.done();
            return true;
        });
    });
    LocalServer server(std::move(routes));
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
    http_.SetBodyLimit(2048);
    for (const char* path : {"/sized", "/chunked"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(FailureOf(base + path), "接收失败，文件大小超过上限 2 KB");
    }
    http_.SetBodyLimit(3000);
    std::string body;
    http_.Get(base + "/sized", body);
    EXPECT_EQ(body.size(), 3000u) << "a body of exactly the limit is taken";
    EXPECT_EQ(SizeText(16 * 1024 * 1024), "16 MB");
    EXPECT_EQ(SizeText(100), "100 字节");
}

TEST_F(TtsHTTPServer, FileNotFoundChangesOnlyWhenAFailureIsClassified) {
    LocalServer server(Routes(std::make_unique<httplib::Server>()));
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
    RawListener closed(1);
    const std::string refused = "http://127.0.0.1:" + std::to_string(closed.Port()) + "/";
    close(closed.Fd());

    struct Step {
        std::string url;
        bool fileNotFound;
    };
    const Step steps[] = {
        {base + "/missing", true},
        {base + "/setup/TesraBrowserIni.txt", true},    // success keeps it
        {JsonUrl(server.Port(), 404, "不存在"), true},  // server text: not classified
        {refused, false},
        {JsonUrl(server.Port(), 404, "不存在"), false},
        {base + "/missing", true},
    };
    EXPECT_FALSE(http_.FileNotFound());
    for (const Step& s : steps) {
        SCOPED_TRACE(s.url);
        std::string body;
        try {
            http_.Get(s.url, body);
        } catch (const Exception&) {
        }
        EXPECT_EQ(http_.FileNotFound(), s.fileNotFound);
    }
}

TEST_F(TtsHTTPServer, SocketFailuresAreClassified) {
    RawListener refusing(1);
    const int refusedPort = refusing.Port();
    close(refusing.Fd());  // nothing listens there any more

    RawListener resetting(4);
    std::thread resetter([fd = resetting.Fd()] {
        int client = accept(fd, nullptr, nullptr);
        char request[4096];
        (void)recv(client, request, sizeof request, 0);
        linger abortive{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        close(client);
    });

    RawListener silent(4);  // takes connections and never answers

    // Backlog 0 holds one connection; with that one queued the next connection attempt gets no
    // answer at all, as from a host that drops packets.
    RawListener full(0);
    int filler = ConnectTo(full.Port());

    struct Case {
        const char* name;
        int port;
        std::string lead;
    };
    const Case cases[] = {
        {"refused", refusedPort, "连接被拒绝"},
        {"reset", resetting.Port(), "对方断开连接"},
        {"never answers", silent.Port(), "连接超时"},
        {"connect time-out", full.Port(), "连接超时"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FailureOf("http://127.0.0.1:" + std::to_string(c.port) + "/setup/TesraBrowserIni.txt"),
                  "接收失败，" + c.lead + Suffix(c.port));
        EXPECT_FALSE(http_.FileNotFound());
    }
    resetter.join();
    close(filler);
}

TEST_F(TtsHTTPServer, UnclassifiedFailuresKeepTheLibraryText) {
    EXPECT_EQ(FailureOf("ftp://127.0.0.1/file").rfind("接收失败，", 0), 0u);
    std::string message = FailureOf("ftp://127.0.0.1/file");
    EXPECT_NE(message.find("ftp"), std::string::npos) << message;
    EXPECT_TRUE(message.ends_with(Suffix(21))) << message;
}

TEST_F(TtsHTTPServer, ReportsProgressToTheSink) {
    const std::string content(100000, 'x');
    auto routes = std::make_unique<httplib::Server>();
    routes->Get("/big", [&content](const httplib::Request&, httplib::Response& response) {
        response.set_content(content, "application/octet-stream");
    });
    LocalServer server(std::move(routes));
    auto sink = std::make_shared<FakeProgressor>();
    http_.SetProgressor(sink);
    std::string body;
    http_.Get("http://127.0.0.1:" + std::to_string(server.Port()) + "/big", body);
    EXPECT_EQ(body, content);

    const std::vector<std::string> expected = {
        "SetText 正在查找主机 127.0.0.1",
        "SetText 正在连接到 127.0.0.1",
        "SetText 已经连接到 127.0.0.1",
        "SetText 正在接收",
        "SetMax 100000",
        "Start",
        "SetText 完成接收",
        "Finish",
        "SetText 正在断开连接",
        "SetText 已经断开连接",
    };
    EXPECT_EQ(sink->calls, expected);
    EXPECT_EQ(sink->GetPosition(), 100000);

    // The other direction only shows texts; so does the main one once the bar is full.
    sink->calls.clear();
    http_.BeginWork(TWorkMode::Write, 2048);
    http_.DoWork(TWorkMode::Write, 512);
    http_.EndWork(TWorkMode::Write);
    sink->SetPosition(100001);
    http_.DoWork(TWorkMode::Read, 7);
    const std::vector<std::string> texts = {
        "SetText 正在发送请求",
        "SetText 正在发送请求 (512/2048)",
        "SetText 完成发送请求",
        "SetText 正在接收响应 (7/2048)",
    };
    EXPECT_EQ(sink->calls, texts);
}

TEST_F(TtsHTTPServer, AFailingSinkFailsTheRequest) {
    class Failing : public FakeProgressor {
    public:
        void Start() override { throw Exception("进度条坏了"); }
    };
    LocalServer server(Routes(std::make_unique<httplib::Server>()));
    http_.SetProgressor(std::make_shared<Failing>());
    EXPECT_EQ(FailureOf("http://127.0.0.1:" + std::to_string(server.Port()) + "/setup/TesraBrowserIni.txt"),
              "接收失败，进度条坏了" + Suffix(server.Port()));
}

}  // namespace
}  // namespace tesra
