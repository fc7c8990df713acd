#include "shell/NewMessageHint.h"

#include <cmath>
#include <limits>
#include <string>

#include "platform/Timer.h"
#include "support/tsTrayIcon.h"

namespace tesra {

platform::BadgeSpec NewMessageBadge(std::int32_t count, int iconSize) {
    platform::BadgeSpec badge;
    badge.width = iconSize;
    badge.height = iconSize;
    badge.background = {0, 0, 255};
    badge.ellipseLeft = 3;
    badge.ellipseTop = 3;
    badge.ellipseRight = iconSize - 3;
    badge.ellipseBottom = iconSize - 3;
    badge.ellipse = {255, 255, 0};
    badge.textColor = {255, 0, 0};
    badge.fontPoints = 14;
    badge.text = count > 9 ? "9+" : std::to_string(count);
    badge.textX = count > 9 ? 6 : 8;
    badge.textY = 6;
    return badge;
}

std::int32_t ClampMessageCount(double count) {
    if (std::isnan(count)) return 0;
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (count <= lowest) return lowest;
    if (count >= highest) return highest;
    return static_cast<std::int32_t>(count);
}

NewMessageHint::NewMessageHint(TtsTrayIcon& trayIcon, platform::Timer& blinkTimer,
                               std::function<bool()> isMainWindowVisible, BadgeDrawer drawBadge, int iconSize)
    : tray_icon_(trayIcon),
      blink_timer_(blinkTimer),
      is_main_window_visible_(std::move(isMainWindowVisible)),
      draw_badge_(std::move(drawBadge)),
      icon_size_(iconSize) {}

void NewMessageHint::ShowNewMessageHint(std::int32_t count) {
    has_new_messages_ = true;
    count_ = count;
    ArmBlinkTimer();
}

bool NewMessageHint::ShouldBlink() const { return count_ > 0 && !is_main_window_visible_(); }

void NewMessageHint::ArmBlinkTimer() {
    const bool blink = ShouldBlink();
    // Enabling a running timer again would restart its period: a page that reports its count more
    // often than the interval would then never see a tick.
    if (blink_timer_.Enabled() != blink) blink_timer_.SetEnabled(blink);
    if (!blink) tray_icon_.ResetIcon();
}

void NewMessageHint::BlinkStep() {
    if (!has_new_messages_) return;
    const platform::IconImage badge = draw_badge_(NewMessageBadge(count_, icon_size_));
    if (blink_phase_) {
        tray_icon_.ResetIcon();
    } else {
        tray_icon_.SetIcon(badge);
    }
    blink_phase_ = !blink_phase_;
}

}  // namespace tesra
