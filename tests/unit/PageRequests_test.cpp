#include "support/PageRequests.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <vector>

namespace tesra {
namespace {

// Which request is served for which document: another site's document gets nothing that reaches
// beyond its own window unless the user just acted in it, and for the program's end and the
// certificate question not even then.
TEST(MayServe, ByDocumentAndUserAction) {
    using R = PageRequest;
    struct Row {
        R request;
        RequestSource source;  // application, bound, userAction, program
        bool expected;
    };
    const Row rows[] = {
        {R::CloseProgram, {true, true, false, false}, true},
        {R::CloseProgram, {true, false, false, false}, false},  // the application's page, not bound yet
        {R::CloseProgram, {false, true, false, false}, false},  // another site's page after a bound one
        {R::CloseProgram, {false, false, true, false}, false},  // another site's page, after a click
        {R::CloseProgram, {false, false, false, true}, false},
        {R::Print, {true, false, false, false}, true},
        {R::Print, {true, true, true, false}, true},
        {R::Print, {false, false, false, false}, false},
        {R::Print, {false, true, true, false}, false},  // a click does not make another site's print
        {R::Popup, {true, false, false, false}, true},  // the application's own pop-ups stay
        {R::Popup, {false, false, true, false}, true},  // another site's, after a click
        {R::Popup, {false, false, false, false}, false},
        {R::Popup, {false, true, false, true}, false},
        {R::Download, {true, false, false, false}, true},
        {R::Download, {false, false, true, false}, true},
        {R::Download, {false, false, false, false}, false},
        {R::Download, {false, true, false, false}, false},
        {R::CertificateQuestion, {false, false, false, true}, true},   // the start address, the menu
        {R::CertificateQuestion, {true, false, false, false}, true},   // a link of the application's page
        {R::CertificateQuestion, {false, false, true, false}, false},  // a link in another site's page
        {R::CertificateQuestion, {false, false, false, false}, false},
    };
    for (const Row& row : rows) {
        const RequestSource& s = row.source;
        EXPECT_EQ(MayServe(row.request, s), row.expected)
            << "request " << static_cast<int>(row.request) << " application=" << s.application << " bound=" << s.bound
            << " userAction=" << s.userAction << " program=" << s.program;
    }
}

TEST(DownloadFileName, KeepsOnlyAPlainName) {
    const std::pair<std::string, std::string> rows[] = {
        {"report.pdf", "report.pdf"},
        {"../../.bashrc", "bashrc"},
        {"/etc/passwd", "passwd"},
        {"a\\b\\evil.exe", "evil.exe"},
        {"..", "下载文件"},
        {"", "下载文件"},
        {"folder/", "下载文件"},
        {"re\nport\x7f\x01.txt", "report.txt"},
        {" . name.txt  ", "name.txt"},
        {"报告.xls", "报告.xls"},
    };
    for (const auto& [suggested, expected] : rows) EXPECT_EQ(DownloadFileName(suggested), expected) << suggested;
}

TEST(DownloadFileName, ALongNameIsCutToFitWithItsNumberKeepingItsType) {
    std::string chinese;
    for (int i = 0; i < 100; ++i) chinese += "报";  // 300 bytes
    struct Row {
        std::string suggested, start, end;
    };
    const Row rows[] = {
        {std::string(300, 'a') + ".pdf", std::string(232, 'a'), ".pdf"},
        {chinese + ".xlsx", chinese.substr(0, 231), "报.xlsx"},              // 77 whole characters
        {"a" + chinese + ".xlsx", "a" + chinese.substr(0, 228), "报.xlsx"},  // the 78th is cut: it goes
        {std::string(300, 'b'), std::string(236, 'b'), "b"},
        {std::string(300, 'c') + ".not-a-type-at-all-really", std::string(236, 'c'), "c"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.suggested.substr(row.suggested.size() - 8));
        const std::string name = DownloadFileName(row.suggested);
        EXPECT_LE(name.size(), 236u);
        EXPECT_TRUE(name.starts_with(row.start) && name.ends_with(row.end)) << name;
        EXPECT_TRUE(g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr)) << name;
        EXPECT_LE(NumberedFileName(name, 9999).size() + std::string(".wkdownload").size(), 255u);
    }
}

TEST(NumberedFileName, NumberBeforeTheSuffix) {
    struct Row {
        std::string name;
        int n;
        std::string expected;
    };
    const Row rows[] = {
        {"a.txt", 0, "a.txt"},       {"a.txt", 1, "a (1).txt"},       {"a.tar.gz", 2, "a.tar (2).gz"},
        {"README", 3, "README (3)"}, {".profile", 1, ".profile (1)"},
    };
    for (const Row& row : rows) EXPECT_EQ(NumberedFileName(row.name, row.n), row.expected) << row.name << row.n;
}

// Who stands behind a load: the program's own load, a redirection that continues a navigation, or the
// document shown with or without the user's click.
TEST(NavigationSources, WhoStartedTheNavigation) {
    struct Step {
        enum Kind { Program, Navigation, Redirect } kind;
        std::string address;
        bool showsApplication = false;
        bool userAction = false;
    };
    struct Expected {
        bool program, application, userAction;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::string asked;
        Expected source;
    };
    using K = Step::Kind;
    const Case cases[] = {
        {"the program's load", {{K::Program, "https://a/"}, {K::Navigation, "https://a/"}}, "https://a/", {1, 0, 0}},
        {"the program's load redirected",
         {{K::Program, "https://a/"}, {K::Navigation, "https://a/"}, {K::Redirect, "https://b/"}},
         "https://b/",
         {1, 0, 0}},
        {"the application's document", {{K::Navigation, "https://b/", true, false}}, "https://b/", {0, 1, 0}},
        {"another site's page after a click", {{K::Navigation, "https://c/", false, true}}, "https://c/", {0, 0, 1}},
        {"another site's redirection of a click",
         {{K::Navigation, "https://c/", false, true}, {K::Redirect, "https://d/"}},
         "https://d/",
         {0, 0, 1}},
        {"a page's navigation while the program's load waits",
         {{K::Program, "https://a/"}, {K::Navigation, "https://x/"}},
         "https://x/",
         {0, 0, 0}},
        {"the program's load comes after the page's",
         {{K::Program, "https://a/"}, {K::Navigation, "https://x/"}, {K::Navigation, "https://a/"}},
         "https://a/",
         {1, 0, 0}},
        {"the program's load is its once",
         {{K::Program, "https://a/"}, {K::Navigation, "https://a/"}, {K::Navigation, "https://a/"}},
         "https://a/",
         {0, 0, 0}},
        {"never navigated to", {{K::Navigation, "https://b/", true, true}}, "https://other/", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NavigationSources sources;
        for (const Step& step : c.steps) {
            if (step.kind == K::Program) {
                sources.ProgramLoads(step.address);
            } else {
                sources.Note(step.address, step.kind == K::Redirect, step.showsApplication, step.userAction);
            }
        }
        const RequestSource source = sources.SourceOf(c.asked);
        EXPECT_EQ(source.program, c.source.program);
        EXPECT_EQ(source.application, c.source.application);
        EXPECT_EQ(source.userAction, c.source.userAction);
        EXPECT_FALSE(source.bound);
    }
}

TEST(NavigationSources, APageThatKeepsNavigatingDoesNotMakeTheListGrow) {
    NavigationSources sources;
    for (int n = 0; n < 64; ++n) sources.Note("https://a/" + std::to_string(n), false, true, false);
    EXPECT_TRUE(sources.SourceOf("https://a/0").application) << "64 are remembered";
    sources.Note("https://a/64", false, true, false);
    EXPECT_FALSE(sources.SourceOf("https://a/0").application);
    EXPECT_TRUE(sources.SourceOf("https://a/64").application);
}

TEST(NavigationSources, ADownloadHasTheApplicationBehindItOnlyForItsOwnSitesFile) {
    struct Case {
        const char* name;
        bool navigationByApplication, showsApplication, applicationSite, application;
    };
    const Case cases[] = {
        {"the application's file from its document", true, true, true, true},
        {"another site's file from the application's document", true, true, false, false},
        {"the application's file from another site's document", false, false, true, false},
        {"another site's file from another site's document", false, false, false, false},
        {"the document changed since the navigation", true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NavigationSources sources;
        sources.Note("https://f/file.pdf", false, c.navigationByApplication, true);
        const RequestSource source =
            sources.DownloadSourceOf("https://f/file.pdf", c.showsApplication, c.applicationSite);
        EXPECT_EQ(source.application, c.application);
        EXPECT_TRUE(source.userAction) << "the navigation's";
    }
    NavigationSources sources;
    sources.ProgramLoads("https://f/file.pdf");
    sources.Note("https://f/file.pdf", false, false, false);
    EXPECT_TRUE(sources.DownloadSourceOf("https://f/file.pdf", false, false).program);
}

TEST(RefusedDownloadText, NamesThePageAndTheFile) {
    EXPECT_EQ(RefusedDownloadText("https://other.test/", "https://other.test/a.exe"),
              "拒绝了页面“https://other.test/”未经用户操作的下载“https://other.test/a.exe”");
}

}  // namespace
}  // namespace tesra
