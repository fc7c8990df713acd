#pragma once
// What Esc does in the program's windows. Keys are virtual-key codes (platform/Messages.h).

namespace tesra {

struct KeyModifiers {
    bool control = false;
    bool shift = false;
    bool alt = false;
};

// Whether a key asks a frame (the main window or a pop-up) to close: Esc alone; with Ctrl, Shift or
// Alt the key is the page's.
bool AsksFrameToClose(int virtualKey, KeyModifiers modifiers);

// Whether a key cancels a dialog: Esc, whatever modifiers are held.
bool CancelsDialog(int virtualKey);

}  // namespace tesra
