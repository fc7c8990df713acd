#include "support/tsException.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "LogTestSupport.h"
#include "linux/LinuxEnvironment.h"
#include "platform/Exception.h"
#include "platform/HandlerGuard.h"
#include "support/CrashReporting.h"

namespace tesra {
namespace {
namespace fs = std::filesystem;
using testing::ReadFile;

class ExceptionHookTest : public testing::LogFixtureWith<platform::LinuxEnvironment> {
protected:
    void Guarded(const std::function<void()>& handler) { platform::RunGuarded(app.Guard(), handler); }
    size_t EntryCount() const { return fs::exists(LogFile()) ? Entries().size() : 0; }

    ExceptionReport& report = tbLog.Report();
};

TEST_F(ExceptionHookTest, SameMessageShowsEveryTimeButLogsOnce) {
    Guarded([] { throw Exception("出错了"); });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "出错了");
    EXPECT_EQ(boxes.shown[0].caption, "蓝岸浏览器");
    EXPECT_EQ(boxes.shown[0].flags, 16u);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(IsEntry(entries[0], "发生 Exception 异常：出错了\r\n\r\n", "异常")) << entries[0];

    Guarded([] { throw Exception("出错了"); });
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(EntryCount(), 1u);

    Guarded([] { throw Exception("另一个错误", "EConvertError"); });
    EXPECT_EQ(boxes.shown.size(), 3u);
    entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(IsEntry(entries[1], "发生 EConvertError 异常：另一个错误\r\n\r\n", "异常")) << entries[1];
}

TEST_F(ExceptionHookTest, CaptionFallsBackWithoutTitle) {
    app.title = "";
    Guarded([] { throw Exception("x"); });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "系统提示");
}

TEST_F(ExceptionHookTest, SilentAbortEndsTheHandlerQuietly) {
    Guarded([] { throw SilentAbort(); });
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(fs::exists(LogFile()));
    Guarded([&] {
        AppBoxes(boxes, app).Error("只此一框");
        throw SilentAbort();
    });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "只此一框");
    EXPECT_FALSE(fs::exists(LogFile()));
}

TEST_F(ExceptionHookTest, ForeignExceptionsAreExceptionsToo) {
    Guarded([] { throw std::runtime_error("boom"); });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "boom");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(IsEntry(entries[0], "发生 std::runtime_error 异常：boom\r\n\r\n", "异常")) << entries[0];
}

TEST_F(ExceptionHookTest, ObjectThatIsNoExceptionIsLoggedWithoutBox) {
    Guarded([] { throw 42; });
    EXPECT_TRUE(boxes.shown.empty());
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(IsEntry(entries[0], "发生 int 异常", "异常")) << entries[0];
}

TEST_F(ExceptionHookTest, DevelopmentEnvironmentLeavesTheReportToTheLayer) {
    devEnvironment.Set("1");
    channel.Lines();
    Guarded([] { throw Exception("开发中"); });
    devEnvironment.Set(nullptr);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ExceptionHookTest, StagesOtherThanZeroOnlyTouchTheFlag) {
    Exception error("x");
    struct Case {
        int stage;
        bool before, after;
    };
    const Case cases[] = {{1, true, true},   {1, false, false}, {2, true, false}, {3, true, false},
                          {3, false, false}, {4, true, true},   {-1, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        bool proceed = c.before;
        report.ExceptionHook({&error, "report"}, c.stage, proceed);
        EXPECT_EQ(proceed, c.after);
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(fs::exists(LogFile()));
}

TEST_F(ExceptionHookTest, StageZeroSetsProceedAndAppendsTheReportText) {
    Exception error("带报告");
    bool proceed = true;
    report.ExceptionHook({&error, "调用栈"}, 0, proceed);
    EXPECT_FALSE(proceed);
    EXPECT_EQ(log.LastExceptionMessage(), "带报告");
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(IsEntry(entries[0], "发生 Exception 异常：带报告\r\n\r\n调用栈", "异常")) << entries[0];
}

TEST_F(ExceptionHookTest, DescriptionNamesFormAndControl) {
    Exception error("Access violation at address 0", "EAccessViolation");
    EXPECT_EQ(DescribeException(focus, error), "发生 EAccessViolation 异常：Access violation at address 0");

    focus.form = platform::FormFacts{{"fmInputUrl", "TfmInputUrl"}, "请输入地址"};
    EXPECT_EQ(
        DescribeException(focus, error),
        "光标在表单“请输入地址”(fmInputUrl:TfmInputUrl) 时, 发生 EAccessViolation 异常：Access violation at address 0");

    focus.control = platform::WidgetFacts{"cbUrl", "TComboBox"};
    focus.text = "http://host/";
    EXPECT_EQ(DescribeException(focus, error),
              "光标在表单“请输入地址”(fmInputUrl:TfmInputUrl) 中控件“http://host/”(cbUrl:TComboBox) 时, 发生 "
              "EAccessViolation 异常：Access violation at address 0");

    focus.form.reset();
    EXPECT_EQ(DescribeException(focus, error),
              " 中控件“http://host/”(cbUrl:TComboBox) 时, 发生 EAccessViolation 异常：Access violation at address 0");
}

TEST_F(ExceptionHookTest, ControlTextIsReadOnceMore) {
    Exception error("m");
    focus.control = platform::WidgetFacts{"edt", "GtkEntry"};
    focus.text = "内容";
    struct Case {
        int failingReads;
        std::string expected;
    };
    const Case cases[] = {{0, " 中控件“内容”(edt:GtkEntry) 时, 发生 Exception 异常：m"},
                          {1, " 中控件“文本为‘内容’”(edt:GtkEntry) 时, 发生 Exception 异常：m"},
                          {2, " 中控件“”(edt:GtkEntry) 时, 发生 Exception 异常：m"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failingReads);
        focus.reads = 0;
        focus.failingReads = c.failingReads;
        EXPECT_EQ(DescribeException(focus, error), c.expected);
    }
}

TEST(TranslateErrorText, RowsApplyInOrderToTheReplacedText) {
    struct Case {
        std::string text;
        bool matched;
        std::string result;
    };
    const Case cases[] = {
        {"Access violation at address 00401234", true, "非法地址访问"},
        {"ACCESS VIOLATION", true, "非法地址访问"},
        {"Operation aborted", true, "操作异常终止"},
        {"SELECT * from t failed", true, "查询执行失败"},
        {"selected", false, "selected"},
        {"发生灾难性故障", true, "中间件非法地址访问"},
        {"对象名 'x' 无效", true, "查询执行失败"},
        {"Operation aborted 对象名", true, "操作异常终止"},  // row 5 sees the text after row 2
        {"", false, ""},
        {"网络错误", false, "网络错误"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        EXPECT_EQ(TranslateErrorText(text), c.matched);
        EXPECT_EQ(text, c.result);
    }
}

platform::Picture TestPicture() {
    platform::Picture picture;
    picture.width = 16;
    picture.height = 8;
    picture.rgb.assign(16 * 8 * 3, 0x80);
    return picture;
}

TEST_F(ExceptionHookTest, ScreenReportIsAJpegWithTheEntryAfterIt) {
    screen.picture = TestPicture();
    bool sent = false;
    report.OfferReportToUser("nothing to translate", "<Log record/>", sent);
    EXPECT_FALSE(sent);
    EXPECT_TRUE(boxes.shown.empty());  // no translation, no dialog
    EXPECT_EQ(screen.lastCursor, platform::CursorInPicture::Drawn);
    EXPECT_EQ(cursor.changes, (std::vector<bool>{true, false}));
    std::string path = report.LastScreenshotPath();
    std::string name = fs::path(path).filename().string();
    EXPECT_EQ(fs::path(path).parent_path(), LogFolder());
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(sysLog\d{8}_\d{6}\.jpg)"))) << name;
    std::string bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
    EXPECT_TRUE(bytes.ends_with("\xFF\xD9\r\n<Log record/>"));
}

TEST_F(ExceptionHookTest, ScreenReportToAGivenPath) {
    screen.picture = TestPicture();
    std::string path = (home->Root() / "shot.jpg").string();
    report.CaptureScreenReport(path);
    EXPECT_EQ(report.LastScreenshotPath(), path);
    EXPECT_EQ(ReadFile(path).substr(0, 2), "\xFF\xD8");
}

TEST_F(ExceptionHookTest, FailedCaptureIsLoggedAndTheKnownPathStillOffered) {
    bool sent = false;
    boxes.answer = platform::IDCANCEL;
    report.OfferReportToUser("Access violation at 0", "<Log/>", sent);  // the screen gives no picture
    EXPECT_FALSE(sent);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(IsEntry(entries[0], "打印屏幕出错发生 Exception 异常：截取屏幕失败", "异常")) << entries[0];
    ASSERT_EQ(boxes.shown.size(), 1u);  // the path was known before the picture failed
    EXPECT_EQ(boxes.shown[0].text, ReportDialogText("非法地址访问", report.LastScreenshotPath()));
}

TEST_F(ExceptionHookTest, CaptureWithoutLogFolderOffersNothing) {
    screen.picture = TestPicture();
    fs::remove_all(home->Root() / "home/.local/share/Kestal");
    std::ofstream(home->Root() / "home/.local/share/Kestal") << "blocks the folder";
    bool sent = false;
    report.OfferReportToUser("Access violation", "<Log/>", sent);
    EXPECT_FALSE(sent);
    EXPECT_TRUE(report.LastScreenshotPath().empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(screen.captures, 0);
}

TEST_F(ExceptionHookTest, ReportDialogText) {
    EXPECT_EQ(ReportDialogText("非法地址访问", "/p/s.jpg"),
              "系统发生内部错误：“非法地址访问”\r\r请按“确定”继续，系统将通过网络发送该错误详情给蓝岸公司，\r"
              "\u3000公司将借此信息不断改进产品，以便能更好地为您服务，\r\u3000发送将在后台进行，不会影响您正常使用；\r"
              "按“取消”则不发送，您可以用其它方式提供以下文件给公司，非常感谢：\r\u3000/p/s.jpg");
    EXPECT_EQ(UpdaterCommandLine("/opt/tesra browser/", "/a b/sysLog.jpg"),
              "\"/opt/tesra browser/ksUpdate\" /SendLog \"/a b/sysLog.jpg\"");
}

// A log class that offers the screenshot report.
class OfferingLog : public TtsLog {
public:
    using TtsLog::TtsLog;
    bool OfferReport() override { return true; }
};

TEST_F(ExceptionHookTest, OfferedReportReplacesTheErrorBoxWhenSent) {
    OfferingLog offering(environment, tbLog.Trace());
    ExceptionReport report(fakes.handle, offering);
    CrashReporter crashes(environment, focus, offering);
    crashes.SetExceptionNotifyProc(
        [&](const ExceptionRecord& record, int stage, bool& proceed) { report.ExceptionHook(record, stage, proceed); });
    crashes.Install(app);
    screen.picture = TestPicture();
    Guarded([] { throw Exception("Access violation at address 0"); });
    ASSERT_EQ(boxes.shown.size(), 1u);  // the confirmation only: it was sent
    EXPECT_EQ(boxes.shown[0].caption, "蓝岸浏览器");
    EXPECT_EQ(boxes.shown[0].flags, 17u);
    EXPECT_EQ(boxes.shown[0].text, ReportDialogText("非法地址访问", report.LastScreenshotPath()));
    EXPECT_EQ(std::count(app.calls.begin(), app.calls.end(), "BringToFront"), 1);
    std::string shot = ReadFile(report.LastScreenshotPath());
    EXPECT_NE(shot.find("LogType=\"" + Utf8ToGbk("调试") + "\"/>"), std::string::npos);
    EXPECT_NE(shot.find(Utf8ToGbk("发生 Exception 异常：Access violation at address 0\r\n\r\n")), std::string::npos);
    auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);

    boxes.answer = platform::IDCANCEL;
    Guarded([] { throw Exception("Access violation at address 4"); });
    ASSERT_EQ(boxes.shown.size(), 3u);  // declined: the error box follows
    EXPECT_EQ(boxes.shown[2].text, "Access violation at address 4");
    EXPECT_EQ(std::count(app.calls.begin(), app.calls.end(), "BringToFront"), 1);

    Guarded([] { throw Exception("no pattern here"); });
    ASSERT_EQ(boxes.shown.size(), 4u);  // no translation: no offer, only the error box
    EXPECT_EQ(boxes.shown[3].text, "no pattern here");
}

}  // namespace
}  // namespace tesra
