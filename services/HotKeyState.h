#pragma once
// The main window's hot-key state: the keys that page script registers, and the one facade that
// every press is reported to (the facade of the latest registration).

#include <functional>
#include <memory>
#include <vector>

#include "platform/Platform.h"

namespace tesra {

class HotKeyState {
public:
    // The page object to call back: runs the page's DoHotKey with the id.
    using Facade = std::function<void(int id)>;

    // The hot-key receiver is made by factory at the first registration.
    explicit HotKeyState(platform::Factory& factory) : factory_(factory) {}
    // Unregisters every id of HotKeyIds, in order, only when the latest registration succeeded.
    ~HotKeyState();
    HotKeyState(const HotKeyState&) = delete;
    HotKeyState& operator=(const HotKeyState&) = delete;

    // RegisterHotKey of the scripting object: the facade replaces the previous one whatever the
    // outcome; the key is registered for the main window with the mask and code as given. False
    // when the platform refuses it; nothing is shown.
    bool RegisterHotKey(int id, unsigned modifier, unsigned vk, Facade facade);

    // A press of a registered key (the hot-key message): DoHotKey on the facade with the id when the
    // id is one of HotKeyIds, else nothing. A failing facade call is passed on.
    void HotKeyPressed(int id);

    const std::vector<int>& HotKeyIds() const { return HotKeyIds_; }
    bool HotKeyRegistered() const { return HotKeyRegistered_; }

private:
    platform::Factory& factory_;
    Facade HotKeyFacade_;
    // The main window's hot keys, made at the first registration.
    std::unique_ptr<platform::HotKeys> HotKeyWindow_;
    bool HotKeyRegistered_ = false;
    std::vector<int> HotKeyIds_;
};

}  // namespace tesra
