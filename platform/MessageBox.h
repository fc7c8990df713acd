#pragma once
// Modal message boxes. Flags and answers use the classic values so that callers read as written.

#include <string>

namespace tesra::platform {

enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ICONSTOP = 0x10,  // also the error icon
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};

enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2 };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box and returns the answer (IDOK or IDCANCEL; IDCANCEL when closed otherwise).
    virtual int Show(const std::string& text, const std::string& caption, unsigned flags) = 0;
};

}  // namespace tesra::platform
