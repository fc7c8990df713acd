#include "support/tsTrayIcon.h"

#include <gtest/gtest.h>

#include "PlatformFakes.h"

namespace tesra {
namespace {

using platform::NIF_ICON;
using platform::NIF_MESSAGE;
using platform::NIF_TIP;
using platform::NIM_ADD;
using platform::NIM_DELETE;
using platform::NIM_MODIFY;

class TrayIconTest : public ::testing::Test {
protected:
    fakes::FakePlatform fake;

    std::intptr_t Notify(TtsTrayIcon& tray, std::intptr_t code) {
        return fake.notifyIcons.Send(tray.Record().window, kTrayIconCallbackMessage, tray.Record().id, code);
    }
    // Events and menu popups go into the application's call journal, so that the order shows.
    void Track(TtsTrayIcon& tray, fakes::FakePopupMenu& menu) {
        std::vector<std::string>& journal = fake.app.calls;
        tray.SetPopupMenu(&menu);
        menu.whileOpen = [&journal] { journal.push_back("Popup"); };
        const std::pair<TtsTrayIcon::TNotifyEvent TtsTrayIcon::*, const char*> events[] = {
            {&TtsTrayIcon::OnLButtonDown, "OnLButtonDown"},
            {&TtsTrayIcon::OnLButtonUp, "OnLButtonUp"},
            {&TtsTrayIcon::OnLButtonDblClick, "OnLButtonDblClick"},
            {&TtsTrayIcon::OnRButtonDown, "OnRButtonDown"},
            {&TtsTrayIcon::OnRButtonUp, "OnRButtonUp"},
            {&TtsTrayIcon::OnRButtonDblClick, "OnRButtonDblClick"},
            {&TtsTrayIcon::OnRestoreApp, "OnRestoreApp"},
            {&TtsTrayIcon::OnMinimizeApp, "OnMinimizeApp"},
            {&TtsTrayIcon::OnBalloonHintHide, "OnBalloonHintHide"},
            {&TtsTrayIcon::OnBalloonHintClose, "OnBalloonHintClose"},
            {&TtsTrayIcon::OnBalloonHintClick, "OnBalloonHintClick"},
        };
        for (const auto& [event, name] : events) {
            tray.*event = [&journal, name = std::string(name)](TtsTrayIcon&) { journal.push_back(name); };
        }
    }
    std::vector<std::string> AppCalls() {
        std::vector<std::string> calls = fake.app.calls;
        fake.app.calls.clear();
        return calls;
    }
};

TEST_F(TrayIconTest, DefaultsOfANewComponent) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    EXPECT_FALSE(tray.Enabled());
    EXPECT_FALSE(tray.Animate());
    EXPECT_TRUE(tray.HideOnMinimize());
    EXPECT_EQ(tray.Interval(), 1000);
    EXPECT_EQ(tray.IconIndex(), 0);
    EXPECT_EQ(tray.RestoreOn(), ticLeftDblClick);
    EXPECT_EQ(tray.PopupMenuOn(), ticRightClickUp);
    EXPECT_EQ(tray.Hint(), "");
    EXPECT_EQ(tray.Icon().file, "/icons/app.ico");
    const platform::NotifyIconData& record = tray.Record();
    EXPECT_EQ(record.flags, NIF_MESSAGE | NIF_ICON);
    EXPECT_EQ(record.callbackMessage, 9250u);
    EXPECT_TRUE(fake.notifyIcons.windows.count(record.window));
}

TEST_F(TrayIconTest, IdentifiersDifferBetweenInstances) {
    TtsTrayIcon first(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    TtsTrayIcon second(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    EXPECT_NE(first.Record().id, second.Record().id);
}

TEST_F(TrayIconTest, NewComponentWithHintShowsNothingUntilEnabled) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetHint("蓝岸浏览器");
    EXPECT_EQ(fake.notifyIcons.Count(NIM_ADD), 0);
    EXPECT_TRUE(fake.notifyIcons.shown.empty());
    tray.SetEnabled(true);
    EXPECT_TRUE(tray.Enabled());
    ASSERT_EQ(fake.notifyIcons.shown.size(), 1u);
    const platform::NotifyIconData& shown = fake.notifyIcons.shown.begin()->second;
    EXPECT_EQ(shown.tip, "蓝岸浏览器");
    EXPECT_EQ(shown.flags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    tray.SetEnabled(false);
    EXPECT_TRUE(fake.notifyIcons.shown.empty());
}

TEST_F(TrayIconTest, RecordLayoutAndTipLengthFollowTheShellVersion) {
    struct Row {
        int shellVersion;
        std::uint32_t size;
        std::size_t tipChars;
    };
    const Row rows[] = {{6, 488, 127}, {5, 488, 127}, {4, 88, 63}, {0, 88, 63}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shellVersion);
        fake.notifyIcons.shellVersion = row.shellVersion;
        TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
        EXPECT_EQ(tray.Record().size, row.size);
        tray.SetHint(std::string(200, 'a'));
        EXPECT_EQ(tray.Record().tip, std::string(row.tipChars, 'a'));
        EXPECT_EQ(tray.Hint().size(), 200u);
        // Characters, not bytes: a Chinese hint is never cut inside a character.
        std::string chinese;
        for (int i = 0; i < 200; ++i) chinese += "汉";
        tray.SetHint(chinese);
        EXPECT_EQ(tray.Record().tip.size(), row.tipChars * 3);
        EXPECT_EQ(tray.Record().tip, chinese.substr(0, row.tipChars * 3));
    }
}

TEST_F(TrayIconTest, SameHintTwiceLeavesTheRecordAloneAndEmptyHintClearsTheTipFlag) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetEnabled(true);
    tray.SetHint("page");
    const int modifies = fake.notifyIcons.Count(NIM_MODIFY);
    tray.SetHint("page");
    EXPECT_EQ(fake.notifyIcons.Count(NIM_MODIFY), modifies);
    tray.SetHint("Page");  // exact comparison
    EXPECT_EQ(fake.notifyIcons.Count(NIM_MODIFY), modifies + 1);
    tray.SetHint("");
    EXPECT_EQ(fake.notifyIcons.Count(NIM_MODIFY), modifies + 2);
    EXPECT_EQ(fake.notifyIcons.calls.back().data.flags & NIF_TIP, 0u);
    EXPECT_EQ(fake.notifyIcons.calls.back().data.tip, "");
}

TEST_F(TrayIconTest, FailedAddLeavesEnabledFalse) {
    fake.notifyIcons.trayPresent = false;
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetEnabled(true);
    EXPECT_FALSE(tray.Enabled());
    EXPECT_EQ(fake.notifyIcons.Count(NIM_ADD), 1);
    fake.notifyIcons.trayPresent = true;
    tray.SetEnabled(true);
    EXPECT_TRUE(tray.Enabled());
}

// A tray host that answers late does not hold up the caller: enabling returns at once, the icon takes
// changes meanwhile, and a refusal that comes afterwards is the failed add (Enabled false, closing
// cannot hide to the tray). Each icon is answered on its own.
TEST_F(TrayIconTest, AnAddAnsweredLaterTurnsOutAsTheAnswerSays) {
    struct Row {
        bool shown;
        bool enabledAfter;
        bool inTrayAfter;
    };
    const Row rows[] = {{true, true, true}, {false, false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shown);
        fake.notifyIcons.answerLater = true;
        TtsTrayIcon other(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
        TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
        other.SetEnabled(true);
        tray.SetEnabled(true);
        EXPECT_TRUE(tray.Enabled());
        EXPECT_FALSE(tray.InTray());
        tray.SetHint("收件箱");
        EXPECT_EQ(fake.notifyIcons.shown.at(tray.Record().id).tip, "收件箱");

        fake.notifyIcons.Answer(other.Record().id, !row.shown);
        EXPECT_TRUE(tray.Enabled());
        EXPECT_FALSE(tray.InTray());
        fake.notifyIcons.Answer(tray.Record().id, row.shown);
        EXPECT_EQ(tray.Enabled(), row.enabledAfter);
        EXPECT_EQ(tray.InTray(), row.inTrayAfter);
        EXPECT_EQ(fake.notifyIcons.shown.count(tray.Record().id), row.shown ? 1u : 0u);
        EXPECT_EQ(other.Enabled(), !row.shown);

        // A refused icon is added again when asked; an answer that comes twice changes nothing.
        fake.notifyIcons.answerLater = false;
        tray.SetEnabled(true);
        EXPECT_TRUE(tray.InTray());
        fake.notifyIcons.Send(tray.Record().window, fakes::FakeNotifyIcons::kAddAnswered, tray.Record().id, 0);
        EXPECT_TRUE(tray.Enabled());
        EXPECT_TRUE(tray.InTray());
    }
}

TEST_F(TrayIconTest, EachClickRestoresOrShowsTheMenuAsConfigured) {
    struct Row {
        const char* name;
        TRzTrayIconClicks restoreOn;
        TRzTrayIconClicks popupMenuOn;
        std::intptr_t code;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"menu on right release", ticNone, ticRightClickUp, platform::NIN_RBUTTONUP, {"Popup", "OnRButtonUp"}},
        {"double click restores nothing", ticNone, ticRightClickUp, platform::NIN_LBUTTONDBLCLK, {"OnLButtonDblClick"}},
        {"default restore on double click",
         ticLeftDblClick,
         ticRightClickUp,
         platform::NIN_LBUTTONDBLCLK,
         {"Restore", "OnRestoreApp", "OnLButtonDblClick"}},
        {"restore then menu on one click",
         ticLeftClick,
         ticLeftClick,
         platform::NIN_LBUTTONDOWN,
         {"Restore", "OnRestoreApp", "Popup", "OnLButtonDown"}},
        {"left up", ticNone, ticNone, platform::NIN_LBUTTONUP, {"OnLButtonUp"}},
        {"right down", ticNone, ticRightClick, platform::NIN_RBUTTONDOWN, {"Popup", "OnRButtonDown"}},
        {"right double",
         ticRightDblClick,
         ticNone,
         platform::NIN_RBUTTONDBLCLK,
         {"Restore", "OnRestoreApp", "OnRButtonDblClick"}},
        {"balloon hidden", ticNone, ticNone, platform::NIN_BALLOONHIDE, {"OnBalloonHintHide"}},
        {"balloon timed out", ticNone, ticNone, platform::NIN_BALLOONTIMEOUT, {"OnBalloonHintClose"}},
        {"balloon clicked", ticNone, ticNone, platform::NIN_BALLOONUSERCLICK, {"OnBalloonHintClick"}},
        {"mouse move is no click", ticNone, ticNone, 512, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
        fakes::FakePopupMenu menu;
        Track(tray, menu);
        tray.SetRestoreOn(row.restoreOn);
        tray.SetPopupMenuOn(row.popupMenuOn);
        AppCalls();
        EXPECT_EQ(Notify(tray, row.code), 0);
        EXPECT_EQ(AppCalls(), row.expected);
    }
}

TEST_F(TrayIconTest, MenuClickWithoutMenuDoesNothing) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    bool raised = false;
    tray.OnRButtonUp = [&](TtsTrayIcon&) { raised = true; };
    Notify(tray, platform::NIN_RBUTTONUP);
    EXPECT_TRUE(raised);
}

TEST_F(TrayIconTest, RestoreWhileTheMenuIsOpenIsIgnored) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetEnabled(true);
    fakes::FakePopupMenu menu;
    tray.SetPopupMenu(&menu);
    int restored = 0;
    tray.OnRestoreApp = [&](TtsTrayIcon&) { ++restored; };
    menu.whileOpen = [&] { fake.app.onRestore(); };
    tray.ShowPopupMenu();
    EXPECT_EQ(menu.popups, 1);
    EXPECT_EQ(restored, 0);
    EXPECT_TRUE(AppCalls().empty());
    fake.app.onRestore();
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(AppCalls(), (std::vector<std::string>{"Restore", "ShowTaskbar", "BringToFront"}));
}

TEST_F(TrayIconTest, MenuFlagIsClearedWhenThePopupFails) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    fakes::FakePopupMenu menu;
    tray.SetPopupMenu(&menu);
    menu.whileOpen = [] { throw std::runtime_error("no pointer"); };
    EXPECT_THROW(tray.ShowPopupMenu(), std::runtime_error);
    int restored = 0;
    tray.OnRestoreApp = [&](TtsTrayIcon&) { ++restored; };
    tray.RestoreApp();
    EXPECT_EQ(restored, 1);
}

TEST_F(TrayIconTest, MinimizeAndRestoreDependOnEnabledAndHideOnMinimize) {
    struct Row {
        bool enabled;
        bool hideOnMinimize;
        std::vector<std::string> minimize;
        std::vector<std::string> restore;
    };
    const Row rows[] = {
        {true, true, {"Minimize", "HideTaskbar"}, {"Restore", "ShowTaskbar", "BringToFront"}},
        {true, false, {"Minimize"}, {"Restore", "ShowTaskbar", "BringToFront"}},
        {false, true, {"Minimize"}, {"Restore"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.enabled << row.hideOnMinimize);
        TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
        tray.SetEnabled(row.enabled);
        tray.SetHideOnMinimize(row.hideOnMinimize);
        int minimized = 0;
        int restored = 0;
        tray.OnMinimizeApp = [&](TtsTrayIcon&) { ++minimized; };
        tray.OnRestoreApp = [&](TtsTrayIcon&) { ++restored; };
        AppCalls();
        fake.app.onMinimize();  // the application's own minimise event reaches the component
        EXPECT_EQ(AppCalls(), row.minimize);
        fake.app.onRestore();
        EXPECT_EQ(AppCalls(), row.restore);
        EXPECT_EQ(minimized, 1);
        EXPECT_EQ(restored, 1);
    }
}

TEST_F(TrayIconTest, ApplicationHooksNeverOutliveTheComponent) {
    {
        TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
        EXPECT_TRUE(fake.app.onMinimize);
        EXPECT_TRUE(fake.app.onRestore);
    }
    EXPECT_FALSE(fake.app.onMinimize);
    EXPECT_FALSE(fake.app.onRestore);

    auto older = std::make_unique<TtsTrayIcon>(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    TtsTrayIcon newer(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    int restored = 0;
    newer.OnRestoreApp = [&](TtsTrayIcon&) { ++restored; };
    older.reset();  // the newer component holds the hooks: they stay
    ASSERT_TRUE(fake.app.onRestore);
    fake.app.onRestore();
    EXPECT_EQ(restored, 1);
}

TEST_F(TrayIconTest, EnablingInstallsTheHooksAgain) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    fake.app.onRestore = nullptr;
    tray.SetEnabled(true);
    EXPECT_TRUE(fake.app.onRestore);
}

TEST_F(TrayIconTest, TaskbarCreatedAddsOnlyAnEnabledIconAgain) {
    TtsTrayIcon disabled(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    TtsTrayIcon enabled(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    enabled.SetEnabled(true);
    fake.notifyIcons.shown.clear();  // the tray host went away with its icons
    const int adds = fake.notifyIcons.Count(NIM_ADD);
    fake.notifyIcons.Broadcast({0, fakes::FakeNotifyIcons::kTaskbarCreated, 0, 0});
    EXPECT_EQ(fake.notifyIcons.Count(NIM_ADD), adds + 1);
    EXPECT_EQ(fake.notifyIcons.calls.back().data.id, enabled.Record().id);
    EXPECT_TRUE(enabled.Enabled());
    EXPECT_FALSE(disabled.Enabled());
    EXPECT_EQ(fake.notifyIcons.shown.count(enabled.Record().id), 1u);
    EXPECT_EQ(fake.notifyIcons.shown.count(disabled.Record().id), 0u);
}

TEST_F(TrayIconTest, FailedReAddTurnsEnabledOffAndErrorsAreSwallowed) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetEnabled(true);
    fake.notifyIcons.trayPresent = false;
    EXPECT_EQ(fake.notifyIcons.Send(tray.Record().window, fakes::FakeNotifyIcons::kTaskbarCreated, 0, 0), 0);
    EXPECT_FALSE(tray.Enabled());

    fake.notifyIcons.trayPresent = true;
    tray.SetEnabled(true);
    fake.notifyIcons.onAdd = [] { throw std::runtime_error("tray gone"); };
    EXPECT_NO_THROW(fake.notifyIcons.Send(tray.Record().window, fakes::FakeNotifyIcons::kTaskbarCreated, 0, 0));
    fake.notifyIcons.onAdd = nullptr;
    // The re-adding flag is gone: setting the unchanged value is a no-op again.
    const int adds = fake.notifyIcons.Count(NIM_ADD);
    tray.SetEnabled(tray.Enabled());
    EXPECT_EQ(fake.notifyIcons.Count(NIM_ADD), adds);
}

// A tray host that goes away for good leaves Enabled true, reports the loss once, and the icon comes
// back in the next host through "TaskbarCreated"; a disabled icon has nothing to lose.
TEST_F(TrayIconTest, TrayLostKeepsEnabledUntilAHostComesBack) {
    TtsTrayIcon disabled(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    fakes::FakePopupMenu menu;
    tray.SetPopupMenu(&menu);
    int lost = 0;
    tray.OnTrayLost = [&](TtsTrayIcon&) { ++lost; };
    disabled.OnTrayLost = [&](TtsTrayIcon&) { ++lost; };
    tray.SetEnabled(true);
    EXPECT_EQ(fake.notifyIcons.calls.back().data.menu, &menu);
    EXPECT_TRUE(tray.InTray());
    EXPECT_FALSE(disabled.InTray());

    fake.notifyIcons.shown.clear();
    fake.notifyIcons.Broadcast({0, fakes::FakeNotifyIcons::kTaskbarLost, 0, 0});
    fake.notifyIcons.Broadcast({0, fakes::FakeNotifyIcons::kTaskbarLost, 0, 0});
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(tray.Enabled());
    EXPECT_FALSE(tray.InTray());

    fake.notifyIcons.Broadcast({0, fakes::FakeNotifyIcons::kTaskbarCreated, 0, 0});
    EXPECT_TRUE(tray.InTray());
    EXPECT_EQ(fake.notifyIcons.shown.count(tray.Record().id), 1u);
    EXPECT_EQ(fake.notifyIcons.shown.count(disabled.Record().id), 0u);
}

TEST_F(TrayIconTest, EndOfSessionIsRefusedWithTheApplicationTitle) {
    struct Row {
        std::string title;
        std::string text;
        std::string caption;
    };
    const Row rows[] = {
        {"蓝岸浏览器", "蓝岸浏览器正在运行，请先退出!", "蓝岸浏览器"},
        {"收件箱", "收件箱正在运行，请先退出!", "收件箱"},
        {"", "正在运行，请先退出!", "系统提示"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title);
        fake.app.title = row.title;
        fake.boxes.shown.clear();
        TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
        tray.SetEnabled(true);
        EXPECT_EQ(fake.notifyIcons.Send(tray.Record().window, platform::WM_QUERYENDSESSION, 0, 0), 0);
        ASSERT_EQ(fake.boxes.shown.size(), 1u);
        EXPECT_EQ(fake.boxes.shown[0].text, row.text);
        EXPECT_EQ(fake.boxes.shown[0].caption, row.caption);
        EXPECT_EQ(fake.boxes.shown[0].flags, platform::MB_OK | platform::MB_ICONINFORMATION);
    }
}

TEST_F(TrayIconTest, EndSessionRemovesTheIconOnlyWhenTheSessionEnds) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetEnabled(true);
    fake.notifyIcons.Send(tray.Record().window, platform::WM_ENDSESSION, 0, 0);
    EXPECT_EQ(fake.notifyIcons.shown.size(), 1u);
    fake.notifyIcons.Send(tray.Record().window, platform::WM_ENDSESSION, 1, 0);
    EXPECT_TRUE(fake.notifyIcons.shown.empty());
}

TEST_F(TrayIconTest, SetIconAndResetIcon) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetEnabled(true);
    platform::IconImage badge;
    badge.width = 1;
    badge.height = 1;
    badge.rgba = {0, 0, 255, 255};
    tray.SetIcon(badge);
    EXPECT_EQ(fake.notifyIcons.calls.back().command, NIM_MODIFY);
    EXPECT_EQ(fake.notifyIcons.shown.begin()->second.icon, badge);
    fake.app.iconFile = "/icons/downloaded.ico";
    tray.ResetIcon();
    EXPECT_EQ(fake.notifyIcons.shown.begin()->second.icon, platform::IconImage::FromFile("/icons/downloaded.ico"));
}

platform::IconImage Frame(int n) { return platform::IconImage::FromFile("/frames/" + std::to_string(n) + ".png"); }

TEST_F(TrayIconTest, AnimationStepWrapsAround) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetEnabled(true);
    const TtsImageList frames = {Frame(0), Frame(1), Frame(2)};
    tray.SetIcons(&frames);
    tray.SetIconIndex(2);
    EXPECT_EQ(tray.Icon(), Frame(2));
    fakes::FakeTimer& timer = *fake.factory.timers.back();
    struct Step {
        int index;
    };
    for (const Step step : {Step{0}, Step{1}, Step{2}, Step{0}}) {
        SCOPED_TRACE(step.index);
        timer.Tick();
        EXPECT_EQ(tray.IconIndex(), step.index);
        EXPECT_EQ(tray.Icon(), Frame(step.index));
        EXPECT_EQ(fake.notifyIcons.shown.begin()->second.icon, Frame(step.index));
    }
}

TEST_F(TrayIconTest, AnimationWithoutImagesChangesNothing) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    tray.SetEnabled(true);
    const int modifies = fake.notifyIcons.Count(NIM_MODIFY);
    fake.factory.timers.back()->Tick();
    EXPECT_EQ(fake.notifyIcons.Count(NIM_MODIFY), modifies);
    EXPECT_EQ(tray.Icon().file, "/icons/app.ico");

    const TtsImageList empty;
    tray.SetIcons(&empty);
    tray.SetIconIndex(5);
    fake.factory.timers.back()->Tick();
    EXPECT_EQ(tray.IconIndex(), 0);
    EXPECT_EQ(tray.Icon().file, "/icons/app.ico");
}

TEST_F(TrayIconTest, AnimateAndIntervalDriveTheTimer) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    fakes::FakeTimer& timer = *fake.factory.timers.back();
    tray.SetAnimate(true);
    EXPECT_TRUE(timer.enabled);
    EXPECT_TRUE(tray.Animate());
    tray.SetInterval(250);
    EXPECT_EQ(timer.interval, 250);
    EXPECT_EQ(tray.Interval(), 250);
    tray.SetAnimate(false);
    EXPECT_FALSE(timer.enabled);
}

TEST_F(TrayIconTest, DestructionRemovesTheIconAndTheMessageWindow) {
    platform::WindowId window = 0;
    {
        TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
        tray.SetEnabled(true);
        window = tray.Record().window;
    }
    EXPECT_TRUE(fake.notifyIcons.shown.empty());
    EXPECT_EQ(fake.notifyIcons.windows.count(window), 0u);
}

TEST_F(TrayIconTest, EveryMessageIsAnsweredWithZero) {
    TtsTrayIcon tray(fake.app, fake.boxes, fake.notifyIcons, fake.factory);
    for (unsigned number : {0u, 1u, 15u, 9251u, 0xC000u}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(fake.notifyIcons.Send(tray.Record().window, number, 1, 1), 0);
    }
}

TEST(TruncateChars, CountsCharactersNotBytes) {
    struct Row {
        std::string text;
        std::size_t max;
        std::string expected;
    };
    const Row rows[] = {
        {"", 5, ""},        {"abc", 5, "abc"}, {"abcdef", 3, "abc"}, {"蓝岸浏览器", 2, "蓝岸"},
        {"a蓝b", 2, "a蓝"}, {"abc", 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(TruncateChars(row.text, row.max), row.expected);
    }
}

}  // namespace
}  // namespace tesra
