#include "support/CertificateQuestion.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "SupportFakes.h"

namespace tesra {
namespace {
using namespace tesra::testing;

TEST(CertificateProblemText, NamesTheFirstFaultInItsOrder) {
    struct Case {
        CertificateFaults faults;
        std::string text;
    };
    CertificateFaults none;
    CertificateFaults all{true, true, true, true, true, true};
    const Case cases[] = {
        {none, "证书无法验证"},
        {all, "证书的颁发机构不受信任"},
        {{false, true, true, false, false, false}, "证书与网站的地址不符"},
        {{false, false, true, true, false, false}, "证书已过期"},
        {{false, false, false, true, true, false}, "证书尚未生效"},
        {{false, false, false, false, true, true}, "证书已被吊销"},
        {{false, false, false, false, false, true}, "证书的算法不安全"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CertificateProblemText(c.faults), c.text);
    }
}

TEST(CertificateQuestionText, NamesTheHostTheFaultAndTheAnswers) {
    CertificateFaults expired;
    expired.expired = true;
    EXPECT_EQ(CertificateQuestionText("app.example.test", expired),
              "网站“app.example.test”的安全证书有问题：证书已过期。\n\n"
              "按“确定”在本次运行中信任该证书并继续打开，按“取消”不打开。");
}

RequestSource Source(bool program, bool application, bool userAction) {
    RequestSource source;
    source.program = program;
    source.application = application;
    source.userAction = userAction;
    return source;
}

class CertificateQuestionTest : public ::testing::Test {
protected:
    FakeBoxes boxes;
    FakeApplication app;
    CertificateQuestion question{boxes, app};
    CertificateFaults faults{true, false, false, false, false, false};
};

TEST_F(CertificateQuestionTest, AsksOnlyForTheProgramsAndTheApplicationsLoads) {
    struct Case {
        const char* name;
        RequestSource source;
        bool asked;
    };
    const Case cases[] = {
        {"the program's load", Source(true, false, false), true},
        {"the application's document", Source(false, true, false), true},
        {"a click in another site's page", Source(false, false, true), false},
        {"another site's page on its own", Source(false, false, false), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.shown.clear();
        boxes.answer = platform::IDOK;
        EXPECT_EQ(question.Ask(c.source, "h.test", faults), c.asked);
        EXPECT_EQ(boxes.shown.size(), c.asked ? 1u : 0u);
    }
}

TEST_F(CertificateQuestionTest, TheBoxAndWhatItsAnswerMeans) {
    struct Case {
        std::string title;
        int answer;
        std::string caption;
        bool trusted;
    };
    const Case cases[] = {{"蓝岸浏览器", platform::IDOK, "蓝岸浏览器", true},
                          {"蓝岸浏览器", platform::IDCANCEL, "蓝岸浏览器", false},
                          {"", platform::IDOK, "系统提示", true},
                          {"", platform::IDCANCEL, "系统提示", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title + " " + std::to_string(c.answer));
        boxes.shown.clear();
        boxes.answer = c.answer;
        app.title = c.title;
        EXPECT_EQ(question.Ask(Source(true, false, false), "h.test", faults), c.trusted);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, CertificateQuestionText("h.test", faults));
        EXPECT_EQ(boxes.shown[0].caption, c.caption);
        EXPECT_EQ(boxes.shown[0].flags, platform::MB_OKCANCEL | platform::MB_ICONWARNING);
    }
}

// A box that runs while another window's load asks: the second question is not asked and its load fails.
class AskingAgainBoxes : public FakeBoxes {
public:
    std::function<void()> whileShown;
    int Show(const std::string& text, const std::string& caption, unsigned flags) override {
        if (whileShown) whileShown();
        return FakeBoxes::Show(text, caption, flags);
    }
};

TEST(CertificateQuestionOneAtATime, ASecondQuestionWhileTheBoxIsOpenIsRefused) {
    AskingAgainBoxes boxes;
    FakeApplication app;
    CertificateQuestion question(boxes, app);
    const CertificateFaults faults;
    bool second = true;
    boxes.whileShown = [&] { second = question.Ask(Source(true, false, false), "other.test", faults); };
    EXPECT_TRUE(question.Ask(Source(true, false, false), "h.test", faults));
    EXPECT_FALSE(second);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("h.test"), std::string::npos);

    boxes.whileShown = nullptr;
    EXPECT_TRUE(question.Ask(Source(true, false, false), "other.test", faults)) << "asked again once answered";
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST(CertificateQuestionOneAtATime, ABoxThatFailedLeavesTheNextQuestionFree) {
    AskingAgainBoxes boxes;
    FakeApplication app;
    CertificateQuestion question(boxes, app);
    const CertificateFaults faults;
    boxes.whileShown = [] { throw std::runtime_error("no display"); };
    EXPECT_THROW(question.Ask(Source(true, false, false), "h.test", faults), std::runtime_error);
    boxes.whileShown = nullptr;
    EXPECT_TRUE(question.Ask(Source(true, false, false), "h.test", faults));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace tesra
