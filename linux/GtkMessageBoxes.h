#pragma once
// Message boxes as modal GTK message dialogs.

#include "platform/MessageBox.h"

namespace tesra::platform {

class GtkMessageBoxes final : public MessageBoxes {
public:
    int Show(const std::string& text, const std::string& caption, unsigned flags) override;
};

}  // namespace tesra::platform
