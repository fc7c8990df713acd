#include "support/EscapeKey.h"

#include "platform/Messages.h"

namespace tesra {

bool AsksFrameToClose(int virtualKey, KeyModifiers modifiers) {
    return CancelsDialog(virtualKey) && !modifiers.control && !modifiers.shift && !modifiers.alt;
}

bool CancelsDialog(int virtualKey) { return virtualKey == platform::VK_ESCAPE; }

}  // namespace tesra
