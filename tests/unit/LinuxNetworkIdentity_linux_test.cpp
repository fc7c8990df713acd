// The machine's own address from the kernel: the routing table's default route and the interfaces.
#include "linux/LinuxNetworkIdentity.h"

#include <gtest/gtest.h>

namespace tesra::platform {
namespace {

const char kColumns[] = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

TEST(DefaultRoute, IsTheUpRouteToEverywhereWithTheLowestMetric) {
    struct Case {
        const char* what;
        std::string rows;
        std::string expected;
    };
    const Case cases[] = {
        {"one default route",
         "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
         "eth0\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n",
         "eth0"},
        {"the lower metric of two",
         "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
         "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n",
         "eth0"},
        {"a route that is down does not count",
         "eth0\t00000000\t0100A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n"
         "tun0\t00000000\t00000000\t0001\t0\t0\t900\t00000000\t0\t0\t0\n",
         "tun0"},
        {"no default route", "eth0\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n", ""},
        {"a cut-off row", "eth0\t00000000\t0100A8C0\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DefaultRouteInterfaceOf(kColumns + c.rows), c.expected);
    }
    EXPECT_EQ(DefaultRouteInterfaceOf(""), "");
}

TEST(LocalAddresses, ComeFromTheKernelWithLoopbackMarked) {
    LinuxNetworkIdentity network;
    bool loopback = false;
    for (const Ipv4Address& address : network.Ipv4Addresses()) {
        SCOPED_TRACE(address.interfaceName);
        EXPECT_FALSE(address.address.empty());
        if (address.address.rfind("127.", 0) == 0) {
            EXPECT_TRUE(address.loopback);
            loopback = true;
        }
    }
    EXPECT_TRUE(loopback) << "every machine has its loopback interface";
}

}  // namespace
}  // namespace tesra::platform
