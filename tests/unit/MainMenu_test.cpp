#include "shell/MainMenu.h"

#include <gtest/gtest.h>

#include "PlatformFakes.h"
#include "platform/Exception.h"
#include "support/IniFile.h"
#include "support/TextCodec.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

using Entries = std::vector<std::string>;

TEST(SplitCommaList, CommasAndBlanksSeparateAndQuotesKeepBlanks) {
    struct Row {
        std::string text;
        Entries expected;
    };
    const Row rows[] = {
        {"", {}},
        {"   ", {}},
        {"A", {"A"}},
        {"A,-,E F", {"A", "-", "E", "F"}},
        {"A,\"C D\"", {"A", "C D"}},
        {"\"C D\"", {"C D"}},
        {"A,", {"A", ""}},
        {"A, ", {"A"}},
        {",A", {"", "A"}},
        {"A,,B", {"A", "", "B"}},
        {",,", {"", "", ""}},
        {",", {"", ""}},
        {"  A ,  B  ", {"A", "B"}},
        {"\t\r\nA\x01,\x1F"
         "B",
         {"A", "B"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"\"\"\"\"", {"\""}},
        {"\"\"", {""}},
        {"\"\",A", {"", "A"}},
        {"\"ab\"cd,e", {"ab", "cd", "e"}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"open", {"open"}},
        {"A,\"open, still", {"A", "open, still"}},
        {"\"open\"\"", {"open\""}},
        {"a\"b,c", {"a\"b", "c"}},
        {"邮件,通讯录 日程", {"邮件", "通讯录", "日程"}},
        {std::string("A,B\0C", 5), {"A", "B"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(SplitCommaList(row.text), row.expected);
    }
}

TEST(SplitCommaList, VeryLongList) {
    std::string text;
    for (int i = 0; i < 50000; ++i) text += "item" + std::to_string(i) + ",";
    const Entries entries = SplitCommaList(text);
    ASSERT_EQ(entries.size(), 50001u);
    EXPECT_EQ(entries[49999], "item49999");
    EXPECT_EQ(entries.back(), "");
}

class MainMenuTest : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    platform::MenuItem pmMain;
    std::vector<std::string> clicked;

    void SetUp() override {
        for (const char* caption : {"显示主窗口", "-", "-", "设置", "-", "退出"}) pmMain.Add(caption);
    }
    TIniFile WriteIni(const std::string& utf8) {
        const std::string path = "/data/TesraBrowser.ini";
        fake.fakeEnvironment.PutFile(path, Utf8ToGbk(utf8));
        return TIniFile(fake.fakeEnvironment, path);
    }
    void Build(const TIniFile& ini) {
        BuildTrayMenu(pmMain, ini, [this](platform::MenuItem& item) { clicked.push_back(item.Caption()); });
    }
    static Entries Captions(const platform::MenuItem& menu) {
        Entries captions;
        for (int i = 0; i < menu.Count(); ++i) captions.push_back(menu.Item(i).Caption());
        return captions;
    }
};

TEST_F(MainMenuTest, GroupsStandInFileOrderBetweenTheFirstTwoSeparators) {
    Build(WriteIni("[MainMenu]\nB=x\nA=y\n"));
    EXPECT_EQ(Captions(pmMain), (Entries{"显示主窗口", "-", "B", "A", "-", "设置", "-", "退出"}));
    EXPECT_FALSE(pmMain.Item(2).HasOnClick());
    EXPECT_EQ(Captions(pmMain.Item(2)), Entries{"x"});
    EXPECT_EQ(Captions(pmMain.Item(3)), Entries{"y"});
}

TEST_F(MainMenuTest, LeavesFromTheCommaLists) {
    struct Row {
        const char* name;
        std::string value;
        Entries leaves;
    };
    const Row rows[] = {
        {"unquoted with separator and space", "A,-,E F", {"A", "-", "E", "F"}},
        {"quoted entry after another", "A,\"C D\"", {"A", "C D"}},
        {"quoted entry alone loses its quotes in the file", "\"C D\"", {"C", "D"}},
        {"trailing comma", "A,", {"A", ""}},
        {"empty value", "", {}},
        {"quoted entry trimmed", "A,\"  C D  \"", {"A", "C D"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::MenuItem menu;
        for (const char* caption : {"显示主窗口", "-", "-", "设置", "-", "退出"}) menu.Add(caption);
        BuildTrayMenu(menu, WriteIni("[MainMenu]\n组=" + row.value + "\n"), [](platform::MenuItem&) {});
        const platform::MenuItem& group = menu.Item(2);
        EXPECT_EQ(group.Caption(), "组");
        EXPECT_EQ(Captions(group), row.leaves);
        for (int i = 0; i < group.Count(); ++i) {
            EXPECT_EQ(group.Item(i).HasOnClick(), !group.Item(i).IsSeparator()) << i;
        }
    }
}

TEST_F(MainMenuTest, NoMainMenuSectionLeavesTheDesignedMenu) {
    Build(WriteIni("[System]\nIconName=x\n"));
    EXPECT_EQ(Captions(pmMain), (Entries{"显示主窗口", "-", "-", "设置", "-", "退出"}));
}

TEST_F(MainMenuTest, ThousandsOfGroups) {
    std::string content = "[MainMenu]\n";
    for (int i = 0; i < 2000; ++i) content += "G" + std::to_string(i) + "=a,b,-\n";
    Build(WriteIni(content));
    ASSERT_EQ(pmMain.Count(), 2006);
    EXPECT_EQ(pmMain.Item(2).Caption(), "G0");
    EXPECT_EQ(pmMain.Item(2001).Caption(), "G1999");
    EXPECT_EQ(pmMain.Item(2002).Caption(), "-");
    EXPECT_EQ(Captions(pmMain.Item(1000)), (Entries{"a", "b", "-"}));
}

TEST_F(MainMenuTest, ShortMenuTakesTheGroupsAtItsEnd) {
    platform::MenuItem menu;
    menu.Add("only");
    BuildTrayMenu(menu, WriteIni("[MainMenu]\nA=x\nB=y\n"), [](platform::MenuItem&) {});
    EXPECT_EQ(Captions(menu), (Entries{"only", "A", "B"}));
}

TEST_F(MainMenuTest, LeafClickRunsTheHandlerWithTheItem) {
    Build(WriteIni("[MainMenu]\n办公=邮件,-,日程\n"));
    platform::MenuItem& group = pmMain.Item(2);
    group.Item(0).Click();
    group.Item(1).Click();  // separator
    group.Item(2).Click();
    EXPECT_EQ(clicked, (Entries{"邮件", "日程"}));
}

class MenuItemClickTest : public MainMenuTest {
protected:
    bool visible = true;
    bool completed = true;
    std::vector<std::string> journal;
    MenuClickContext context{
        [this] { return visible; },
        [this] {
            journal.push_back("show");
            visible = true;
        },
        [this] { return completed; },
        "http://host/app/",
        [this](const std::string& address) { journal.push_back("navigate " + address); },
        [this](const std::string& text) { AppBoxes(fake.boxes, fake.app).Error(text); },
    };
};

TEST_F(MenuItemClickTest, ChecksAndTheirMessages) {
    struct Row {
        const char* name;
        std::string menus;
        std::string caption;
        bool completed;
        std::string error;  // empty: no box
        Entries journal;
    };
    const Row rows[] = {
        {"no command line", "", "邮件", true, "菜单项“邮件”没有配置命令行", {}},
        {"command line of spaces", "邮件=   \n", "邮件", true, "菜单项“邮件”没有配置命令行", {}},
        {"empty caption", "", "", true, "菜单项“”没有配置命令行", {}},
        {"missing command checked before the document", "", "邮件", false, "菜单项“邮件”没有配置命令行", {}},
        {"document not completed", "邮件=http://host/app/mail\n", "邮件", false, "浏览还没完成，请稍等", {}},
        {"own origin navigates",
         "邮件=  http://host/app/mail.aspx?x=1 \n",
         "邮件",
         true,
         "",
         {"navigate http://host/app/mail.aspx?x=1"}},
        {"other origin does nothing", "邮件=http://elsewhere/\n", "邮件", true, "", {}},
        {"program command line does nothing", "记事本=notepad.exe\n", "记事本", true, "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TIniFile ini = WriteIni("[Menus]\n" + row.menus);
        completed = row.completed;
        journal.clear();
        fake.boxes.shown.clear();
        if (row.error.empty()) {
            EXPECT_NO_THROW(MenuItemClick(row.caption, ini, context));
            EXPECT_TRUE(fake.boxes.shown.empty());
        } else {
            EXPECT_THROW(MenuItemClick(row.caption, ini, context), SilentAbort);
            ASSERT_EQ(fake.boxes.shown.size(), 1u);
            EXPECT_EQ(fake.boxes.shown[0].text, row.error);
            EXPECT_EQ(fake.boxes.shown[0].caption, "蓝岸浏览器");
            EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_OK | platform::MB_ICONSTOP);
        }
        EXPECT_EQ(journal, row.journal);
    }
}

TEST_F(MenuItemClickTest, HiddenMainWindowIsShownFirstEvenWhenTheClickFails) {
    visible = false;
    EXPECT_THROW(MenuItemClick("邮件", WriteIni("[Menus]\n"), context), SilentAbort);
    EXPECT_EQ(journal, Entries{"show"});
    EXPECT_TRUE(visible);
}

TEST_F(MenuItemClickTest, EmptyTitleGivesTheSystemCaption) {
    fake.app.title = "";
    EXPECT_THROW(MenuItemClick("邮件", WriteIni("[Menus]\n"), context), SilentAbort);
    ASSERT_EQ(fake.boxes.shown.size(), 1u);
    EXPECT_EQ(fake.boxes.shown[0].caption, "系统提示");
}

TEST_F(MenuItemClickTest, CommandLineIsReadAtEachClick) {
    const TIniFile ini = WriteIni("[Menus]\n");
    EXPECT_THROW(MenuItemClick("邮件", ini, context), SilentAbort);
    WriteIni("[Menus]\n邮件=http://host/app/mail\n");
    EXPECT_NO_THROW(MenuItemClick("邮件", ini, context));
    EXPECT_EQ(journal, Entries{"navigate http://host/app/mail"});
}

}  // namespace
}  // namespace tesra
