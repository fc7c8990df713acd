#include "support/BoxLayout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tesra {
namespace {

using namespace platform;

std::vector<std::string> Captions(const BoxLayout& layout) {
    std::vector<std::string> captions;
    for (const BoxButton& button : layout.buttons) captions.push_back(button.caption);
    return captions;
}

TEST(BoxLayout, ShowsTheIconAndTheButtonsTheFlagsAskFor) {
    struct Case {
        const char* name;
        unsigned flags;
        BoxIcon icon;
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"plain", MB_OK, BoxIcon::None, {"确定"}},
        {"error", MB_ICONSTOP, BoxIcon::Error, {"确定"}},
        {"question", MB_ICONQUESTION | MB_OKCANCEL, BoxIcon::Question, {"取消", "确定"}},
        {"warning", MB_ICONWARNING, BoxIcon::Warning, {"确定"}},
        {"information", MB_ICONINFORMATION | MB_OKCANCEL, BoxIcon::Information, {"取消", "确定"}},
        {"error confirmed", MB_ICONSTOP | MB_OKCANCEL, BoxIcon::Error, {"取消", "确定"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BoxLayout layout = BoxLayoutOf(c.flags);
        EXPECT_EQ(layout.icon, c.icon);
        EXPECT_EQ(Captions(layout), c.captions);
        EXPECT_EQ(layout.defaultAnswer, IDOK);
        EXPECT_EQ(layout.buttons.back().answer, IDOK);
        EXPECT_EQ(layout.buttons.front().answer, layout.buttons.size() == 2 ? IDCANCEL : IDOK);
    }
}

TEST(BoxLayout, AnswersOkUnlessCancelWasOfferedAndOkNotPressed) {
    struct Case {
        const char* name;
        unsigned flags;
        std::optional<MessageBoxAnswer> pressed;
        MessageBoxAnswer answer;
    };
    const Case cases[] = {
        {"only OK, pressed", MB_ICONSTOP, IDOK, IDOK},
        {"only OK, closed by the window", MB_ICONSTOP, std::nullopt, IDOK},
        {"OK and cancel, OK pressed", MB_ICONQUESTION | MB_OKCANCEL, IDOK, IDOK},
        {"OK and cancel, cancel pressed", MB_ICONQUESTION | MB_OKCANCEL, IDCANCEL, IDCANCEL},
        {"OK and cancel, closed by the window", MB_ICONQUESTION | MB_OKCANCEL, std::nullopt, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BoxAnswer(c.flags, c.pressed), c.answer);
    }
}

}  // namespace
}  // namespace tesra
