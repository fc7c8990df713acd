#include "platform/PopupMenu.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "PlatformFakes.h"
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

TEST(MenuItem, AClickRunsTheHandlerOfAnEnabledItemOnly) {
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

TEST(MenuItem, AClickHandlersErrorReachesTheCallersGuard) {
    MenuItem item("item");
    item.SetOnClick([](MenuItem&) { throw std::runtime_error("click failed"); });
    EXPECT_THROW(item.Click(), std::runtime_error);
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

// A tray host that draws the menu itself is told of each change: a tick or caption is a property
// change of that item, a new item or a line turned separator changes the tree; an unchanged value
// tells nothing.
TEST(MenuItem, ChangesReachTheRootsHandler) {
    MenuItem root;
    MenuItem& settings = root.Add("设置");
    MenuItem& tick = settings.Add("关闭时隐藏到系统托盘");
    MenuItem& leaf = settings.Add("b");
    std::vector<std::pair<const MenuItem*, MenuChange>> seen;
    root.SetOnChange([&](const MenuItem& item, MenuChange change) { seen.emplace_back(&item, change); });
    struct Row {
        const char* what;
        std::function<void()> change;
        const MenuItem* item;
        MenuChange kind;
    };
    const Row rows[] = {
        {"tick", [&] { tick.SetChecked(true); }, &tick, MenuChange::Properties},
        {"check box", [&] { tick.SetToggle(MenuToggle::CheckMark); }, &tick, MenuChange::Properties},
        {"disabled", [&] { settings.SetEnabled(false); }, &settings, MenuChange::Properties},
        {"caption", [&] { settings.SetCaption("选项"); }, &settings, MenuChange::Properties},
        {"new group", [&] { root.Insert(0, "组"); }, &root, MenuChange::Layout},
        {"new leaf", [&] { settings.Add("a"); }, &settings, MenuChange::Layout},
        {"separator", [&] { leaf.SetCaption("-"); }, &leaf, MenuChange::Layout},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        seen.clear();
        row.change();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].first, row.item);
        EXPECT_EQ(seen[0].second, row.kind);
        seen.clear();
        row.change();
        if (row.kind == MenuChange::Properties) {
            EXPECT_TRUE(seen.empty());
        }
    }
    root.SetOnChange(nullptr);
    tick.SetChecked(false);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace tesra::platform
