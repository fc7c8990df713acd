#pragma once
// In-memory fakes of the platform services that the tray icon, the configured menu and the
// new-message hint use, beside the common ones of SupportFakes.h.

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "SupportFakes.h"
#include "platform/NotifyIcon.h"
#include "platform/PopupMenu.h"
#include "platform/Timer.h"

namespace tesra::fakes {

class FakeTimer : public platform::Timer {
public:
    int interval = 1000;
    bool enabled = false;
    int enableCount = 0;  // times SetEnabled(true) was called
    std::function<void()> onTick;
    void SetInterval(int ms) override { interval = ms; }
    int Interval() const override { return interval; }
    void SetEnabled(bool e) override {
        if (e) ++enableCount;
        enabled = e;
    }
    bool Enabled() const override { return enabled; }
    void SetOnTick(std::function<void()> tick) override { onTick = std::move(tick); }
    void Tick() {
        if (onTick) onTick();
    }
};

// Records every call; an add succeeds while a tray host is "present", and the host answers it at once
// unless answerLater is set (then Answer gives the answer).
class FakeNotifyIcons : public platform::NotifyIconHost {
public:
    struct Call {
        platform::NotifyIconCommand command;
        platform::NotifyIconData data;
    };
    static constexpr unsigned kTaskbarCreated = 0xC123;
    static constexpr unsigned kTaskbarLost = 0xC124;
    static constexpr unsigned kAddAnswered = 0xC125;
    bool trayPresent = true;
    bool answerLater = false;
    int shellVersion = 6;
    std::vector<Call> calls;
    std::map<platform::WindowId, MessageHandler> windows;
    std::map<std::uint32_t, platform::NotifyIconData> shown;  // icons now in the tray, by id
    platform::WindowId nextWindow = 100;
    std::function<void()> onAdd;  // runs inside an add, before it answers

    platform::WindowId CreateMessageWindow(MessageHandler handler) override {
        windows[nextWindow] = std::move(handler);
        return nextWindow++;
    }
    void DestroyMessageWindow(platform::WindowId window) override { windows.erase(window); }
    bool Notify(platform::NotifyIconCommand command, const platform::NotifyIconData& data) override {
        calls.push_back({command, data});
        switch (command) {
        case platform::NIM_ADD:
            if (onAdd) onAdd();
            if (!trayPresent) return false;
            shown[data.id] = data;
            if (!answerLater) Answer(data.id, true);
            return true;
        case platform::NIM_MODIFY:
            if (!shown.count(data.id)) return false;
            shown[data.id] = data;
            return true;
        case platform::NIM_DELETE:
            return shown.erase(data.id) > 0;
        }
        return false;
    }
    unsigned TaskbarCreatedMessage() const override { return kTaskbarCreated; }
    unsigned TaskbarLostMessage() const override { return kTaskbarLost; }
    unsigned AddAnsweredMessage() const override { return kAddAnswered; }
    void Broadcast(const platform::MessageRecord& message) override {
        for (auto& [window, handler] : windows) {
            platform::MessageRecord record = message;
            record.target = window;
            handler(record);
        }
    }
    bool QueryBroadcast(const platform::MessageRecord& message) override {
        for (auto& [window, handler] : windows) {
            platform::MessageRecord record = message;
            record.target = window;
            if (handler(record) == 0) return false;
        }
        return true;
    }
    int ShellMajorVersion() const override { return shellVersion; }

    std::intptr_t Send(platform::WindowId window, unsigned number, std::intptr_t wParam, std::intptr_t lParam) {
        return windows.at(window)({window, number, wParam, lParam});
    }
    // The tray host's answer to the add of the icon; one that it refuses is removed.
    void Answer(std::uint32_t id, bool show) {
        const platform::WindowId window = shown.at(id).window;
        if (!show) shown.erase(id);
        Send(window, kAddAnswered, id, show ? 1 : 0);
    }
    int Count(platform::NotifyIconCommand command) const {
        int n = 0;
        for (const Call& call : calls) n += call.command == command;
        return n;
    }
};

class FakePopupMenu : public platform::PopupMenu {
public:
    int popups = 0;
    std::function<void()> whileOpen;
    void PopupAtPointer() override {
        ++popups;
        if (whileOpen) whileOpen();
    }
};

}  // namespace tesra::fakes
