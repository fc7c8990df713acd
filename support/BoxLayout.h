#pragma once
// What a message box shows for its flags and what it answers. The program speaks Chinese whatever the
// desktop's language; the platform only draws the box.

#include <optional>
#include <vector>

#include "platform/MessageBox.h"

namespace tesra {

enum class BoxIcon { None, Error, Question, Warning, Information };

struct BoxButton {
    const char* caption;
    platform::MessageBoxAnswer answer;
};

struct BoxLayout {
    BoxIcon icon = BoxIcon::None;
    std::vector<BoxButton> buttons;                             // left to right
    platform::MessageBoxAnswer defaultAnswer = platform::IDOK;  // the button that Enter presses
};

BoxLayout BoxLayoutOf(unsigned flags);

// The answer of a box closed by the button pressed, or none when it was closed otherwise: a box with
// only OK answers OK however it was closed.
platform::MessageBoxAnswer BoxAnswer(unsigned flags, std::optional<platform::MessageBoxAnswer> pressed);

}  // namespace tesra
