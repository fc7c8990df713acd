#include "shell/fuMain.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "PlatformFakes.h"
#include "SupportFakes.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "registry/MemoryRegistry.h"
#include "shell/TesraBrowser.h"
#include "support/Format.h"
#include "support/tsCommon.h"

namespace tesra {
namespace {

using fakes::FakeFrame;
using fakes::FakePageLink;
using platform::BindOutcome;
using platform::DocumentOutcome;
using platform::MessageRecord;

const std::string kNetworkMessage = "网络出错：请检查网络是否正常或输入的网址是否正确,请确认网址是以'/'结束！";

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        system.brand = platform::ProcessorBrand{'C', 'P', 'U'};
        system.memory = 1u << 30;
        system.version = platform::OsVersion{std::nullopt, "Debian"};
    }

    void Create() {
        first_timer_ = platform.factory.timers.size();
        main = std::make_unique<TfmMain>(handle, log, run, capture, "http://app.example/");
    }
    FakeFrame& MainFrame() { return *windows.frames.at(0); }
    fakes::FakeBrowser& Browser() { return MainFrame().browser; }
    FakePageLink& Page() { return Browser().page; }
    fakes::FakeTimer& BlinkTimer() { return *platform.factory.timers.at(first_timer_); }
    fakes::FakeTimer& PopupReaper() { return *platform.factory.timers.at(first_timer_ + 1); }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : platform.boxes.shown) texts.push_back(box.text);
        return texts;
    }
    bool Filter(const MessageRecord& message) {
        bool handled = false;
        platform.app.filter(message, handled);
        return handled;
    }
    // A completed page whose binding comes back as given.
    void CompletePage(const std::string& url, const BindOutcome& binding = {true, false, true, {}, ""}) {
        Browser().FinishLoad(url);
        DocumentOutcome outcome;
        outcome.binding = binding;
        Page().AnswerDocument(outcome);
    }

    fakes::FakePlatform platform;
    fakes::FakeWindowSystem& windows = platform.windows;
    platform::MemoryRegistry& registry = platform.registry;
    testing::FakeSystem& system = platform.system;
    const platform::Platform& handle = platform.handle;
    TScreenCapture capture{platform.factory, platform.screen, platform.captureUi};
    TbLog log{handle, {}};
    SetupRun run;
    std::unique_ptr<TfmMain> main;
    size_t first_timer_ = 0;
};

TEST_F(MainWindowTest, CreationNavigatesWithTheMachineAddressAndInstallsTheFilter) {
    Create();
    ASSERT_EQ(Browser().navigations.size(), 1u);
    EXPECT_EQ(Browser().navigations[0].rfind("http://app.example/?__MAC=", 0), 0u);
    EXPECT_TRUE(platform.app.filter);
    EXPECT_TRUE(BlinkTimer().enabled);
    main.reset();
    EXPECT_FALSE(platform.app.filter) << "no filter may point at a window that is gone";
}

// The tray host answers the icon's add late: the page is navigated before, closing (to the tray, as the
// user chose) minimises while the answer is out, and afterwards hides into the tray or, when the host
// refused the icon, still minimises, the failed add's outcome.
TEST_F(MainWindowTest, ThePageIsNavigatedWhileTheTrayHostHasNotAnswered) {
    struct Row {
        const char* name;
        bool shown;
        bool hiddenAfter;
    };
    const Row rows[] = {{"the host shows the icon", true, true}, {"the host refuses it", false, false}};
    registry.CreateKey(platform::RootKey::CurrentUser, "Software\\Kestal\\Tesra\\TesraBrowser")
        ->SetValue("IsCloseToTrayIcon", platform::RegistryValue::String("1"));
    platform.notifyIcons.answerLater = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Create();
        ASSERT_EQ(platform.notifyIcons.shown.size(), 1u);
        EXPECT_EQ(Browser().navigations.size(), 1u);
        MainFrame().visible = true;
        MainFrame().onClose();
        EXPECT_TRUE(MainFrame().visible);
        EXPECT_TRUE(MainFrame().minimized);

        MainFrame().minimized = false;
        platform.notifyIcons.Answer(platform.notifyIcons.shown.begin()->first, row.shown);
        MainFrame().onClose();
        EXPECT_EQ(!MainFrame().visible, row.hiddenAfter);
        EXPECT_EQ(MainFrame().minimized, !row.hiddenAfter);
        EXPECT_TRUE(platform.boxes.shown.empty()) << "closing to the tray asks nothing";
        main.reset();
        windows.frames.clear();
        platform.notifyIcons.shown.clear();
    }
}

TEST_F(MainWindowTest, AFailedCreationStepShowsItsMessageAndSkipsTheRest) {
    // The tray menu is the step that fails.
    platform.factory.makePopupMenu = []() -> std::unique_ptr<platform::PopupMenu> { throw Exception("菜单无法创建"); };
    Create();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"菜单无法创建"});
    EXPECT_TRUE(Browser().navigations.empty()) << "the navigation comes after the failed step";
    EXPECT_TRUE(platform.notifyIcons.shown.empty()) << "no tray icon";
    // The window stays and can still be closed.
    platform.boxes.answer = platform::IDCANCEL;
    MainFrame().onClose();
    EXPECT_EQ(platform.boxes.shown.back().text, "您确定要退出系统吗？");
    main.reset();
    EXPECT_FALSE(platform.app.filter);
}

TEST_F(MainWindowTest, MessageFilter) {
    const platform::WindowId mainView = 101;
    const platform::WindowId other = 999;
    struct Row {
        const char* name;
        bool bound;
        MessageRecord message;
        std::set<int> keys;
        bool handled;
        int terminated;
        std::vector<std::string> toPage;  // requests that reach the page
    };
    using namespace platform;
    const Row rows[] = {
        {"before binding nothing is taken", false, {mainView, WM_KEYDOWN, 'N', 1}, {VK_CONTROL}, false, 0, {}},
        {"before binding the main page's close is not taken",
         false,
         {mainView, WM_CLOSE, kCloseByBoundApplication, 0},
         {},
         false,
         0,
         {}},
        {"Ctrl+N goes to DoHotKey", true, {mainView, WM_KEYDOWN, 'N', 1}, {VK_CONTROL}, true, 0, {"DoHotKey CtrlN"}},
        {"Ctrl+K", true, {mainView, WM_KEYDOWN, 'K', 1}, {VK_CONTROL}, true, 0, {"DoHotKey CtrlK"}},
        {"Ctrl+L", true, {mainView, WM_KEYDOWN, 'L', 1}, {VK_CONTROL}, true, 0, {"DoHotKey CtrlL"}},
        {"Ctrl+P", true, {mainView, WM_KEYDOWN, 'P', 1}, {VK_CONTROL}, true, 0, {"DoHotKey CtrlP"}},
        {"Ctrl+S", true, {mainView, WM_KEYDOWN, 'S', 1}, {VK_CONTROL}, true, 0, {"DoHotKey CtrlS"}},
        {"Ctrl+Shift+S is no shortcut", true, {mainView, WM_KEYDOWN, 'S', 1}, {VK_CONTROL, VK_SHIFT}, false, 0, {}},
        {"Ctrl+Alt+S is no shortcut", true, {mainView, WM_KEYDOWN, 'S', 1}, {VK_CONTROL, VK_MENU}, false, 0, {}},
        {"Ctrl+Space+S is no shortcut", true, {mainView, WM_KEYDOWN, 'S', 1}, {VK_CONTROL, VK_SPACE}, false, 0, {}},
        {"S without Ctrl", true, {mainView, WM_KEYDOWN, 'S', 1}, {}, false, 0, {}},
        {"Ctrl+A is no shortcut", true, {mainView, WM_KEYDOWN, 'A', 1}, {VK_CONTROL}, false, 0, {}},
        {"a key release",
         true,
         {mainView, WM_KEYDOWN, 'N', static_cast<std::intptr_t>(0xC0000001u)},
         {VK_CONTROL},
         false,
         0,
         {}},
        {"a key of another window", true, {other, WM_KEYDOWN, 'N', 1}, {VK_CONTROL}, false, 0, {}},
        {"the restore command", true, {other, WM_SYSCOMMAND, SC_RESTORE, 0}, {}, false, 0, {"DoMessage RESTORE "}},
        {"the minimise command", true, {other, WM_SYSCOMMAND, SC_MINIMIZE, 0}, {}, false, 0, {}},
        {"the application's bound page's close ends the program",
         true,
         {mainView, WM_CLOSE, kCloseByBoundApplication, 0},
         {},
         true,
         1,
         {}},
        {"any other close of the main page (another site's page, a pop-up's opener.close()) is ignored",
         true,
         {mainView, WM_CLOSE, 0, 0},
         {},
         true,
         0,
         {}},
        {"another window's close is taken and does nothing", true, {other, WM_CLOSE, 0, 0}, {}, true, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Create();
        if (row.bound) CompletePage("http://app.example/?x");
        Page().requests.clear();
        platform.app.keysDown = row.keys;
        platform.app.terminated = 0;
        EXPECT_EQ(Filter(row.message), row.handled);
        EXPECT_EQ(platform.app.terminated, row.terminated);
        std::vector<std::string> toPage;
        for (const auto& request : Page().requests) toPage.push_back(request.kind + " " + request.text);
        EXPECT_EQ(toPage, row.toPage);
        main.reset();
        windows.frames.clear();
    }
}

TEST_F(MainWindowTest, CloseDecision) {
    struct Row {
        const char* name;
        const char* userSetting;  // "" for none
        bool trayPresent;
        int answer;
        bool hidden, minimized, asked, halted;
    };
    const Row rows[] = {
        {"off: asks, Cancel keeps the window", "0", true, platform::IDCANCEL, false, false, true, false},
        {"off: asks, OK halts", "0", true, platform::IDOK, false, false, true, true},
        {"no setting counts as off", "", true, platform::IDCANCEL, false, false, true, false},
        {"on: hides into the tray", "1", true, platform::IDOK, true, false, false, false},
        {"on without a tray: minimises", "1", false, platform::IDOK, false, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (*row.userSetting) {
            registry.CreateKey(platform::RootKey::CurrentUser, "Software\\Kestal\\Tesra\\TesraBrowser")
                ->SetValue("IsCloseToTrayIcon", platform::RegistryValue::String(row.userSetting));
        }
        platform.notifyIcons.trayPresent = row.trayPresent;
        platform.boxes.shown.clear();
        platform.boxes.answer = row.answer;
        Create();
        MainFrame().visible = true;
        bool halted = false;
        try {
            MainFrame().onClose();
        } catch (const std::logic_error&) {
            halted = true;
        }
        EXPECT_EQ(!MainFrame().visible, row.hidden);
        EXPECT_EQ(MainFrame().minimized, row.minimized);
        EXPECT_EQ(!platform.boxes.shown.empty() && platform.boxes.shown.back().text == "您确定要退出系统吗？",
                  row.asked);
        EXPECT_EQ(halted, row.halted);
        main.reset();
        windows.frames.clear();
        registry.DeleteKey(platform::RootKey::CurrentUser, "Software\\Kestal\\Tesra\\TesraBrowser");
    }
}

TEST_F(MainWindowTest, BindingFlagsAndRetries) {
    struct Row {
        const char* name;
        BindOutcome atCompletion;
        BindOutcome onRetry;
        int ticks;
        bool boundAtEnd;
        int bindRequests;  // by the timer
        int boxes;
    };
    const BindOutcome bound{true, false, true, {}, ""};
    const BindOutcome noPlugin{};
    const BindOutcome failing{false, false, true, {"交接失败"}, ""};
    const Row rows[] = {
        {"bound at completion: the timer does not bind", bound, bound, 3, true, 0, 0},
        {"no plug-in: the timer retries until it binds", noPlugin, bound, 3, true, 1, 0},
        {"no plug-in ever: a retry at every tick", noPlugin, noPlugin, 3, false, 3, 0},
        {"a hand-over that throws is retried, its box shown once", failing, failing, 4, false, 4, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform.boxes.shown.clear();
        Create();
        CompletePage("http://app.example/a", row.atCompletion);
        for (int i = 0; i < row.ticks; ++i) {
            BlinkTimer().Tick();
            if (!Page().pendingBindings.empty()) Page().AnswerBinding(row.onRetry);
        }
        EXPECT_EQ(main->ServiceBound(), row.boundAtEnd);
        EXPECT_EQ(Page().Count("BindFacade"), row.bindRequests);
        EXPECT_EQ(static_cast<int>(platform.boxes.shown.size()), row.boxes);
        main.reset();
        windows.frames.clear();
    }
}

TEST_F(MainWindowTest, BindingErrorsAreShownOncePerDocument) {
    const BindOutcome failing{false, false, true, {"交接失败"}, ""};
    Create();
    CompletePage("http://app.example/a", failing);
    BlinkTimer().Tick();
    Page().AnswerBinding(failing);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"交接失败"});
    CompletePage("http://app.example/b", failing);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"交接失败", "交接失败"}));
}

TEST_F(MainWindowTest, ATimerBindingOnItsWayIsNotStartedTwice) {
    Create();
    Browser().hasDocument = true;
    BlinkTimer().Tick();
    BlinkTimer().Tick();
    EXPECT_EQ(Page().Count("BindFacade"), 1);
    Page().AnswerBinding({});
    BlinkTimer().Tick();
    EXPECT_EQ(Page().Count("BindFacade"), 2);
}

TEST_F(MainWindowTest, ReportMarks) {
    struct Step {
        const char* url;
        bool delivered;  // the page's answer to a report sent with this page
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        std::vector<bool> reportSent;  // per step
    };
    const Row rows[] = {
        {"the first main page reports", {{"http://a/?main=true", true}}, {true}},
        {"a page that is not the main page does not", {{"http://a/?x=1", true}}, {false}},
        {"a second main page does not", {{"http://a/?main=true", true}, {"http://a/?main=true", true}}, {true, false}},
        {"a user change reports again",
         {{"http://a/?main=true", true}, {"http://a/?main=true&paramTo=changeuser", true}},
         {true, true}},
        {"a report that did not arrive goes with the next main page",
         {{"http://a/?main=true", false}, {"http://a/?main=true", true}, {"http://a/?main=true", true}},
         {true, true, false}},
        {"markers anywhere in the address", {{"http://a/?xmain=trueish", true}}, {true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Create();
        for (size_t i = 0; i < row.steps.size(); ++i) {
            SCOPED_TRACE(row.steps[i].url);
            Browser().FinishLoad(row.steps[i].url);
            ASSERT_EQ(Page().requests.back().kind, "CompleteDocument");
            EXPECT_EQ(Page().requests.back().report.has_value(), row.reportSent[i]);
            DocumentOutcome outcome;
            outcome.binding = {true, false, true, {}, ""};
            if (!row.steps[i].delivered) outcome.reportError = "页面还没有绑定";
            Page().AnswerDocument(outcome);
        }
        main.reset();
        windows.frames.clear();
    }
}

TEST_F(MainWindowTest, APageThatCouldNotBeAskedGetsTheReportLater) {
    Create();
    Browser().FinishLoad("http://a/?main=true");
    DocumentOutcome lost;
    lost.binding.linkError = "页面没有应答";
    Page().AnswerDocument(lost);
    Browser().FinishLoad("http://a/?main=true");
    EXPECT_TRUE(Page().requests.back().report.has_value());
}

TEST_F(MainWindowTest, AReportOnItsWayIsNotSentTwice) {
    Create();
    Browser().FinishLoad("http://a/?main=true");
    Browser().FinishLoad("http://a/?main=true");
    ASSERT_EQ(Page().Count("CompleteDocument"), 2);
    EXPECT_TRUE(Page().requests[0].report.has_value());
    EXPECT_FALSE(Page().requests[1].report.has_value());
}

TEST_F(MainWindowTest, AUserChangeWhileAReportIsOnItsWayReportsAgain) {
    Create();
    Browser().FinishLoad("http://a/?main=true");
    Browser().FinishLoad("http://a/?main=true&paramTo=changeuser");
    ASSERT_EQ(Page().Count("CompleteDocument"), 2);
    EXPECT_TRUE(Page().requests[1].report.has_value());
    DocumentOutcome delivered;
    delivered.binding = {true, false, true, {}, ""};
    Page().AnswerDocument(delivered);  // the old user's report
    Page().AnswerDocument(delivered);
    Browser().FinishLoad("http://a/?main=true");
    EXPECT_FALSE(Page().requests.back().report.has_value());
}

TEST_F(MainWindowTest, AnOldUsersReportThatArrivesLateDoesNotMarkTheNewUser) {
    Create();
    Browser().FinishLoad("http://a/?main=true");
    Browser().FinishLoad("http://a/?main=true&paramTo=changeuser");
    DocumentOutcome delivered;
    delivered.binding = {true, false, true, {}, ""};
    DocumentOutcome lost = delivered;
    lost.reportError = "页面还没有绑定";
    Page().AnswerDocument(delivered);  // the old user's report arrived
    Page().AnswerDocument(lost);       // the new user's did not
    Browser().FinishLoad("http://a/?main=true");
    EXPECT_TRUE(Page().requests.back().report.has_value());
}

TEST_F(MainWindowTest, DocumentThenDownloadCompletion) {
    Create();
    // The page's completion starts the binding; the download that follows does not start another.
    Browser().FinishLoad("http://app.example/a");
    EXPECT_EQ(Page().Count("CompleteDocument"), 1);
    EXPECT_EQ(Page().Count("BindFacade"), 0);
    Page().AnswerDocument({{false, false, false, {}, ""}, "", ""});
    // A download without a page, while the page is not bound: one binding of the page still shown.
    Browser().FinishLoad("http://app.example/b", false);
    EXPECT_EQ(Page().Count("BindFacade"), 1);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(platform.app.terminated, 0);
}

TEST_F(MainWindowTest, ADownloadWithoutAnyPageIsTheFatalPath) {
    Create();
    Browser().FinishLoad("http://app.example/", false);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kNetworkMessage});
    EXPECT_EQ(platform.app.terminated, 1);
    EXPECT_EQ(Page().requests.size(), 0u);
}

// A page chooses its title: what reaches the caption, the boxes' caption and the tray tip is cleaned.
TEST_F(MainWindowTest, APageTitleIsCleanedBeforeItIsShown) {
    Create();
    const std::string nasty = "应用\r\n\x1b[2J\u202E" + std::string(5000, 'x');
    const std::string clean = "应用[2J" + std::string(kCaptionLimit - 5, 'x');
    Browser().events.onTitleChange(nasty);
    EXPECT_EQ(MainFrame().caption, clean);
    EXPECT_EQ(platform.app.Title(), clean);
    EXPECT_EQ(CaptionFor(platform.app.Title()), clean);
    ASSERT_FALSE(platform.notifyIcons.shown.empty());
    const std::string tip = platform.notifyIcons.shown.begin()->second.tip;
    EXPECT_EQ(clean.rfind(tip, 0), 0u) << "the tray tip is the cleaned caption, shortened: " << tip;
    EXPECT_EQ(tip.find_first_of("\r\n\x1b"), std::string::npos);
}

TEST_F(MainWindowTest, ClosedPopupsAreFreed) {
    Create();
    CompletePage("http://app.example/a");
    struct Row {
        const char* name;
        std::function<void(FakeFrame&)> close;
    };
    const Row rows[] = {
        {"its page asks to close",
         [this](FakeFrame& popup) {
             EXPECT_TRUE(Filter({popup.browser.Handle(), platform::WM_CLOSE, 0, 0}));
         }},
        {"Esc", [](FakeFrame& popup) { popup.onEscape(); }},
        {"its close box", [](FakeFrame& popup) { popup.onClose(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::BrowserControl* shown = Browser().events.onNewWindow();
        ASSERT_NE(shown, nullptr);
        FakeFrame& popup = *windows.frames.back();
        EXPECT_TRUE(popup.visible);
        EXPECT_EQ(main->PopupWindows().count(PopupKey(shown->Handle())), 1u);
        const int destroyed = windows.destroyed;
        row.close(popup);
        EXPECT_EQ(main->PopupWindows().count(PopupKey(shown->Handle())), 0u);
        EXPECT_EQ(windows.destroyed, destroyed) << "not freed inside the event that closed it";
        PopupReaper().Tick();
        EXPECT_EQ(windows.destroyed, destroyed + 1);
        EXPECT_EQ(windows.frames.back(), nullptr);
    }
}

}  // namespace
}  // namespace tesra
