#pragma once
// The program's active GTK window and its focused widget.

#include <optional>
#include <string>

#include "platform/FocusInfo.h"

namespace tesra::platform {

class GtkFocusInfo : public FocusInfo {
public:
    std::optional<FormFacts> ActiveForm() override;
    std::optional<WidgetFacts> FocusedControl() override;
    std::string FocusedControlText() override;
};

}  // namespace tesra::platform
