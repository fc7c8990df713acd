#pragma once
// The busy cursor over every window of the program.

#include "platform/Cursor.h"

namespace tesra::platform {

class GtkAppCursor : public AppCursor {
public:
    void SetBusy(bool busy) override;
};

}  // namespace tesra::platform
