#include "services/HotKeyState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "PlatformFakes.h"

namespace tesra {
namespace {

class HotKeyStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        factory_.makeHotKeys = [this](platform::HotKeyCallback press) {
            ++receivers_;
            auto keys = std::make_unique<fakes::FakeHotKeys>();
            keys->log = &log_;
            keys->taken = &taken_;
            keys->press = std::move(press);
            keys_ = keys.get();
            return keys;
        };
    }

    // A facade that records the presses it receives under its name.
    HotKeyState::Facade Facade(const std::string& name) {
        return [this, name](int id) { calls_.push_back(name + " " + std::to_string(id)); };
    }

    std::vector<std::string> log_;
    std::vector<unsigned> taken_;
    std::vector<std::string> calls_;
    fakes::FakeFactory factory_;
    fakes::FakeHotKeys* keys_ = nullptr;
    int receivers_ = 0;
};

TEST_F(HotKeyStateTest, PressReachesTheFacadeOfTheLatestRegistration) {
    HotKeyState state(factory_);
    EXPECT_TRUE(state.RegisterHotKey(1, 3, 'F', Facade("A")));
    EXPECT_EQ(log_, std::vector<std::string>{"register 1 3 70"}) << "mask and code go to the platform unchanged";
    keys_->press(1);
    EXPECT_EQ(calls_, std::vector<std::string>{"A 1"});

    EXPECT_TRUE(state.RegisterHotKey(2, 2, 'G', Facade("B")));
    keys_->press(1);
    keys_->press(2);
    EXPECT_EQ(calls_, (std::vector<std::string>{"A 1", "B 1", "B 2"}));
    EXPECT_EQ(receivers_, 1) << "one set of hot keys for the main window";
}

TEST_F(HotKeyStateTest, RefusedRegistrationAddsNoIdButTakesTheFacade) {
    taken_ = {'Q'};
    HotKeyState state(factory_);
    EXPECT_TRUE(state.RegisterHotKey(1, 3, 'F', Facade("A")));
    EXPECT_FALSE(state.RegisterHotKey(4, 3, 'Q', Facade("C")));
    EXPECT_EQ(state.HotKeyIds(), std::vector<int>{1});
    EXPECT_FALSE(state.HotKeyRegistered());
    keys_->press(1);
    keys_->press(4);
    EXPECT_EQ(calls_, std::vector<std::string>{"C 1"});
}

TEST_F(HotKeyStateTest, UnknownIdIsIgnored) {
    HotKeyState state(factory_);
    state.HotKeyPressed(1);  // before any registration
    state.RegisterHotKey(1, 3, 'F', Facade("A"));
    state.HotKeyPressed(99);
    EXPECT_TRUE(calls_.empty());
}

TEST_F(HotKeyStateTest, FailingFacadeCallIsPassedOn) {
    HotKeyState state(factory_);
    state.RegisterHotKey(1, 3, 'F', [](int) { throw std::runtime_error("page left"); });
    EXPECT_THROW(state.HotKeyPressed(1), std::runtime_error);
}

TEST_F(HotKeyStateTest, DestructionUnregistersOnlyAfterASuccessfulLatestRegistration) {
    struct Registration {
        int id;
        unsigned vk;
    };
    struct Case {
        const char* name;
        std::vector<Registration> registrations;
        std::vector<std::string> unregistered;
    };
    const Case cases[] = {
        {"nothing registered", {}, {}},
        {"all in list order, duplicates too",
         {{1, 'F'}, {2, 'G'}, {1, 'H'}},
         {"unregister 1", "unregister 2", "unregister 1"}},
        {"refused key in between", {{1, 'F'}, {3, 'Q'}, {2, 'G'}}, {"unregister 1", "unregister 2"}},
        {"latest registration refused", {{1, 'F'}, {2, 'G'}, {3, 'Q'}}, {}},
    };
    taken_ = {'Q'};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            HotKeyState state(factory_);
            for (const auto& r : c.registrations) state.RegisterHotKey(r.id, 3, r.vk, Facade("A"));
            log_.clear();
        }
        EXPECT_EQ(log_, c.unregistered);
    }
}

}  // namespace
}  // namespace tesra
