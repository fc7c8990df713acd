#pragma once
// A whole platform of fakes: every interface of platform::Platform, each fake once (here or in the
// headers this one includes).

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "BrowserFakes.h"
#include "EnvironmentFakes.h"
#include "TrayFakes.h"
#include "platform/Platform.h"
#include "registry/MemoryRegistry.h"

namespace tesra::fakes {

// Records the registrations, refuses the virtual keys listed in taken; the log, when given, sees
// every call.
class FakeHotKeys : public platform::HotKeys {
public:
    struct Key {
        int id;
        unsigned modifiers, virtualKey;
    };
    std::vector<Key> keys;
    const std::vector<unsigned>* taken = nullptr;
    std::vector<std::string>* log = nullptr;
    platform::HotKeyCallback press;

    bool Register(int id, unsigned modifiers, unsigned virtualKey) override {
        Log("register " + std::to_string(id) + " " + std::to_string(modifiers) + " " + std::to_string(virtualKey));
        if (taken && std::find(taken->begin(), taken->end(), virtualKey) != taken->end()) return false;
        keys.push_back({id, modifiers, virtualKey});
        return true;
    }
    bool Unregister(int id) override {
        Log("unregister " + std::to_string(id));
        return true;
    }

private:
    void Log(const std::string& line) {
        if (log) log->push_back(line);
    }
};

// Badges drawn as plain pictures of their background colour, and kept; every picture measures as
// none unless measure says otherwise.
class FakeDrawing : public platform::Drawing {
public:
    std::vector<platform::BadgeSpec> badges;
    std::function<std::optional<platform::PictureSize>(std::string_view bytes)> measure = [](std::string_view) {
        return std::optional<platform::PictureSize>();
    };

    platform::IconImage DrawBadge(const platform::BadgeSpec& badge) override {
        badges.push_back(badge);
        platform::IconImage image;
        image.width = badge.width;
        image.height = badge.height;
        for (int i = 0; i < badge.width * badge.height; ++i) {
            image.rgba.insert(image.rgba.end(),
                              {badge.background.red, badge.background.green, badge.background.blue, 255});
        }
        return image;
    }
    int StandardIconSize() override { return 32; }
    std::optional<platform::PictureSize> MeasurePicture(std::string_view bytes, int) override { return measure(bytes); }
};

// The start dialog answers start; the user's input on the overlay is played by user.
class FakeCaptureUi : public platform::CaptureUi {
public:
    bool start = true;
    bool failAsk = false;
    bool failOverlay = false;
    std::function<void(platform::OverlayController&)> user;
    int backgroundWidth = 0;
    std::vector<std::string>* log = nullptr;

    bool AskStart() override {
        Log("ask");
        if (failAsk) throw Exception("dialog failed");
        return start;
    }
    void RunOverlay(const platform::Picture& background, platform::OverlayController& controller) override {
        Log("overlay");
        backgroundWidth = background.width;
        if (failOverlay) throw Exception("overlay failed");
        if (user) user(controller);
    }

private:
    void Log(const std::string& line) {
        if (log) log->push_back(line);
    }
};

// Makes fakes and keeps seeing them; a test puts in a maker of its own where it needs another kind,
// or a failure. The address dialog and the install form have no default fake.
class FakeFactory : public platform::Factory {
public:
    std::vector<FakeTimer*> timers;
    std::vector<FakeHotKeys*> hotKeys;
    std::function<std::unique_ptr<platform::HotKeys>(platform::HotKeyCallback)> makeHotKeys;
    std::function<std::unique_ptr<platform::PopupMenu>()> makePopupMenu;
    std::function<std::unique_ptr<platform::InputUrlView>()> makeInputUrlView;
    std::function<std::unique_ptr<platform::InstallForm>()> makeInstallForm;

    std::unique_ptr<platform::Timer> MakeTimer() override {
        auto timer = std::make_unique<FakeTimer>();
        timers.push_back(timer.get());
        return timer;
    }
    std::unique_ptr<platform::HotKeys> MakeHotKeys(platform::HotKeyCallback onHotKey) override {
        if (makeHotKeys) return makeHotKeys(std::move(onHotKey));
        auto keys = std::make_unique<FakeHotKeys>();
        keys->press = std::move(onHotKey);
        hotKeys.push_back(keys.get());
        return keys;
    }
    std::unique_ptr<platform::PopupMenu> MakePopupMenu() override {
        return makePopupMenu ? makePopupMenu() : std::make_unique<FakePopupMenu>();
    }
    std::unique_ptr<platform::InputUrlView> MakeInputUrlView() override {
        if (!makeInputUrlView) throw std::logic_error("no address dialog in this test");
        return makeInputUrlView();
    }
    std::unique_ptr<platform::InstallForm> MakeInstallForm() override {
        if (!makeInstallForm) throw std::logic_error("no install form in this test");
        return makeInstallForm();
    }
};

// The fakes and the handle that gathers them; the environment is the given one, else its own fake.
class FakePlatform {
public:
    FakePlatform() : FakePlatform(fakeEnvironment) {}
    explicit FakePlatform(platform::Environment& environment)
        : handle{environment, drawing, app,         boxes,   registry, screen,  windows, captureUi,
                 network,     system,  notifyIcons, factory, cursor,   channel, focus} {}
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    testing::FakeEnvironment fakeEnvironment;
    FakeDrawing drawing;
    testing::FakeApplication app;
    testing::FakeBoxes boxes;
    platform::MemoryRegistry registry;
    testing::FakeScreen screen;
    FakeWindowSystem windows;
    FakeCaptureUi captureUi;
    testing::FakeNetwork network;
    testing::FakeSystem system;
    FakeNotifyIcons notifyIcons;
    FakeFactory factory;
    testing::FakeCursor cursor;
    testing::FakeChannel channel;
    testing::FakeFocus focus;
    platform::Platform handle;
};

// The handle with one interface put in place of its own.
inline platform::Platform With(const platform::Platform& p, platform::Environment& environment) {
    return {environment, p.drawing, p.app,         p.boxes,   p.registry, p.screen, p.windows, p.captureUi,
            p.network,   p.system,  p.notifyIcons, p.factory, p.cursor,   p.debug,  p.focus};
}
inline platform::Platform With(const platform::Platform& p, platform::Drawing& drawing) {
    return {p.environment, drawing,  p.app,         p.boxes,   p.registry, p.screen, p.windows, p.captureUi,
            p.network,     p.system, p.notifyIcons, p.factory, p.cursor,   p.debug,  p.focus};
}
inline platform::Platform With(const platform::Platform& p, platform::Application& app) {
    return {p.environment, p.drawing, app,           p.boxes,   p.registry, p.screen, p.windows, p.captureUi,
            p.network,     p.system,  p.notifyIcons, p.factory, p.cursor,   p.debug,  p.focus};
}
inline platform::Platform With(const platform::Platform& p, platform::NetworkIdentity& network) {
    return {p.environment, p.drawing, p.app,         p.boxes,   p.registry, p.screen, p.windows, p.captureUi,
            network,       p.system,  p.notifyIcons, p.factory, p.cursor,   p.debug,  p.focus};
}
inline platform::Platform With(const platform::Platform& p, platform::Registry& registry) {
    return {p.environment, p.drawing, p.app,         p.boxes,   registry, p.screen, p.windows, p.captureUi,
            p.network,     p.system,  p.notifyIcons, p.factory, p.cursor, p.debug,  p.focus};
}

}  // namespace tesra::fakes
