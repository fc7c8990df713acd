#include "support/BoxLayout.h"

namespace tesra {
namespace {

bool AsksOkOrCancel(unsigned flags) { return (flags & 0x0F) == platform::MB_OKCANCEL; }

BoxIcon IconOf(unsigned flags) {
    switch (flags & 0xF0) {
    case platform::MB_ICONSTOP:
        return BoxIcon::Error;
    case platform::MB_ICONQUESTION:
        return BoxIcon::Question;
    case platform::MB_ICONWARNING:
        return BoxIcon::Warning;
    case platform::MB_ICONINFORMATION:
        return BoxIcon::Information;
    default:
        return BoxIcon::None;
    }
}

}  // namespace

BoxLayout BoxLayoutOf(unsigned flags) {
    BoxLayout layout{IconOf(flags), {}, platform::IDOK};
    if (AsksOkOrCancel(flags)) layout.buttons.push_back({"取消", platform::IDCANCEL});
    layout.buttons.push_back({"确定", platform::IDOK});
    return layout;
}

platform::MessageBoxAnswer BoxAnswer(unsigned flags, std::optional<platform::MessageBoxAnswer> pressed) {
    if (!AsksOkOrCancel(flags)) return platform::IDOK;
    return pressed == platform::IDOK ? platform::IDOK : platform::IDCANCEL;
}

}  // namespace tesra
