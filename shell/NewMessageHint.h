#pragma once
// The new-message indication: while the main window is hidden in the tray and the page reports new
// messages, the tray icon alternates every tick between the application's icon and a badge that
// carries the count.

#include <cstdint>
#include <functional>

#include "platform/Badge.h"

namespace tesra::platform {
class Timer;
}

namespace tesra {

class TtsTrayIcon;

// The badge for a count: blue square, yellow ellipse inset by 3, red text "9+" above 9 at (6, 6),
// else the count in decimal at (8, 6); 14 points.
platform::BadgeSpec NewMessageBadge(std::int32_t count, int iconSize);

// A count given by page script (a JavaScript number) as the signed 32-bit count: whole part, limited
// to the 32-bit range; not a number counts as 0.
std::int32_t ClampMessageCount(double count);

class NewMessageHint {
public:
    using BadgeDrawer = std::function<platform::IconImage(const platform::BadgeSpec& badge)>;

    // blinkTimer is the main window's timer, whose tick calls BlinkStep; the blink phase starts at
    // the application's icon.
    NewMessageHint(TtsTrayIcon& trayIcon, platform::Timer& blinkTimer, std::function<bool()> isMainWindowVisible,
                   BadgeDrawer drawBadge, int iconSize);

    // The page's new count (any value is stored); then ArmBlinkTimer.
    void ShowNewMessageHint(std::int32_t count);
    // Runs the timer exactly while ShouldBlink; when not, shows the application's icon.
    void ArmBlinkTimer();
    // The blink part of the timer's tick: nothing before the first ShowNewMessageHint; otherwise
    // the application's icon and the badge by turns.
    void BlinkStep();
    bool ShouldBlink() const;

    bool HasNewMessages() const { return has_new_messages_; }
    std::int32_t NewMessageCount() const { return count_; }
    // Which picture the next tick shows: true = the application's icon, false = the badge.
    bool BlinkPhase() const { return blink_phase_; }

private:
    TtsTrayIcon& tray_icon_;
    platform::Timer& blink_timer_;
    std::function<bool()> is_main_window_visible_;
    BadgeDrawer draw_badge_;
    int icon_size_;
    std::int32_t count_ = 0;
    bool has_new_messages_ = false;
    bool blink_phase_ = true;
};

}  // namespace tesra
