#include "services/HotKeyState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tesra {
namespace {

// The platform's hot keys: refuses the keys listed in taken, records what is asked.
struct FakeHotKeys : platform::HotKeys {
    std::vector<std::string>* log;
    std::vector<unsigned>* taken;
    platform::HotKeyCallback press;
    bool Register(int id, unsigned modifiers, unsigned vk) override {
        log->push_back("register " + std::to_string(id) + " " + std::to_string(modifiers) + " " + std::to_string(vk));
        return std::find(taken->begin(), taken->end(), vk) == taken->end();
    }
    bool Unregister(int id) override {
        log->push_back("unregister " + std::to_string(id));
        return true;
    }
};

class HotKeyStateTest : public testing::Test {
protected:
    void SetUp() override {
        platform::SetHotKeysFactory([this](platform::HotKeyCallback press) {
            ++receivers_;
            auto keys = std::make_unique<FakeHotKeys>();
            keys->log = &log_;
            keys->taken = &taken_;
            keys->press = std::move(press);
            keys_ = keys.get();
            return keys;
        });
    }
    void TearDown() override { platform::SetHotKeysFactory(nullptr); }

    // A facade that records the presses it receives under its name.
    HotKeyState::Facade Facade(const std::string& name) {
        return [this, name](int id) { calls_.push_back(name + " " + std::to_string(id)); };
    }

    std::vector<std::string> log_;
    std::vector<unsigned> taken_;
    std::vector<std::string> calls_;
    FakeHotKeys* keys_ = nullptr;
    int receivers_ = 0;
};

TEST_F(HotKeyStateTest, PressReachesTheFacadeOfTheLatestRegistration) {
    HotKeyState state;
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
    HotKeyState state;
    EXPECT_TRUE(state.RegisterHotKey(1, 3, 'F', Facade("A")));
    EXPECT_FALSE(state.RegisterHotKey(4, 3, 'Q', Facade("C")));
    EXPECT_EQ(state.HotKeyIds(), std::vector<int>{1});
    EXPECT_FALSE(state.HotKeyRegistered());
    keys_->press(1);
    keys_->press(4);
    EXPECT_EQ(calls_, std::vector<std::string>{"C 1"});
}

TEST_F(HotKeyStateTest, UnknownIdIsIgnored) {
    HotKeyState state;
    state.HotKeyPressed(1);  // before any registration
    state.RegisterHotKey(1, 3, 'F', Facade("A"));
    state.HotKeyPressed(99);
    EXPECT_TRUE(calls_.empty());
}

TEST_F(HotKeyStateTest, FailingFacadeCallIsPassedOn) {
    HotKeyState state;
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
            HotKeyState state;
            for (const auto& r : c.registrations) state.RegisterHotKey(r.id, 3, r.vk, Facade("A"));
            log_.clear();
        }
        EXPECT_EQ(log_, c.unregistered);
    }
}

}  // namespace
}  // namespace tesra
