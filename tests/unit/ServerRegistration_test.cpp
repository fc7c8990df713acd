#include "services/ServerRegistration.h"

#include <gtest/gtest.h>

#include "registry/MemoryRegistry.h"
#include "services/TesraBrowser_TLB.h"

namespace tesra {
namespace {

using platform::RootKey;

class ServerRegistrationTest : public testing::Test {
protected:
    std::string Read(const std::string& path, const std::string& name = "") {
        auto key = registry.OpenKey(RootKey::CurrentUser, path, platform::Access::Read);
        return key ? key->ReadString(name) : "<missing>";
    }

    platform::MemoryRegistry registry;
};

TEST_F(ServerRegistrationTest, WritesClassInterfaceAndTypeLibrary) {
    RegisterServer(registry, "/home/u/.local/share/Kestal/TesraBrowser/TesraBrowser");
    const std::string clsid = std::string("Software\\Classes\\CLSID\\") + tlb::CLASS_TesraMessage;
    EXPECT_EQ(Read("Software\\Classes\\TesraBrowser.TesraMessage\\Clsid"), tlb::CLASS_TesraMessage);
    EXPECT_EQ(Read(clsid + "\\LocalServer32"), "\"/home/u/.local/share/Kestal/TesraBrowser/TesraBrowser\" /automation");
    EXPECT_EQ(Read(clsid + "\\TypeLib"), tlb::LIBID_TesraBrowser);
    const std::string typeLib = std::string("Software\\Classes\\TypeLib\\") + tlb::LIBID_TesraBrowser + "\\1.0";
    EXPECT_EQ(Read(typeLib), "TesraBrowser Library");
    EXPECT_EQ(Read(typeLib + "\\HELPDIR"), "/home/u/.local/share/Kestal/TesraBrowser");
    const std::string iface = std::string("Software\\Classes\\Interface\\") + tlb::IID_ITesraMessage;
    EXPECT_EQ(Read(iface), "ITesraMessage");
    EXPECT_EQ(Read(iface + "\\TypeLib", "Version"), "1.0");
}

TEST_F(ServerRegistrationTest, RegisteringAgainUpdatesAndUnregisteringRemovesAll) {
    RegisterServer(registry, "/old/TesraBrowser");
    RegisterServer(registry, "/new/TesraBrowser");
    const std::string clsid = std::string("Software\\Classes\\CLSID\\") + tlb::CLASS_TesraMessage;
    EXPECT_EQ(Read(clsid + "\\LocalServer32"), "\"/new/TesraBrowser\" /automation");
    UnregisterServer(registry);
    EXPECT_FALSE(registry.KeyExists(RootKey::CurrentUser, clsid));
    EXPECT_FALSE(registry.KeyExists(RootKey::CurrentUser, "Software\\Classes\\TesraBrowser.TesraMessage"));
    EXPECT_FALSE(registry.KeyExists(RootKey::CurrentUser,
                                    std::string("Software\\Classes\\TypeLib\\") + tlb::LIBID_TesraBrowser));
    EXPECT_TRUE(registry.KeyExists(RootKey::CurrentUser, "Software\\Classes"));
    UnregisterServer(registry);  // nothing left to remove is no error
}

}  // namespace
}  // namespace tesra
