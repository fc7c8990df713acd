#include "support/EscapeKey.h"

#include <gtest/gtest.h>

#include "platform/Messages.h"

namespace tesra {
namespace {

TEST(EscapeKey, ClosesAFrameAloneAndCancelsADialogWithAnyModifiers) {
    struct Case {
        const char* name;
        int key;
        KeyModifiers modifiers;
        bool closesFrame, cancelsDialog;
    };
    const Case cases[] = {
        {"Esc", platform::VK_ESCAPE, {}, true, true},
        {"Ctrl+Esc", platform::VK_ESCAPE, {true, false, false}, false, true},
        {"Shift+Esc", platform::VK_ESCAPE, {false, true, false}, false, true},
        {"Alt+Esc", platform::VK_ESCAPE, {false, false, true}, false, true},
        {"Ctrl+Shift+Alt+Esc", platform::VK_ESCAPE, {true, true, true}, false, true},
        {"Return", platform::VK_RETURN, {}, false, false},
        {"Space", platform::VK_SPACE, {}, false, false},
        {"a key without a code", 0, {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AsksFrameToClose(c.key, c.modifiers), c.closesFrame);
        EXPECT_EQ(CancelsDialog(c.key), c.cancelsDialog);
    }
}

}  // namespace
}  // namespace tesra
