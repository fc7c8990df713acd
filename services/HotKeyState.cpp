#include "services/HotKeyState.h"

#include <algorithm>

namespace tesra {

HotKeyState::~HotKeyState() {
    if (!HotKeyRegistered_ || !HotKeyWindow_) return;
    for (int id : HotKeyIds_) HotKeyWindow_->Unregister(id);
    HotKeyIds_.clear();
}

bool HotKeyState::RegisterHotKey(int id, unsigned modifier, unsigned vk, Facade facade) {
    HotKeyFacade_ = std::move(facade);
    if (!HotKeyWindow_) HotKeyWindow_ = factory_.MakeHotKeys([this](int pressed) { HotKeyPressed(pressed); });
    HotKeyRegistered_ = HotKeyWindow_->Register(id, modifier, vk);
    if (HotKeyRegistered_) HotKeyIds_.push_back(id);
    return HotKeyRegistered_;
}

void HotKeyState::HotKeyPressed(int id) {
    if (std::find(HotKeyIds_.begin(), HotKeyIds_.end(), id) == HotKeyIds_.end()) return;
    if (HotKeyFacade_) HotKeyFacade_(id);
}

}  // namespace tesra
