#include <gtest/gtest.h>

#include "platform/Exception.h"
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

class FakeChannel : public ServiceChannel {
public:
    std::vector<std::string> calls;
    bool fail = false;

    void ShowNewMessageHint(std::int32_t count) override { Record("hint " + std::to_string(count)); }
    void Close() override { Record("close"); }
    std::string GetCaptureImage(std::int32_t mode) override {
        Record("capture " + std::to_string(mode));
        return "/9j/";
    }
    bool RegisterHotKey(std::int32_t id, std::int32_t modifier, std::int32_t vk, FacadeRef facade) override {
        Record("hotkey " + std::to_string(id) + " " + std::to_string(modifier) + " " + std::to_string(vk) + " " +
               std::to_string(facade.id));
        return true;
    }
    void Refresh() override { Record("refresh"); }
    std::string VersionInfo() override {
        Record("version");
        return "1.0.0.41,2026-12-10";
    }
    std::string InstalledSoft() override {
        Record("soft");
        return "【a】";
    }

private:
    void Record(const std::string& call) {
        calls.push_back(call);
        if (fail) throw Exception("截屏失败：无法打开显示");
    }
};

TEST(TesraMessage, InvokeForwardsPositionalArguments) {
    FakeChannel channel;
    TTesraMessage object(channel);
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
    FakeChannel channel;
    TTesraMessage object(channel);
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
    FakeChannel channel;
    channel.fail = true;
    TTesraMessage object(channel);
    auto capture = object.Invoke(203, {1});
    EXPECT_EQ(capture.hresult, tlb::E_UNEXPECTED);
    EXPECT_EQ(capture.description, "截屏失败：无法打开显示");
    EXPECT_EQ(std::get<std::string>(capture.value), "");
    std::string out = "stale";
    EXPECT_EQ(object.GetCaptureImage(1, out), tlb::E_UNEXPECTED);
    EXPECT_EQ(out, "");
    bool registered = true;
    EXPECT_EQ(object.RegisterHotKey(1, 2, 3, {}, registered), tlb::E_UNEXPECTED);
    EXPECT_FALSE(registered);
}

TEST(TesraMessage, RejectsBadDispatch) {
    FakeChannel channel;
    TTesraMessage object(channel);
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
