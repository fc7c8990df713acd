// The hot-key facades kept in a web process: each lives no longer than the document that handed it
// over is shown in its frame, and an id never finds another document's, page's or process's object.
// Documents are plain script objects here, shaped as the bridge's own world sees a document.

#include <gtest/gtest.h>
#include <jsc/jsc.h>
#include <unistd.h>

#include <functional>

#include "linux/bridge/FacadeTable.h"

namespace tesra::bridge {
namespace {

using ValuePtr = platform::GObjectPtr<JSCValue>;

class FacadeTableTest : public testing::Test {
public:
    // A document shown in a frame: its window records pagehide listeners, and hide() calls them.
    ValuePtr Document() {
        return Evaluate(
            "(() => { const listeners = [];"
            "  const window = { addEventListener(type, f) { if (type === 'pagehide') listeners.push(f); },"
            "                   hide() { listeners.forEach((f) => f({ persisted: false })); } };"
            "  return { defaultView: window }; })()");
    }
    ValuePtr Object() { return Evaluate("({ DoHotKey() {} })"); }
    ValuePtr Evaluate(const char* code) { return ValuePtr(jsc_context_evaluate(context_.get(), code, -1)); }

    // The document no longer shown: its frame was removed or navigated to another document.
    void Detach(JSCValue* document) {
        g_autoptr(JSCValue) null = jsc_value_new_null(context_.get());
        jsc_value_object_set_property(document, "defaultView", null);
    }
    void Hide(JSCValue* document) {
        ValuePtr window(jsc_value_object_get_property(document, "defaultView"));
        g_autoptr(JSCValue) result = jsc_value_object_invoke_method(window.get(), "hide", G_TYPE_NONE);
        ASSERT_EQ(jsc_context_get_exception(context_.get()), nullptr);
    }

protected:
    platform::GObjectPtr<JSCContext> context_{jsc_context_new()};
    FacadeTable table_;
};

TEST_F(FacadeTableTest, AFacadeIsFoundWhileItsDocumentIsShown) {
    ValuePtr document = Document(), facade = Object();
    std::uint64_t id = table_.AddDocument(document.get(), 1);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(table_.AddDocument(document.get(), 1), id) << "the same document keeps its number";
    FacadeRef ref = table_.Add(facade.get(), id);
    EXPECT_EQ(table_.Find(ref), facade.get());
    table_.Sweep();
    EXPECT_EQ(table_.Find(ref), facade.get()) << "a shown document survives a sweep";
}

// Each way a document goes; the facade of another document of the same page stays in every case.
TEST_F(FacadeTableTest, AFacadeGoesWithItsDocumentOnly) {
    struct Case {
        const char* name;
        std::function<void(JSCValue* document, std::uint64_t id)> end;
    };
    const Case cases[] = {
        {"pagehide", [&](JSCValue* d, std::uint64_t) { Hide(d); }},
        {"detached, then looked up", [&](JSCValue* d, std::uint64_t) { Detach(d); }},
        {"detached, then swept",
         [&](JSCValue* d, std::uint64_t) {
             Detach(d);
             table_.Sweep();
         }},
        {"released", [&](JSCValue*, std::uint64_t id) { table_.ReleaseDocument(id); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ValuePtr frame = Document(), live = Document(), gone = Object(), kept = Object();
        std::uint64_t frameId = table_.AddDocument(frame.get(), 7), liveId = table_.AddDocument(live.get(), 7);
        FacadeRef goneRef = table_.Add(gone.get(), frameId), keptRef = table_.Add(kept.get(), liveId);
        c.end(frame.get(), frameId);
        EXPECT_EQ(table_.Find(goneRef), nullptr);
        EXPECT_EQ(table_.Find(keptRef), kept.get());
        // Gone for good: a facade added for the document afterwards is not kept either.
        EXPECT_EQ(table_.Find(table_.Add(gone.get(), frameId)), nullptr);
    }
}

TEST_F(FacadeTableTest, APageTakesItsDocumentsWithIt) {
    ValuePtr first = Document(), second = Document(), other = Document();
    ValuePtr a = Object(), b = Object(), c = Object();
    FacadeRef ra = table_.Add(a.get(), table_.AddDocument(first.get(), 1));
    FacadeRef rb = table_.Add(b.get(), table_.AddDocument(second.get(), 1));
    FacadeRef rc = table_.Add(c.get(), table_.AddDocument(other.get(), 2));
    table_.ReleasePage(1);
    EXPECT_EQ(table_.Find(ra), nullptr);
    EXPECT_EQ(table_.Find(rb), nullptr);
    EXPECT_EQ(table_.Find(rc), c.get());
}

TEST_F(FacadeTableTest, AnIdFindsOnlyWhatThisTableAddedInThisProcess) {
    ValuePtr document = Document(), facade = Object();
    FacadeRef ref = table_.Add(facade.get(), table_.AddDocument(document.get(), 1));
    ASSERT_EQ(ref.id >> 32, static_cast<std::uint64_t>(getpid()));
    const FacadeRef foreign[] = {
        {ref.id ^ (std::uint64_t{1} << 40)},  // the same number from another web process
        {ref.id + 1},                         // not handed out
        {0},
    };
    for (FacadeRef other : foreign) EXPECT_EQ(table_.Find(other), nullptr) << other.id;
    // Without a document (the bridge's world could not see one) nothing is kept.
    EXPECT_EQ(table_.AddDocument(nullptr, 1), 0u);
    EXPECT_EQ(table_.Find(table_.Add(facade.get(), 0)), nullptr);
}

}  // namespace
}  // namespace tesra::bridge
