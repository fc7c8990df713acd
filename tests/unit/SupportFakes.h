#pragma once
// The unit tests' fakes of the platform services (each fake once, here or in the headers that include
// this one), a temporary home and the file helpers.

#include <glib.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScopedEnv.h"
#include "platform/Application.h"
#include "platform/Cursor.h"
#include "platform/DebugChannel.h"
#include "platform/Exception.h"
#include "platform/FocusInfo.h"
#include "platform/MessageBox.h"
#include "platform/NetworkIdentity.h"
#include "platform/Screen.h"
#include "platform/SystemInfo.h"
#include "support/TextCodec.h"
#include "support/tsLog.h"

namespace tesra::testing {

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FakeApplication : public platform::Application {
public:
    std::string title = "蓝岸浏览器";
    std::string iconFile = "/icons/app.ico";
    bool minimized = false;
    std::vector<std::string> calls;
    std::function<void()> onMinimize;
    std::function<void()> onRestore;
    MessageFilter filter;
    std::set<int> keysDown;
    int terminated = 0;

    std::string Title() const override { return title; }
    void SetTitle(const std::string& t) override { title = t; }
    bool SetIconFile(const std::string& path) override {
        iconFile = path;
        return true;
    }
    void ProcessMessages() override { calls.push_back("ProcessMessages"); }
    void Run() override {}
    void Terminate() override { ++terminated; }
    // Throws, so that a test that halts by mistake fails rather than ending the test program.
    [[noreturn]] void Halt() override { throw std::logic_error("halt"); }
    void SetMessageFilter(MessageFilter f) override { filter = std::move(f); }
    bool IsKeyDown(int key) const override { return keysDown.count(key) > 0; }
    bool IsMinimized() const override { return minimized; }
    void Restore() override { calls.push_back("Restore"); }
    void BringToFront() override { calls.push_back("BringToFront"); }
    std::string IconFile() const override { return iconFile; }
    void Minimize() override { calls.push_back("Minimize"); }
    void SetTaskbarButtonVisible(bool visible) override { calls.push_back(visible ? "ShowTaskbar" : "HideTaskbar"); }
    void SetOnMinimize(std::function<void()> handler) override { onMinimize = std::move(handler); }
    void SetOnRestore(std::function<void()> handler) override { onRestore = std::move(handler); }
};

class FakeBoxes : public platform::MessageBoxes {
public:
    struct Box {
        std::string text, caption;
        unsigned flags;
    };
    std::vector<Box> shown;
    int answer = platform::IDOK;

    int Show(const std::string& text, const std::string& caption, unsigned flags) override {
        shown.push_back({text, caption, flags});
        return answer;
    }
};

class FakeChannel : public platform::DebugChannel {
public:
    bool Send(const std::string& text) override {
        std::lock_guard lock(mutex_);
        lines_.push_back(text);
        return true;
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

class FakeCursor : public platform::AppCursor {
public:
    std::vector<bool> changes;
    void SetBusy(bool busy) override { changes.push_back(busy); }
};

class FakeFocus : public platform::FocusInfo {
public:
    std::optional<platform::FormFacts> form;
    std::optional<platform::WidgetFacts> control;
    std::string text;
    int failingReads = 0;  // so many reads of the control's text throw before one succeeds
    int reads = 0;

    std::optional<platform::FormFacts> ActiveForm() override { return form; }
    std::optional<platform::WidgetFacts> FocusedControl() override { return control; }
    std::string FocusedControlText() override {
        if (reads++ < failingReads) throw std::runtime_error("cannot read");
        return text;
    }
};

// A client log that keeps its entries (serialised, in GBK) in memory.
class FakeLog : public TtsCustomLog {
public:
    std::vector<std::string> entries;
    std::string GetLogPath() override { return "/nonexistent/"; }
    void DoClientLog(const std::string& entryText) override { entries.push_back(entryText); }

    // The text of each entry, as it was logged.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        GMarkupParser parser{};
        parser.start_element = [](GMarkupParseContext*, const gchar*, const gchar** names, const gchar** values,
                                  gpointer data, GError**) {
            for (; *names; ++names, ++values) {
                if (std::string_view(*names) == "Log") static_cast<std::vector<std::string>*>(data)->push_back(*values);
            }
        };
        for (const std::string& entry : entries) {
            const std::string xml = GbkToUtf8(entry);
            GMarkupParseContext* context = g_markup_parse_context_new(&parser, GMarkupParseFlags(0), &texts, nullptr);
            g_markup_parse_context_parse(context, xml.data(), static_cast<gssize>(xml.size()), nullptr);
            g_markup_parse_context_free(context);
        }
        return texts;
    }
};

// The log, when given, sees each capture.
class FakeScreen : public platform::Screen {
public:
    platform::Picture picture;
    int captures = 0;
    platform::CursorInPicture lastCursor = platform::CursorInPicture::Omitted;
    std::vector<std::string>* log = nullptr;
    platform::Picture CapturePrimary(platform::CursorInPicture cursor) override {
        ++captures;
        lastCursor = cursor;
        if (log) log->push_back(cursor == platform::CursorInPicture::Drawn ? "screen with cursor" : "screen");
        return picture;
    }
};

// Loopback and eth0 with address (loopback alone when it is empty), unless addresses lists others.
class FakeNetwork : public platform::NetworkIdentity {
public:
    std::optional<std::vector<platform::NetworkInterface>> interfaces;
    std::string name = "host-pc";
    std::string address = "192.168.1.5";
    std::optional<std::vector<platform::Ipv4Address>> addresses;
    std::string defaultInterface = "eth0";

    std::optional<std::vector<platform::NetworkInterface>> Interfaces() const override { return interfaces; }
    std::string ComputerName() const override { return name; }
    std::vector<platform::Ipv4Address> Ipv4Addresses() const override {
        if (addresses) return *addresses;
        if (address.empty()) return {{"lo", "127.0.0.1", true}};
        return {{"lo", "127.0.0.1", true}, {"eth0", address, false}};
    }
    std::string DefaultRouteInterface() const override { return defaultInterface; }
};

class FakeSystem : public platform::SystemInformation {
public:
    std::optional<platform::ProcessorBrand> brand;
    unsigned count = 4;
    bool countFails = false;
    std::optional<std::uint64_t> memory;
    std::optional<platform::OsVersion> version;

    std::optional<platform::ProcessorBrand> ProcessorBrandBytes() const override { return brand; }
    unsigned ProcessorCount() const override {
        if (countFails) throw Exception("no count");
        return count;
    }
    std::optional<std::uint64_t> TotalPhysicalMemory() const override { return memory; }
    std::optional<platform::OsVersion> Version() const override { return version; }
};

// A temporary home with its own XDG folders for the life of the object; the variables come back as
// they were when it goes.
class TempHome {
public:
    TempHome() {
        char pattern[] = "/tmp/tesra-support-XXXXXX";
        root_ = mkdtemp(pattern);
        Set("HOME", root_ / "home");
        Set("XDG_DATA_HOME", root_ / "home/.local/share");
        Set("XDG_CONFIG_HOME", root_ / "home/.config");
        Set("XDG_CACHE_HOME", root_ / "home/.cache");
        Set("XDG_RUNTIME_DIR", root_ / "run");
    }
    ~TempHome() {
        std::error_code ignored;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    const std::filesystem::path& Root() const { return root_; }

private:
    void Set(const char* name, const std::filesystem::path& path) {
        std::filesystem::create_directories(path);
        variables_.emplace_back(name, path.string());
    }
    std::filesystem::path root_;
    std::list<ScopedEnv> variables_;  // the variables as they were come back after the folder is gone
};

// The largest file this process may write, lowered for the life of the object: a write past it fails
// with EFBIG, as a full disk fails a write (and unlike a read-only folder, also for root).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
};

// Counts what happens to a file or folder (inotify events of the mask, by anyone) from
// construction on: IN_OPEN for the opens of a file, IN_CREATE for the files made in a folder. Like
// events that follow each other unread count once: count files of unique names (temporary files),
// or read the count between the events.
class FileEvents {
public:
    FileEvents(const std::filesystem::path& path, uint32_t mask) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, path.c_str(), mask);
    }
    ~FileEvents() { close(fd_); }
    FileEvents(const FileEvents&) = delete;
    FileEvents& operator=(const FileEvents&) = delete;

    // Events of the files in a watched folder whose names begin with prefix; "": all, also those
    // of a watched file itself.
    int Count(const std::string& prefix = "") {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                events_.emplace_back(event->len ? event->name : "");
                p += sizeof(inotify_event) + event->len;
            }
        }
        int count = 0;
        for (const auto& event : events_) count += event.rfind(prefix, 0) == 0;
        return count;
    }

private:
    int fd_;
    std::vector<std::string> events_;
};

}  // namespace tesra::testing
