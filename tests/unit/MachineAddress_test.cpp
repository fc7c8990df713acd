#include "services/MachineAddress.h"

#include <gtest/gtest.h>

#include "SupportFakes.h"
#include "shell/fuMain.h"

namespace tesra {
namespace {

class MachineAddressTest : public ::testing::Test {
protected:
    testing::FakeNetwork network;
};

platform::NetworkInterface Card(int index, bool ethernet, std::array<std::uint8_t, 6> mac) {
    return {index, ethernet, mac};
}

TEST(FormatMacAddress, WritesUpperCaseHexPairs) {
    EXPECT_EQ(FormatMacAddress({0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(FormatMacAddress({0xff, 0xff, 0xff, 0xff, 0xff, 0xff}), "FF-FF-FF-FF-FF-FF");
}

TEST_F(MachineAddressTest, TakesEthernetCardsInIndexOrderSkippingZero) {
    network.interfaces = std::vector{
        Card(3, true, {0, 0, 0, 0, 0, 3}),
        Card(1, false, {0, 0, 0, 0, 0, 9}),  // loopback or other type
        Card(2, true, {0, 0, 0, 0, 0, 0}),   // all zero
        Card(4, true, {0xaa, 0, 0, 0, 0, 4}),
    };
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(GetMacAddresses(network, "HOST", list), 4);
    EXPECT_EQ(list, (std::vector<std::string>{"00-00-00-00-00-03", "AA-00-00-00-00-04"}));
    EXPECT_EQ(GetMacOrComputerName(network), "00-00-00-00-00-03");
}

TEST_F(MachineAddressTest, FallsBackToTheComputerName) {
    network.name = "build-machine-of-the-team.example";
    network.interfaces = std::vector{Card(2, true, {0, 0, 0, 0, 0, 0})};
    EXPECT_EQ(GetMacAddress(network), "");
    EXPECT_EQ(GetMacOrComputerName(network), "BUILD-MACHINE-O");

    network.interfaces.reset();
    std::vector<std::string> list;
    EXPECT_EQ(GetMacAddresses(network, "X", list), -1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(GetMacOrComputerName(network), "BUILD-MACHINE-O");
}

TEST_F(MachineAddressTest, LocalAddressIsTheDefaultRoutesElseTheFirstOtherElseLoopback) {
    using A = platform::Ipv4Address;
    struct Case {
        const char* what;
        std::vector<A> addresses;
        std::string defaultInterface;
        std::string expected;
    };
    const Case cases[] = {
        {"the default route's interface wins",
         {{"lo", "127.0.0.1", true}, {"docker0", "172.17.0.1", false}, {"eth0", "192.0.2.7", false}},
         "eth0",
         "192.0.2.7"},
        {"no default route: the first other",
         {{"lo", "127.0.0.1", true}, {"wlan0", "10.0.0.5", false}, {"eth0", "192.0.2.7", false}},
         "",
         "10.0.0.5"},
        {"a default route without an address",
         {{"lo", "127.0.0.1", true}, {"eth1", "10.1.1.1", false}},
         "ppp0",
         "10.1.1.1"},
        {"only loopback", {{"lo", "127.0.0.1", true}, {"lo", "127.0.1.1", true}}, "", "127.0.0.1"},
        {"no address at all", {}, "eth0", "127.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        network.addresses = c.addresses;
        network.defaultInterface = c.defaultInterface;
        EXPECT_EQ(GetLocalIP(network), c.expected);
    }
}

TEST(AddMachineParam, AppendsToTheQuery) {
    EXPECT_EQ(AddMachineParam("http://host/app/", "00-1A"), "http://host/app/?__MAC=00-1A");
    EXPECT_EQ(AddMachineParam("http://host/app/a.aspx?x=1", "00-1A"), "http://host/app/a.aspx?x=1&__MAC=00-1A");
    EXPECT_EQ(AddMachineParam("http://host/?", "PC"), "http://host/?&__MAC=PC");
}

}  // namespace
}  // namespace tesra
