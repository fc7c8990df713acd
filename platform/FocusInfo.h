#pragma once
// Which window of the program is active and which control in it has the keyboard focus; exception
// descriptions name them.

#include <optional>
#include <string>

namespace tesra::platform {

struct WidgetFacts {
    std::string name;       // the component name given by the program (the toolkit's default otherwise)
    std::string className;  // the toolkit class name
};

struct FormFacts : WidgetFacts {
    std::string caption;
};

class FocusInfo {
public:
    virtual ~FocusInfo() = default;
    // The program's active top-level window; none when no window of the program is active.
    virtual std::optional<FormFacts> ActiveForm() = 0;
    // The control with the keyboard focus in the active window; none without one.
    virtual std::optional<WidgetFacts> FocusedControl() = 0;
    // The focused control's own text (an edit box's contents, a button's caption; empty for a
    // control without text). Throws when the text cannot be read. User-interface thread only.
    virtual std::string FocusedControlText() = 0;
};

}  // namespace tesra::platform
