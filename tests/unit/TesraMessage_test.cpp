#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "services/BridgeProtocol.h"
#include "services/TesraBrowser_TLB.h"
#include "services/TesraMessageImpl.h"

namespace tesra {
namespace {

TEST(TypeLibrary, MembersKeepTheirSlotsAndDispids) {
    struct Row {
        int slot;
        int dispid;
        const char* name;
        size_t inParams;
        const char* retval;
    };
    const Row rows[] = {
        {7, 201, "ShowNewMessageHint", 2, nullptr}, {8, 202, "Close", 0, nullptr},
        {9, 203, "GetCaptureImage", 1, "Value"},    {10, 204, "RegisterHotKey", 4, "Vaule"},
        {11, 205, "Refresh", 0, nullptr},           {12, 206, "VersionInfo", 0, "Value"},
        {13, 207, "GetCPUInfo", 1, "Value"},        {14, 208, "GetMemoryInfo", 1, "Value"},
        {15, 209, "GetOSVersion", 0, "Value"},      {16, 210, "GetInstalledSoft", 0, "Value"},
    };
    ASSERT_EQ(tlb::Members().size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto& m = tlb::Members()[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(m.slot, rows[i].slot);
        EXPECT_EQ(m.dispid, rows[i].dispid);
        EXPECT_STREQ(m.name, rows[i].name);
        EXPECT_EQ(m.InParams().size(), rows[i].inParams);
        if (rows[i].retval) {
            ASSERT_NE(m.Retval(), nullptr);
            EXPECT_STREQ(m.Retval()->name, rows[i].retval);
        } else {
            EXPECT_EQ(m.Retval(), nullptr);
        }
    }
    EXPECT_EQ(tlb::GetIDOfName("registerhotkey"), 204);
    EXPECT_EQ(tlb::GetIDOfName("VERSIONINFO"), 206);
    EXPECT_EQ(tlb::GetIDOfName("Nope"), tlb::DISPID_UNKNOWN);
    EXPECT_EQ(tlb::Members()[3].params[3].type, tlb::Type::Dispatch);
}

// The program's side: records each member's work.
class FakeServices {
public:
    std::vector<std::string> calls;
    bool fail = false;

    bridge::None Serve(bridge::RequestNamed<"Service.ShowNewMessageHint">, const bridge::Number& count) {
        Record("hint " + std::to_string(count.value));
        return {};
    }
    bridge::None Serve(bridge::RequestNamed<"Service.Close">, const bridge::None&) {
        Record("close");
        return {};
    }
    bridge::Text Serve(bridge::RequestNamed<"Service.GetCaptureImage">, const bridge::Number& mode) {
        Record("capture " + std::to_string(mode.value));
        return {"/9j/"};
    }
    bridge::Flag Serve(bridge::RequestNamed<"Service.RegisterHotKey">, const bridge::HotKeyRegistration& key) {
        Record("hotkey " + std::to_string(key.id) + " " + std::to_string(key.modifier) + " " + std::to_string(key.vk) +
               " " + std::to_string(key.facade));
        return {true};
    }
    bridge::None Serve(bridge::RequestNamed<"Service.Refresh">, const bridge::None&) {
        Record("refresh");
        return {};
    }
    bridge::Text Serve(bridge::RequestNamed<"Service.VersionInfo">, const bridge::None&) {
        Record("version");
        return {"1.0.0.41,2026-12-10"};
    }
    bridge::Text Serve(bridge::RequestNamed<"Service.InstalledSoft">, const bridge::None&) {
        Record("soft");
        return {"【a】"};
    }

private:
    void Record(const std::string& call) {
        calls.push_back(call);
        if (fail) throw Exception("截屏失败：无法打开显示");
    }
};

// Asks the fake as the page bridge asks the program: through the handler of the member's request.
class ServedChannel : public ServiceChannel {
public:
    explicit ServedChannel(FakeServices& services) : services_(services) {}
    bridge::VariantPtr Ask(const char* name, GVariant* payload) override {
        bridge::VariantPtr owned(g_variant_ref_sink(payload));
        return bridge::VariantPtr(
            g_variant_ref_sink(bridge::ServeRequest(services_, name, owned.get(), bridge::kMemberRequests)));
    }

private:
    FakeServices& services_;
};

TEST(TesraMessage, InvokeForwardsPositionalArguments) {
    FakeServices channel;
    ServedChannel served(channel);
    TTesraMessage object(served);
    EXPECT_EQ(object.Invoke(201, {3, std::string("cmd")}).hresult, tlb::S_OK);
    EXPECT_EQ(object.Invoke(201, {3, std::monostate{}}).hresult, tlb::S_OK);
    auto capture = object.Invoke(203, {1});
    EXPECT_EQ(std::get<std::string>(capture.value), "/9j/");
    auto hotkey = object.Invoke(204, {1, 3, 70, FacadeRef{9}});
    EXPECT_EQ(std::get<bool>(hotkey.value), true);
    EXPECT_EQ(std::get<std::string>(object.Invoke(206, {}).value), "1.0.0.41,2026-12-10");
    EXPECT_EQ(std::get<std::string>(object.Invoke(210, {}).value), "【a】");
    object.Invoke(202, {});
    object.Invoke(205, {});
    EXPECT_EQ(channel.calls, (std::vector<std::string>{"hint 3", "hint 3", "capture 1", "hotkey 1 3 70 9", "version",
                                                       "soft", "close", "refresh"}));
}

TEST(TesraMessage, ClientInformationMembersAnswerEmptyWhateverTheMode) {
    FakeServices channel;
    ServedChannel served(channel);
    TTesraMessage object(served);
    for (const Variant& mode : {Variant{0}, Variant{7}, Variant{std::string("x")}, Variant{FacadeRef{1}}, Variant{}}) {
        for (int dispid : {207, 208}) {
            auto result = object.Invoke(dispid, {mode});
            EXPECT_EQ(result.hresult, tlb::S_OK);
            EXPECT_EQ(std::get<std::string>(result.value), "");
        }
    }
    EXPECT_EQ(std::get<std::string>(object.Invoke(209, {}).value), "");
    EXPECT_TRUE(channel.calls.empty());
}

TEST(TesraMessage, FailuresBecomeResultCodesWithTheMessage) {
    FakeServices channel;
    channel.fail = true;
    ServedChannel served(channel);
    TTesraMessage object(served);
    auto capture = object.Invoke(203, {1});
    EXPECT_EQ(capture.hresult, tlb::E_UNEXPECTED);
    EXPECT_EQ(capture.description, "截屏失败：无法打开显示");
    EXPECT_EQ(std::get<std::string>(capture.value), "");
    auto hotkey = object.Invoke(204, {1, 2, 3, FacadeRef{}});
    EXPECT_EQ(hotkey.hresult, tlb::E_UNEXPECTED);
    EXPECT_EQ(hotkey.value, Variant{false});
    auto close = object.Invoke(202, {});
    EXPECT_EQ(close.hresult, tlb::E_UNEXPECTED);
    EXPECT_EQ(close.description, "截屏失败：无法打开显示");
    EXPECT_EQ(close.value, Variant{});
}

// Every member of the type information dispatches from the table: called with an argument of each
// declared type it succeeds with a value of its retval's type, and each member's request reaches the
// program once, in interface order; the client information members ask nothing.
TEST(TesraMessage, EveryMemberOfTheTypeInformationDispatches) {
    FakeServices channel;
    ServedChannel served(channel);
    TTesraMessage object(served);
    for (const tlb::Member& member : tlb::Members()) {
        SCOPED_TRACE(member.name);
        std::vector<Variant> args;
        for (const tlb::Param& param : member.InParams()) {
            if (param.type == tlb::Type::Dispatch)
                args.emplace_back(FacadeRef{5});
            else if (param.type == tlb::Type::Bstr)
                args.emplace_back(std::string("x"));
            else
                args.emplace_back(2);
        }
        auto result = object.Invoke(tlb::GetIDOfName(member.name), args);
        EXPECT_EQ(result.hresult, tlb::S_OK) << result.description;
        const tlb::Param* retval = member.Retval();
        if (!retval)
            EXPECT_TRUE(std::holds_alternative<std::monostate>(result.value));
        else if (retval->type == tlb::Type::BoolPtr)
            EXPECT_TRUE(std::holds_alternative<bool>(result.value));
        else
            EXPECT_TRUE(std::holds_alternative<std::string>(result.value));
    }
    EXPECT_EQ(channel.calls, (std::vector<std::string>{"hint 2", "close", "capture 2", "hotkey 2 2 2 5", "refresh",
                                                       "version", "soft"}));
}

TEST(TesraMessage, RejectsBadDispatch) {
    FakeServices channel;
    ServedChannel served(channel);
    TTesraMessage object(served);
    EXPECT_EQ(object.Invoke(999, {}).hresult, tlb::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(object.Invoke(203, {}).hresult, tlb::DISP_E_BADPARAMCOUNT);
    auto bad = object.Invoke(203, {std::string("abc")});
    EXPECT_EQ(bad.hresult, tlb::E_UNEXPECTED);
    EXPECT_FALSE(bad.description.empty());
    EXPECT_TRUE(channel.calls.empty());
}

TEST(NullConversion, NullIsZeroAndEmptyText) {
    EXPECT_EQ(VariantToInt(Variant{}), 0);
    EXPECT_EQ(VariantToText(Variant{}), "");
    EXPECT_EQ(VariantToInt(std::string("42")), 42);
    EXPECT_EQ(VariantToText(7), "7");
}

}  // namespace
}  // namespace tesra
