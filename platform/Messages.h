#pragma once
// Message numbers and key codes of the message records that the application's filter sees.
// The numbers are the classic desktop ones, so the rules above the platform read as written.

#include <cstdint>

namespace tesra::platform {

using WindowId = std::intptr_t;  // identifies a native window; 0 is none

struct MessageRecord {
    WindowId target = 0;
    unsigned number = 0;
    std::intptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

enum MessageNumber : unsigned {
    WM_NULL = 0,
    WM_CLOSE = 16,
    WM_QUERYENDSESSION = 17,
    WM_ENDSESSION = 22,
    WM_KEYDOWN = 256,
    WM_KEYUP = 257,
    WM_SYSKEYDOWN = 260,
    WM_SYSKEYUP = 261,
    WM_SYSCOMMAND = 274,
    WM_HOTKEY = 786,
};

// wParam of a close request that a page's script made: the application's own document, bound, asked.
// A request without it (the engine's own close of a window, another window's script) may close a
// pop-up but never ends the program.
constexpr std::intptr_t kCloseByBoundApplication = 1;

enum SysCommand : std::intptr_t {
    SC_MINIMIZE = 0xF020,
    SC_RESTORE = 0xF120,
};

// Virtual-key codes used by the system's rules.
enum VirtualKey : int {
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,  // Alt
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_LWIN = 0x5B,
    VK_RWIN = 0x5C,
    VK_F10 = 0x79,
};

}  // namespace tesra::platform
