#pragma once
// In-memory fakes of the window system, its frames, the browser control and the page link: the
// main window's rules run against them without a display. Requests to the page wait in the link
// until the test answers them.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Browser.h"

namespace tesra::fakes {

class FakePageLink : public platform::PageLink {
public:
    struct Request {
        std::string kind;  // "BindFacade", "CompleteDocument", "DoMessage", "DoHotKey", "HotKey"
        std::string text;  // DoMessage: name and value as "name value"; DoHotKey: the key
        std::optional<platform::ClientTexts> report;
    };
    std::vector<Request> requests;
    // Answers still to give, in the order the requests came.
    std::vector<std::function<void(const platform::BindOutcome&)>> pendingBindings;
    std::vector<std::function<void(const platform::DocumentOutcome&)>> pendingDocuments;

    void BindFacade(const std::vector<std::string>&, std::function<void(const platform::BindOutcome&)> done) override {
        requests.push_back({"BindFacade", "", std::nullopt});
        pendingBindings.push_back(std::move(done));
    }
    void CompleteDocument(const std::vector<std::string>&, const std::optional<platform::ClientTexts>& report,
                          const std::string&, std::function<void(const platform::DocumentOutcome&)> done) override {
        requests.push_back({"CompleteDocument", "", report});
        pendingDocuments.push_back(std::move(done));
    }
    void DoMessage(const std::string& name, const std::string& value, Done done) override {
        requests.push_back({"DoMessage", name + " " + value, std::nullopt});
        if (done) done("");
    }
    void DoHotKey(const std::string& key, Done done) override {
        requests.push_back({"DoHotKey", key, std::nullopt});
        if (done) done("");
    }
    void HotKey(std::uint64_t, std::int32_t, Done done) override {
        requests.push_back({"HotKey", "", std::nullopt});
        if (done) done("");
    }

    // Answers the oldest binding request still waiting.
    void AnswerBinding(const platform::BindOutcome& outcome) {
        auto done = std::move(pendingBindings.front());
        pendingBindings.erase(pendingBindings.begin());
        done(outcome);
    }
    void AnswerDocument(const platform::DocumentOutcome& outcome) {
        auto done = std::move(pendingDocuments.front());
        pendingDocuments.erase(pendingDocuments.begin());
        done(outcome);
    }
    int Count(const std::string& kind) const {
        int n = 0;
        for (const Request& request : requests) n += request.kind == kind;
        return n;
    }
};

class FakeBrowser : public platform::BrowserControl {
public:
    explicit FakeBrowser(platform::WindowId handle) : handle_(handle) {}

    Events events;
    std::vector<std::string> navigations;
    platform::ReadyState state = platform::ReadyState::Uninitialized;
    bool hasDocument = false;
    std::string url;
    FakePageLink page;

    void SetEvents(Events e) override { events = std::move(e); }
    void Navigate(const std::string& address, platform::CacheUse) override { navigations.push_back(address); }
    void Refresh() override {}
    platform::ReadyState State() const override { return state; }
    bool HasDocument() const override { return hasDocument; }
    std::string Url() const override { return url; }
    platform::WindowId Handle() const override { return handle_; }
    platform::PageLink& Page() override { return page; }

    // A top-level load ends as the engine reports it: the page (when one came), then the download.
    void FinishLoad(const std::string& address, bool withPage = true) {
        state = platform::ReadyState::Complete;
        if (withPage) {
            hasDocument = true;
            url = address;
            if (events.onDocumentComplete) events.onDocumentComplete(address);
        }
        if (events.onDownloadComplete) events.onDownloadComplete();
    }

private:
    platform::WindowId handle_;
};

class FakeFrame : public platform::Frame {
public:
    FakeFrame(platform::WindowId handle, platform::FrameKind kind) : kind(kind), browser(handle + 1), handle_(handle) {}

    platform::FrameKind kind;
    FakeBrowser browser;
    std::string caption;
    std::optional<platform::Rect> bounds;  // the last ones set
    bool visible = false;
    bool minimized = false;
    std::function<void()> onClose;
    std::function<void()> onEscape;
    std::function<void()> onDestroy;
    std::vector<std::string>* log = nullptr;  // sees the minimising and the restoring

    ~FakeFrame() override {
        if (onDestroy) onDestroy();
    }
    platform::BrowserControl& Browser() override { return browser; }
    platform::WindowId Handle() const override { return handle_; }
    void SetCaption(const std::string& text) override { caption = text; }
    std::string Caption() const override { return caption; }
    void SetBounds(int left, int top, int width, int height) override { bounds = {left, top, width, height}; }
    void Show() override { visible = true; }
    void Hide() override { visible = false; }
    bool IsVisible() const override { return visible; }
    void BringToFront() override {}
    void Minimize() override {
        minimized = true;
        if (log) log->push_back("minimize");
    }
    bool IsMinimized() const override { return minimized; }
    void Restore() override {
        minimized = false;
        if (log) log->push_back("restore");
    }
    void SetOnCloseRequest(std::function<void()> handler) override { onClose = std::move(handler); }
    void SetOnEscape(std::function<void()> handler) override { onEscape = std::move(handler); }

private:
    platform::WindowId handle_;
};

// Frames get handles 100, 200, ...; their browsers the handle + 1. The test keeps seeing a frame
// until it is destroyed (then its entry is null).
class FakeWindowSystem : public platform::WindowSystem {
public:
    std::vector<FakeFrame*> frames;
    int destroyed = 0;

    std::unique_ptr<platform::Frame> MakeFrame(platform::FrameKind kind, platform::BrowserControl*) override {
        auto frame = std::make_unique<FakeFrame>(static_cast<platform::WindowId>(100 * (frames.size() + 1)), kind);
        size_t index = frames.size();
        frames.push_back(frame.get());
        frame->onDestroy = [this, index] {
            frames[index] = nullptr;
            ++destroyed;
        };
        return frame;
    }
    std::optional<platform::Rect> WorkArea() const override { return platform::Rect{0, 0, 1280, 760}; }
};

}  // namespace tesra::fakes
