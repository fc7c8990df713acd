#include "platform/PopupMenu.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/HandlerGuard.h"

namespace tesra::platform {
namespace {

TEST(MenuItem, InsertAtPositions) {
    MenuItem menu;
    menu.Add("b");
    menu.Insert(0, "a");
    menu.Insert(2, "d");
    menu.Insert(2, "c");
    ASSERT_EQ(menu.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(menu.Item(i).Caption(), std::string(1, char('a' + i)));
    EXPECT_THROW(menu.Insert(5, "x"), std::out_of_range);
    EXPECT_THROW(menu.Insert(-1, "x"), std::out_of_range);
    EXPECT_THROW(menu.Item(4), std::out_of_range);
    EXPECT_EQ(menu.Count(), 4);
}

TEST(MenuItem, ItemsKeepTheirPlaceInMemory) {
    MenuItem menu;
    MenuItem& first = menu.Add("first");
    for (int i = 0; i < 100; ++i) menu.Insert(0, "x");
    EXPECT_EQ(&menu.Item(100), &first);
}

TEST(MenuItem, ClickRules) {
    struct Row {
        const char* caption;
        bool enabled;
        bool runs;
    };
    const Row rows[] = {{"item", true, true}, {"-", true, false}, {"item", false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        MenuItem item(row.caption);
        item.SetEnabled(row.enabled);
        MenuItem* sender = nullptr;
        item.SetOnClick([&](MenuItem& s) { sender = &s; });
        item.Click();
        EXPECT_EQ(sender == &item, row.runs);
    }
    MenuItem without("no handler");
    EXPECT_NO_THROW(without.Click());
}

TEST(MenuItem, ClickRunsThroughTheHandlerGuard) {
    int guarded = 0;
    SetHandlerGuard([&](const Handler& handler) {
        ++guarded;
        try {
            handler();
        } catch (const std::exception&) {
        }
    });
    MenuItem item("item");
    item.SetOnClick([](MenuItem&) { throw std::runtime_error("click failed"); });
    EXPECT_NO_THROW(item.Click());
    EXPECT_EQ(guarded, 1);
    SetHandlerGuard(nullptr);
}

TEST(MenuItem, CheckMarkAndSeparator) {
    MenuItem item("关闭时隐藏到系统托盘");
    EXPECT_FALSE(item.Checked());
    item.SetChecked(true);
    EXPECT_TRUE(item.Checked());
    EXPECT_FALSE(item.IsSeparator());
    item.SetCaption("-");
    EXPECT_TRUE(item.IsSeparator());
}

}  // namespace
}  // namespace tesra::platform
