#pragma once
// The HTTP client of the setup downloads, over libcurl (TLS through OpenSSL, certificates verified),
// loaded by whoever makes the clients.
// Every failed request ends in one tesra::Exception whose message is a readable Chinese sentence:
// the server's own error text when it sends one, otherwise a classification of the socket or
// protocol failure. An optional progress sink hears about the work.

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "setup/CurlLibrary.h"

namespace tesra {

// A progress display with a main bar and a status text.
class ItsDualProgressor {
public:
    virtual ~ItsDualProgressor() = default;
    virtual int GetMax() = 0;
    virtual int GetPosition() = 0;
    virtual void SetMax(int max) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void Start() = 0;
    virtual void Finish() = 0;
};

// The direction of a piece of work: sending the request or receiving the response.
enum class TWorkMode { Write, Read };

// Connection states as HTTPStatus reports them; the values are the status codes.
enum TConnectionStatus : int {
    hsResolving = 0,
    hsConnecting = 1,
    hsConnected = 2,
    hsDisconnecting = 3,
    hsDisconnected = 4,
    hsStatusText = 5,
};

// A failed request as the transport describes it: a message that holds the socket error number
// for socket failures ("10061" refused, "10060" timed out, "10054" reset) and the reply's status
// line for HTTP error replies; whether the connection could not be made in time; and the status
// code of an HTTP error reply, by which a missing file is known whatever the version and reason.
struct RequestFailure {
    std::string message;
    bool connectTimeout = false;
    int httpStatus = 0;  // the reply's status code for an HTTP error reply; 0 otherwise
};

struct ConnectError {
    std::string message;
    bool fileNotFound = false;
};

// The readable message for a failure, with the host and port that the request went to.
ConnectError TranslateConnectError(const RequestFailure& failure, const std::string& host, int port);
// "发送请求" or "接收响应".
std::string WorkModeText(TWorkMode mode);
// The sentence for a connection state (only the low seven bits of status count); empty for codes
// without one.
std::string ConnectionStatusText(int status, const std::string& statusText, const std::string& host);
// The text of a "jsonmessage" header (UTF-8 from the server) as the program shows it: valid UTF-8
// limited to what the system code page (GBK) holds, anything else read as GBK bytes.
std::string DecodeServerMessage(const std::string& header);
// A size as the limit message gives it: "16 MB", "512 KB", "100 字节".
std::string SizeText(std::int64_t bytes);

class TtsHTTP {
public:
    static constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";

    // A request gives up when the connection is not made within connect, when no byte moves for
    // stall, and at the latest after total.
    struct Timeouts {
        std::chrono::milliseconds connect{15000};
        std::chrono::seconds stall{30};
        std::chrono::milliseconds total{300000};
    };

    // A client on the loaded library.
    explicit TtsHTTP(CurlLibrary curl);
    virtual ~TtsHTTP();
    TtsHTTP(const TtsHTTP&) = delete;
    TtsHTTP& operator=(const TtsHTTP&) = delete;

    // Redirections followed at most, as the web view follows them (to http and https only).
    static constexpr int kMaxRedirects = 5;
    // The proxy of a request to an address ("" for a direct connection).
    using ProxyResolver = std::function<std::string(const std::string& url)>;

    // Fetches the resource into target from byte rangeStart on (0: all of it), following
    // redirections. On any failure throws tesra::Exception "接收失败，" + the reason; target may
    // then hold part of the body.
    void Get(const std::string& url, std::ostream& target, std::uint32_t rangeStart = 0);
    // The same, appending the body to buffer.
    void Get(const std::string& url, std::string& buffer, std::uint32_t rangeStart = 0);

    // The last classified failure was an HTTP 404; kept until another failure is classified.
    bool FileNotFound() const { return FFileNotFound; }
    // Host and port of the last request.
    const std::string& Host() const { return host_; }
    int Port() const { return port_; }

    void SetProgressor(std::shared_ptr<ItsDualProgressor> progressor) { FProgressor = std::move(progressor); }
    // A fixed request body size; 0 means none.
    void SetSendSize(std::int32_t size) { FSendSize = size; }
    void SetTimeouts(const Timeouts& timeouts) { timeouts_ = timeouts; }
    // Decides the route of each request, redirected ones too; without one every request goes direct.
    void SetProxyResolver(ProxyResolver resolver) { proxy_resolver_ = std::move(resolver); }
    // The largest response body taken (0: no limit). A longer body ends the request with
    // "接收失败，文件大小超过上限 <limit>"; what the target received by then is not the resource.
    void SetBodyLimit(std::int64_t bytes) { bodyLimit_ = bytes; }
    // Trusted certificate authorities for TLS (PEM file); empty: the system's.
    void SetCaFile(const std::string& path) { caFile_ = path; }

    // Work-progress hooks, called on the calling thread while a request runs.
    virtual void BeginWork(TWorkMode mode, std::int64_t size);
    virtual void DoWork(TWorkMode mode, std::int64_t count);
    virtual void EndWork(TWorkMode mode);
    // A request header line as it goes out: with a send size, Content-Length announces that size.
    std::string WriteLn(const std::string& line) const;
    // The request body from the stream's position: all of it without a send size, otherwise at most
    // the send size.
    std::string WriteStream(std::istream& stream) const;
    // A connection state change; passed to the sink as text.
    void HTTPStatus(int status, const std::string& statusText);

    // Classifies a failure of the last request and remembers whether it was a missing file.
    std::string TranslateConnectError(const RequestFailure& failure);

private:
    struct Transfer;

    // One request; the absolute address that it redirects to, or "" when it brought the resource.
    std::string Request(const std::string& url, std::ostream& target, std::uint32_t rangeStart);
    [[noreturn]] void RaiseRequestError(const RequestFailure& failure, const Transfer& transfer);
    void SetTarget(const std::string& url);
    void SyncProgress(Transfer& transfer, std::int64_t received, std::int64_t receiveTotal, std::int64_t sent,
                      std::int64_t sendTotal);

    std::shared_ptr<ItsDualProgressor> FProgressor;
    TWorkMode FMainWorkMode = TWorkMode::Read;
    std::string FOperation;
    std::int32_t FSecondarySize = 0;
    std::int32_t FSendSize = 0;
    bool FFileNotFound = false;

    CurlLibrary api_;
    void* curl_ = nullptr;
    Timeouts timeouts_;
    std::int64_t bodyLimit_ = 0;
    std::string caFile_;
    ProxyResolver proxy_resolver_;
    std::string host_;
    int port_ = 80;
};

}  // namespace tesra
