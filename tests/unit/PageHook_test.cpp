#include "shell/PageHook.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "platform/Exception.h"
#include "support/Origin.h"

namespace tesra {
namespace {

using platform::PageArgument;
using platform::PageObject;

// A page object with named children; reads of names in failingReads throw that many times first.
struct FakeObject : PageObject {
    std::string label;
    std::map<std::string, std::shared_ptr<FakeObject>> properties;
    std::map<std::string, int> failingReads;
    std::vector<std::string>* calls = nullptr;
    bool failCalls = false;

    std::shared_ptr<PageObject> Get(const std::string& name) override {
        if (failingReads[name] > 0) {
            --failingReads[name];
            throw Exception("未指定的错误");
        }
        auto it = properties.find(name);
        return it == properties.end() ? nullptr : it->second;
    }
    void Call(const std::string& method, const std::vector<PageArgument>& args) override {
        if (failCalls) throw Exception("对象不支持此属性或方法");
        bool service = args.size() == 1 && std::holds_alternative<platform::NewScriptingObject>(args[0]);
        calls->push_back(label + "." + method + (service ? "(service)" : "(?)"));
    }
};

// Counts every read of the document's content (its address is the engine's, not the document's).
struct FakeDocument : platform::HtmlDocument {
    std::string address = "http://app/index.html";
    int reads = 0;
    bool hasBody = true;
    std::shared_ptr<FakeObject> byId;
    std::vector<std::shared_ptr<PageObject>> objects;
    std::vector<platform::FrameEntry> frames;
    bool failFrames = false;

    std::string Address() override { return address; }
    std::shared_ptr<PageObject> Body() override {
        ++reads;
        return hasBody ? std::make_shared<FakeObject>() : nullptr;
    }
    std::shared_ptr<PageObject> ElementById(const std::string& id) override {
        ++reads;
        return id == kPluginElementId ? byId : nullptr;
    }
    std::vector<std::shared_ptr<PageObject>> ElementsByTagName(const std::string& tag) override {
        ++reads;
        return tag == "OBJECT" ? objects : std::vector<std::shared_ptr<PageObject>>{};
    }
    int FrameCount() override {
        ++reads;
        if (failFrames) throw Exception("拒绝访问。");
        return static_cast<int>(frames.size());
    }
    platform::FrameEntry Frame(int index) override {
        ++reads;
        return frames.at(static_cast<size_t>(index));
    }
    bool bound = false;
    bool Bound() override { return bound; }
    void MarkBound() override { bound = true; }
};

class PageHookTest : public testing::Test {
protected:
    PageHook hook{[this](const std::string& address) { return IsSameOrigin(address, trusted); }, [this] { ++pumps; }};
    std::vector<std::string> calls;
    std::string trusted = "http://app/";
    int pumps = 0;

    // A plug-in element whose Content carries a facade labelled name.
    std::shared_ptr<FakeObject> Plugin(const std::string& name) {
        auto facade = std::make_shared<FakeObject>();
        facade->label = name;
        facade->calls = &calls;
        auto content = std::make_shared<FakeObject>();
        content->properties[kFacadeName] = facade;
        auto element = std::make_shared<FakeObject>();
        element->properties["Content"] = content;
        return element;
    }
    std::shared_ptr<FakeDocument> Document(const std::string& name) {
        auto document = std::make_shared<FakeDocument>();
        document->byId = Plugin(name);
        return document;
    }
};

TEST_F(PageHookTest, BindsTheFacadeOfThePluginElement) {
    auto document = Document("top");
    BindOutcome outcome = hook.BindFacade(*document);
    EXPECT_TRUE(outcome.bound);
    EXPECT_FALSE(outcome.retryLater);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(calls, std::vector<std::string>{"top.SetTesraBrowserService(service)"});
    EXPECT_EQ(hook.FacadeHost(), document->byId->properties["Content"]);
}

TEST_F(PageHookTest, FallsBackToTheFirstObjectElement) {
    FakeDocument document;
    document.objects = {Plugin("first"), Plugin("second")};
    EXPECT_TRUE(hook.BindFacade(document).bound);
    EXPECT_EQ(calls, std::vector<std::string>{"first.SetTesraBrowserService(service)"});
}

TEST_F(PageHookTest, QuietlyLeavesPagesWithoutThePlugin) {
    struct Case {
        const char* name;
        std::function<void(FakeDocument&)> change;
    };
    const Case cases[] = {
        {"no body", [](FakeDocument& d) { d.hasBody = false; }},
        {"no element", [](FakeDocument& d) { d.byId = nullptr; }},
        {"no content", [](FakeDocument& d) { d.byId->properties.erase("Content"); }},
        {"other site", [](FakeDocument& d) { d.address = "http://elsewhere/"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto document = Document("x");
        c.change(*document);
        BindOutcome outcome = hook.BindFacade(*document);
        EXPECT_FALSE(outcome.bound);
        EXPECT_FALSE(outcome.retryLater);
        EXPECT_TRUE(outcome.errors.empty());
    }
    EXPECT_TRUE(calls.empty());
}

TEST_F(PageHookTest, SearchesOnlyTheFramesInOrderUntilOneIsNoWindow) {
    auto top = Document("top");
    top->frames = {{true, Document("one")},
                   {true, nullptr},
                   {true, Document("two")},
                   {false, Document("hidden")},
                   {true, Document("after")}};
    BindOutcome outcome = hook.BindFacade(*top);
    EXPECT_TRUE(outcome.bound);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"one.SetTesraBrowserService(service)", "two.SetTesraBrowserService(service)"}));
}

TEST_F(PageHookTest, LeavesDocumentsOfOtherSitesUnreadAndSilent) {
    // The top document of another site: not even its frames are looked at, and nothing it throws shows.
    auto foreign = Document("foreign");
    foreign->address = "http://app:8080/spoof.html";
    foreign->failFrames = true;
    foreign->frames = {{true, Document("inner")}};
    BindOutcome outcome = hook.BindFacade(*foreign);
    EXPECT_FALSE(outcome.bound);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(foreign->reads, 0);

    // A frame of another site in the application's page: skipped unread, the application's frame bound.
    auto top = Document("top");
    auto frame = Document("frame");
    frame->address = "https://app/";
    frame->failFrames = true;
    top->frames = {{true, frame}, {true, Document("own")}};
    outcome = hook.BindFacade(*top);
    EXPECT_TRUE(outcome.bound);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(frame->reads, 0);
    EXPECT_EQ(calls, std::vector<std::string>{"own.SetTesraBrowserService(service)"});
}

TEST_F(PageHookTest, RetriesAFacadeThatDoesNotAnswer) {
    auto late = Document("late");
    std::static_pointer_cast<FakeObject>(late->byId->properties["Content"])->failingReads[kFacadeName] = 5;
    EXPECT_TRUE(hook.BindFacade(*late).bound);
    EXPECT_EQ(pumps, 5);

    pumps = 0;
    auto silent = Document("silent");
    std::static_pointer_cast<FakeObject>(silent->byId->properties["Content"])->failingReads[kFacadeName] = 1000;
    BindOutcome outcome = hook.BindFacade(*silent);
    EXPECT_FALSE(outcome.bound);
    EXPECT_TRUE(outcome.retryLater);
    EXPECT_EQ(pumps, 20);

    pumps = 0;
    auto absent = Document("absent");
    absent->byId->properties["Content"]->properties.clear();
    EXPECT_TRUE(hook.BindFacade(*absent).retryLater);
    EXPECT_EQ(pumps, 20);
}

TEST_F(PageHookTest, ReportsErrorsOfTheHandOverAndOfTheFrames) {
    auto document = Document("bad");
    document->byId->properties["Content"]->properties[kFacadeName]->failCalls = true;
    BindOutcome outcome = hook.BindFacade(*document);
    EXPECT_FALSE(outcome.bound);
    EXPECT_EQ(outcome.errors, std::vector<std::string>{"对象不支持此属性或方法"});

    auto framed = Document("top");
    framed->failFrames = true;
    EXPECT_EQ(hook.BindFacade(*framed).errors, std::vector<std::string>{"拒绝访问。"});
}

// The timer and the completed page both try: each document gets its scripting object once per
// showing, in a page with frames too, and a document shown again (from the history) gets a new one.
TEST_F(PageHookTest, BindsEachDocumentOncePerShowing) {
    auto top = Document("top");
    auto second = Document("second");
    auto framed = std::make_shared<FakeDocument>();
    framed->frames = {{true, top}, {true, second}};
    for (int attempt = 0; attempt < 3; ++attempt) {
        BindOutcome outcome = hook.BindFacade(*framed);
        EXPECT_TRUE(outcome.bound) << attempt;
        EXPECT_TRUE(outcome.errors.empty()) << attempt;
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"top.SetTesraBrowserService(service)",
                                               "second.SetTesraBrowserService(service)"}));
    EXPECT_NE(hook.FacadeHost(), nullptr);
    top->bound = false;  // shown again
    EXPECT_TRUE(hook.BindFacade(*framed).bound);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls.back(), "top.SetTesraBrowserService(service)");
}

// A hand-over that fails is no binding: the next attempt calls again.
TEST_F(PageHookTest, AFailedHandOverIsTriedAgain) {
    auto document = Document("top");
    document->byId->properties["Content"]->properties[kFacadeName]->failCalls = true;
    EXPECT_FALSE(hook.BindFacade(*document).bound);
    EXPECT_FALSE(document->bound);
    document->byId->properties["Content"]->properties[kFacadeName]->failCalls = false;
    EXPECT_TRUE(hook.BindFacade(*document).bound);
    EXPECT_EQ(calls, std::vector<std::string>{"top.SetTesraBrowserService(service)"});
}

TEST(PageHook, VersionStatementKeepsTheVersionUnquoted) {
    EXPECT_EQ(VersionStatement("11.0000"), "window. __TesraBrowser_IEVersion = 11.0000");
    EXPECT_EQ(VersionStatement(""), "window. __TesraBrowser_IEVersion = ");
}

}  // namespace
}  // namespace tesra
