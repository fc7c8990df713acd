#include "setup/tsHTTP.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>
#include <istream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "platform/Exception.h"
#include "setup/CurlLibrary.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

CURL* Easy(void* handle) { return static_cast<CURL*>(handle); }

int ClampInt(std::int64_t value) { return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX)); }

std::string Trimmed(const std::string& text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    auto first = std::find_if_not(text.begin(), text.end(), blank);
    auto last = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(first), blank).base();
    return std::string(first, last);
}

// Socket failures are described with the Windows socket error numbers, which the failure
// classification looks for.
struct SocketError {
    int osError;
    int number;
    const char* text;
};

const SocketError kSocketErrors[] = {
    {ECONNREFUSED, 10061, "Connection refused."},
    {ETIMEDOUT, 10060, "Connection timed out."},
    {ECONNRESET, 10054, "Connection reset by peer."},
    {EPIPE, 10054, "Connection reset by peer."},
    {ECONNABORTED, 10053, "Software caused connection abort."},
    {ENETUNREACH, 10051, "Network is unreachable."},
    {ENETDOWN, 10050, "Network is down."},
    {EHOSTUNREACH, 10065, "No route to host."},
    {EADDRNOTAVAIL, 10049, "Cannot assign requested address."},
};

std::string SocketErrorText(int number, const char* text) {
    return "Socket Error # " + std::to_string(number) + " " + text;
}

// What a failed transfer means, from curl's result, the system error of the socket (when the
// failure was one of the socket) and whether the connection had been made.
RequestFailure DescribeCurlFailure(const CurlLibrary& api, CURLcode code, long osError, bool connected,
                                   const std::string& detail) {
    if (code == CURLE_OPERATION_TIMEDOUT) {
        if (!connected) return {"Connect timed out.", true};
        return {SocketErrorText(10060, "Connection timed out."), false};
    }
    if (code == CURLE_COULDNT_RESOLVE_HOST) return {SocketErrorText(11001, "Host not found."), false};
    if (code == CURLE_COULDNT_CONNECT || code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR) {
        for (const SocketError& e : kSocketErrors) {
            if (e.osError == osError) return {SocketErrorText(e.number, e.text), false};
        }
    }
    return {detail.empty() ? api.easy_strerror(code) : detail, false};
}

bool IsRedirection(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

ConnectError TranslateConnectError(const RequestFailure& failure, const std::string& host, int port) {
    const std::string& text = failure.message;
    const std::string suffix = "，请检查远程服务器" + host + "端口" + std::to_string(port) + "是否正常运行";
    auto has = [&text](const char* part) { return text.find(part) != std::string::npos; };
    if (has("10061")) return {"连接被拒绝" + suffix, false};
    if (has("10060") || failure.connectTimeout) return {"连接超时" + suffix, false};
    if (has("10054")) return {"对方断开连接" + suffix, false};
    if (failure.httpStatus == 404 || has("HTTP/1.1 404 ")) return {"文件不存在", true};
    return {text + suffix, false};
}

std::string WorkModeText(TWorkMode mode) { return mode == TWorkMode::Write ? "发送请求" : "接收响应"; }

std::string ConnectionStatusText(int status, const std::string& statusText, const std::string& host) {
    switch (status & 0x7F) {
    case hsResolving:
        return "正在查找主机 " + host;
    case hsConnecting:
        return "正在连接到 " + host;
    case hsConnected:
        return "已经连接到 " + host;
    case hsDisconnecting:
        return "正在断开连接";
    case hsDisconnected:
        return "已经断开连接";
    case hsStatusText:
        return SameText(statusText, "Encoding attachment") ? "开始发送" : statusText;
    default:
        return {};
    }
}

std::string DecodeServerMessage(const std::string& header) {
    // Through the system code page, as the program's 8-bit texts go: what GBK lacks becomes "?".
    if (IsValidUtf8(header)) return GbkToUtf8(Utf8ToGbk(header));
    return GbkToUtf8(header);
}

std::string SizeText(std::int64_t bytes) {
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes / 1024) + " KB";
    return std::to_string(bytes) + " 字节";
}

// The state of one request, shared with curl's callbacks.
struct TtsHTTP::Transfer {
    Transfer(TtsHTTP& c, std::ostream& t) : client(c), target(t) {}

    TtsHTTP& client;
    std::ostream& target;
    std::vector<std::pair<std::string, std::string>> headers;  // of the last response
    std::string statusLine;
    long status = 0;
    bool headersDone = false;
    bool connected = false;
    bool receiving = false;
    bool sending = false;
    bool tooLarge = false;
    std::int64_t bodyBytes = 0;
    std::int64_t received = 0;
    std::int64_t sent = 0;
    std::exception_ptr hookError;

    // Runs a hook for curl, which must not see an exception: the first one is kept for later.
    template <typename F>
    bool Guard(F&& hook) {
        try {
            hook();
            return true;
        } catch (...) {
            if (!hookError) hookError = std::current_exception();
            return false;
        }
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto& t = *static_cast<Transfer*>(user);
        std::string line = Trimmed(std::string(data, size * count));
        if (line.rfind("HTTP/", 0) == 0) {
            // A new response (after an interim one): its headers replace the earlier ones.
            t.statusLine = line;
            t.headers.clear();
            t.headersDone = false;
            auto space = line.find(' ');
            t.status = space == std::string::npos ? 0 : std::strtol(line.c_str() + space + 1, nullptr, 10);
        } else if (line.empty()) {
            t.headersDone = t.status >= 200;
        } else if (auto colon = line.find(':'); colon != std::string::npos) {
            t.headers.emplace_back(Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1)));
        }
        return size * count;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
        auto& t = *static_cast<Transfer*>(user);
        // The body of an error reply is not the resource; it must not end up in the target.
        if (t.status >= 300) return size * count;
        const std::int64_t limit = t.client.bodyLimit_;
        t.bodyBytes += static_cast<std::int64_t>(size * count);
        if (limit > 0 && t.bodyBytes > limit) {
            t.tooLarge = true;
            return 0;
        }
        t.target.write(data, static_cast<std::streamsize>(size * count));
        return t.target ? size * count : 0;
    }

    static int OnProgress(void* user, curl_off_t receiveTotal, curl_off_t received, curl_off_t sendTotal,
                          curl_off_t sent) {
        auto& t = *static_cast<Transfer*>(user);
        return t.Guard([&] { t.client.SyncProgress(t, received, receiveTotal, sent, sendTotal); }) ? 0 : 1;
    }

    static int OnSocket(void* user, curl_socket_t, curlsocktype purpose) {
        auto& t = *static_cast<Transfer*>(user);
        if (purpose != CURLSOCKTYPE_IPCXN) return CURL_SOCKOPT_OK;
        return t.Guard([&] { t.client.HTTPStatus(hsConnecting, {}); }) ? CURL_SOCKOPT_OK : CURL_SOCKOPT_ERROR;
    }

    static int OnConnected(void* user, char*, char*, int, int) {
        auto& t = *static_cast<Transfer*>(user);
        t.connected = true;
        return t.Guard([&] { t.client.HTTPStatus(hsConnected, {}); }) ? CURL_PREREQFUNC_OK : CURL_PREREQFUNC_ABORT;
    }

    std::string Header(const std::string& name) const {
        for (const auto& [key, value] : headers) {
            if (SameText(key, name)) return value;
        }
        return {};
    }
};

TtsHTTP::TtsHTTP(CurlLibrary curl) : api_(std::move(curl)) {
    curl_ = api_.easy_init();
    if (!curl_) throw std::bad_alloc();
}

TtsHTTP::~TtsHTTP() { api_.easy_cleanup(Easy(curl_)); }

void TtsHTTP::Get(const std::string& url, std::string& buffer, std::uint32_t rangeStart) {
    std::ostringstream body;
    try {
        Get(url, static_cast<std::ostream&>(body), rangeStart);
    } catch (...) {
        buffer += body.str();
        throw;
    }
    buffer += body.str();
}

void TtsHTTP::Get(const std::string& url, std::ostream& target, std::uint32_t rangeStart) {
    FOperation = "接收";
    FMainWorkMode = TWorkMode::Read;
    FSecondarySize = 0;
    std::string address = url;
    for (int redirects = 0;; ++redirects) {
        const std::string next = Request(address, target, rangeStart);
        if (next.empty()) return;
        if (redirects == kMaxRedirects) throw Exception(FOperation + "失败，重定向次数过多：" + url);
        if (!StartsText(next, "http://") && !StartsText(next, "https://"))
            throw Exception(FOperation + "失败，重定向到不支持的地址：" + next);
        address = next;
    }
}

std::string TtsHTTP::Request(const std::string& url, std::ostream& target, std::uint32_t rangeStart) {
    SetTarget(url);

    const CurlLibrary& api = api_;
    CURL* curl = Easy(curl_);
    api.easy_reset(curl);
    Transfer t(*this, target);
    char detail[CURL_ERROR_SIZE] = "";
    curl_slist* lines = nullptr;
    std::vector<std::string> headerLines = {std::string("User-Agent: ") + kUserAgent, "Accept: text/html, */*"};
    if (rangeStart > 0) headerLines.push_back("Range: bytes=" + std::to_string(rangeStart) + "-");
    for (const std::string& line : headerLines) lines = api.slist_append(lines, WriteLn(line).c_str());

    api.easy_setopt(curl, CURLOPT_URL, url.c_str());
    api.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    api.easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    api.easy_setopt(curl, CURLOPT_HTTPHEADER, lines);
    // The route that the web view takes too; curl's own reading of the environment does not apply.
    const std::string proxy = proxy_resolver_ ? proxy_resolver_(url) : "";
    api.easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
    api.easy_setopt(curl, CURLOPT_NOPROXY, "");
    api.easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    api.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api.easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    api.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts_.connect.count()));
    api.easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts_.total.count()));
    api.easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    api.easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts_.stall.count()));
    if (!caFile_.empty()) api.easy_setopt(curl, CURLOPT_CAINFO, caFile_.c_str());
    api.easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    api.easy_setopt(curl, CURLOPT_HEADERDATA, &t);
    api.easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
    api.easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    api.easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    api.easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
    api.easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    api.easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, &Transfer::OnSocket);
    api.easy_setopt(curl, CURLOPT_SOCKOPTDATA, &t);
    api.easy_setopt(curl, CURLOPT_PREREQFUNCTION, &Transfer::OnConnected);
    api.easy_setopt(curl, CURLOPT_PREREQDATA, &t);

    CURLcode code = CURLE_OK;
    if (t.Guard([&] { HTTPStatus(hsResolving, {}); })) code = api.easy_perform(curl);
    api.slist_free_all(lines);

    curl_off_t received = 0, receiveTotal = 0, sent = 0;
    long osError = 0;
    curl_off_t connectTime = 0;
    char* location = nullptr;
    api.easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
    const std::string redirect = location ? location : "";
    api.easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &received);
    api.easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &receiveTotal);
    api.easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &sent);
    api.easy_getinfo(curl, CURLINFO_OS_ERRNO, &osError);
    api.easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
    api.easy_reset(curl);  // the handle must not keep pointers to this call's buffers
    // Progress and connection states close in every case, as the work ends also when it failed.
    t.Guard([&] {
        SyncProgress(t, received, std::max<curl_off_t>(receiveTotal, 0), sent, 0);
        if (t.sending) EndWork(TWorkMode::Write);
        if (t.receiving) EndWork(TWorkMode::Read);
        if (t.connected) {
            HTTPStatus(hsDisconnecting, {});
            HTTPStatus(hsDisconnected, {});
        }
    });

    if (t.hookError) {
        try {
            std::rethrow_exception(t.hookError);
        } catch (const Exception& e) {
            RaiseRequestError({e.Message(), false}, t);
        }
    }
    if (t.tooLarge) throw Exception(FOperation + "失败，文件大小超过上限 " + SizeText(bodyLimit_));
    if (code != CURLE_OK) RaiseRequestError(DescribeCurlFailure(api, code, osError, connectTime > 0, detail), t);
    if (IsRedirection(t.status) && !redirect.empty()) return redirect;
    if (t.status >= 300) RaiseRequestError({t.statusLine, false, static_cast<int>(t.status)}, t);
    return "";
}

void TtsHTTP::SetTarget(const std::string& url) {
    host_.clear();
    port_ = 80;
    const CurlLibrary& api = api_;
    CURLU* parts = api.url();
    if (!parts) return;
    if (api.url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
        char* host = nullptr;
        char* port = nullptr;
        if (api.url_get(parts, CURLUPART_HOST, &host, 0) == CURLUE_OK) host_ = host;
        if (api.url_get(parts, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) port_ = std::atoi(port);
        api.free(host);
        api.free(port);
    }
    api.url_cleanup(parts);
}

void TtsHTTP::SyncProgress(Transfer& t, std::int64_t received, std::int64_t receiveTotal, std::int64_t sent,
                           std::int64_t sendTotal) {
    if (sent > t.sent) {
        if (!t.sending) {
            t.sending = true;
            BeginWork(TWorkMode::Write, sendTotal);
        }
        DoWork(TWorkMode::Write, sent - t.sent);
        t.sent = sent;
    }
    // The response body begins once its headers are in, with the size they announce.
    if (t.headersDone && !t.receiving) {
        t.receiving = true;
        BeginWork(TWorkMode::Read, receiveTotal);
    }
    if (t.receiving && received > t.received) {
        DoWork(TWorkMode::Read, received - t.received);
        t.received = received;
    }
}

void TtsHTTP::RaiseRequestError(const RequestFailure& failure, const Transfer& transfer) {
    std::string serverText = transfer.Header("jsonmessage");
    std::string message =
        serverText.empty() ? TranslateConnectError(failure) : "服务器返回错误：" + DecodeServerMessage(serverText);
    throw Exception(FOperation + "失败，" + message);
}

std::string TtsHTTP::TranslateConnectError(const RequestFailure& failure) {
    ConnectError error = tesra::TranslateConnectError(failure, host_, port_);
    FFileNotFound = error.fileNotFound;
    return error.message;
}

void TtsHTTP::BeginWork(TWorkMode mode, std::int64_t size) {
    if (!FProgressor) return;
    if (mode == FMainWorkMode) {
        FProgressor->SetText("正在" + FOperation);
        FProgressor->SetMax(ClampInt(size));
        FProgressor->Start();
    } else {
        FSecondarySize = ClampInt(size);
        FProgressor->SetText("正在" + WorkModeText(mode));
    }
}

void TtsHTTP::DoWork(TWorkMode mode, std::int64_t count) {
    if (!FProgressor) return;
    if (mode == FMainWorkMode && FProgressor->GetPosition() <= FProgressor->GetMax()) {
        FProgressor->SetPosition(ClampInt(FProgressor->GetPosition() + count));
        return;
    }
    std::string of = FSecondarySize > 0 ? "/" + std::to_string(FSecondarySize) : "";
    FProgressor->SetText("正在" + WorkModeText(mode) + " (" + std::to_string(count) + of + ")");
}

void TtsHTTP::EndWork(TWorkMode mode) {
    if (!FProgressor) return;
    if (mode == FMainWorkMode) {
        FProgressor->SetText("完成" + FOperation);
        FProgressor->Finish();
    } else {
        FProgressor->SetText("完成" + WorkModeText(mode));
    }
}

std::string TtsHTTP::WriteLn(const std::string& line) const {
    const std::string field = "Content-Length: ";
    if (FSendSize > 0 && StartsText(line, field)) return field + std::to_string(FSendSize);
    return line;
}

std::string TtsHTTP::WriteStream(std::istream& stream) const {
    if (FSendSize == 0) return std::string(std::istreambuf_iterator<char>(stream), {});
    std::string body(static_cast<std::size_t>(std::max(FSendSize, 0)), '\0');
    stream.read(body.data(), static_cast<std::streamsize>(body.size()));
    body.resize(static_cast<std::size_t>(stream.gcount()));
    return body;
}

void TtsHTTP::HTTPStatus(int status, const std::string& statusText) {
    if (FProgressor) FProgressor->SetText(ConnectionStatusText(status, statusText, host_));
}

}  // namespace tesra
