#include "support/FormLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace tesra {
namespace {

struct Form {
    const char* name;
    int width, height;
    std::vector<FormControl> controls;
};

bool Sized(const FormControl& c) { return c.width > 0 && c.height > 0; }

bool Overlap(const FormControl& a, const FormControl& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

TEST(FormLayout, EveryControlLiesInItsFormAndNoneCoversAnother) {
    const InputUrlLayout& url = kInputUrlLayout;
    const Form forms[] = {
        {"address dialog",
         url.width,
         url.height,
         {url.addressLabel, url.urlBox, url.ok, url.cancel, url.clear, url.clearCache}},
        {"install form",
         kInstallFormLayout.width,
         kInstallFormLayout.height,
         {kInstallFormLayout.icon, kInstallFormLayout.status}},
        {"capture start", kCaptureStartLayout.width, kCaptureStartLayout.height, {kCaptureStartLayout.start}},
    };
    for (const Form& form : forms) {
        for (size_t i = 0; i < form.controls.size(); ++i) {
            const FormControl& c = form.controls[i];
            SCOPED_TRACE(std::string(form.name) + ", control " + std::to_string(i) + " \"" + c.text + "\"");
            EXPECT_GE(c.left, 0);
            EXPECT_GE(c.top, 0);
            EXPECT_LT(c.left, form.width);
            EXPECT_LT(c.top, form.height);
            EXPECT_LE(c.left + std::max(c.width, 0), form.width);
            EXPECT_LE(c.top + std::max(c.height, 0), form.height);
            for (size_t j = i + 1; j < form.controls.size(); ++j) {
                EXPECT_FALSE(Sized(c) && Sized(form.controls[j]) && Overlap(c, form.controls[j])) << "and " << j;
            }
        }
    }
}

TEST(FormLayout, TheAddressDialogsButtonsShareOneRowInTheirOrder) {
    const FormControl buttons[] = {kInputUrlLayout.ok, kInputUrlLayout.cancel, kInputUrlLayout.clear,
                                   kInputUrlLayout.clearCache};
    const char* captions[] = {"确定", "取消", "清空网址", "清空缓存"};
    EXPECT_STREQ(buttons[0].text, captions[0]);
    for (size_t i = 1; i < std::size(buttons); ++i) {
        SCOPED_TRACE(captions[i]);
        EXPECT_STREQ(buttons[i].text, captions[i]);
        EXPECT_EQ(buttons[i].top, buttons[0].top);
        EXPECT_EQ(buttons[i].height, buttons[0].height);
        EXPECT_GT(buttons[i].left, buttons[i - 1].left + buttons[i - 1].width);
    }
    // The row starts under the combo box's left edge and ends within it.
    EXPECT_EQ(buttons[0].left, kInputUrlLayout.urlBox.left);
    EXPECT_EQ(buttons[3].left + buttons[3].width, kInputUrlLayout.urlBox.left + kInputUrlLayout.urlBox.width);
}

}  // namespace
}  // namespace tesra
