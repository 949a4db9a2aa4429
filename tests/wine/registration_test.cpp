// Self-registration with regsvr32 in the private prefix: machine-wide, and
// per user for users without administrator rights.
#include <gtest/gtest.h>

#include "SonarelPL.h"
#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {
namespace {

const std::wstring classes = L"Software\\Classes\\";
const std::wstring classKey = classes + L"CLSID\\" + guid(CLSID_winamp);
const std::wstring progIdKey = classes + L"SonarelPL.winamp";
const std::wstring typeLibKey = classes + L"TypeLib\\" + guid(LIBID_SonarelPL);
const std::wstring interfaceKey = classes + L"Interface\\" + guid(IID__winamp);

DWORD regsvr32(const std::wstring& switches) {
    return runProgram(L"regsvr32 /s " + switches + L" \"" + pluginPath() + L"\"").exitCode;
}

void expectRegistered(HKEY root) {
    EXPECT_EQ(lower(readRegText(root, classKey + L"\\InprocServer32", nullptr).value_or(L"")), lower(pluginPath()));
    EXPECT_EQ(readRegText(root, classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(readRegText(root, classKey + L"\\ProgID", nullptr), L"SonarelPL.winamp");
    EXPECT_EQ(readRegText(root, progIdKey + L"\\CLSID", nullptr), guid(CLSID_winamp));
    EXPECT_EQ(lower(readRegText(root, typeLibKey + L"\\1.0\\409\\win32", nullptr).value_or(L"")), lower(pluginPath()));
    EXPECT_TRUE(regKeyExists(root, interfaceKey));
}

void expectUnregistered(HKEY root) {
    EXPECT_FALSE(regKeyExists(root, classKey));
    EXPECT_FALSE(regKeyExists(root, progIdKey));
    EXPECT_FALSE(regKeyExists(root, typeLibKey));
    EXPECT_FALSE(regKeyExists(root, interfaceKey));
}

class RegistrationTest : public ::testing::Test {
protected:
    // Other test programs rely on the machine-wide registration.
    void TearDown() override { regsvr32(L""); }
};

TEST_F(RegistrationTest, MachineWideRegistersAndUnregistersEverything) {
    ASSERT_EQ(regsvr32(L""), 0u);
    expectRegistered(HKEY_LOCAL_MACHINE);

    CLSID found{};
    EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"SonarelPL.winamp", &found));
    EXPECT_EQ(found, CLSID_winamp);
    ComPtr<ITypeLib> registered;
    EXPECT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_SonarelPL, 1, 0, 0x409, &registered));

    ASSERT_EQ(regsvr32(L"/u"), 0u);
    expectUnregistered(HKEY_LOCAL_MACHINE);
    EXPECT_HRESULT_FAILED(CLSIDFromProgID(L"SonarelPL.winamp", &found));

    // Unregistering what is not registered is not an error.
    EXPECT_EQ(regsvr32(L"/u"), 0u);
}

TEST_F(RegistrationTest, PerUserRegistrationStaysBelowTheCurrentUser) {
    ASSERT_EQ(regsvr32(L"/u"), 0u);
    ASSERT_EQ(regsvr32(L"/n /i:user"), 0u);
    expectRegistered(HKEY_CURRENT_USER);
    expectUnregistered(HKEY_LOCAL_MACHINE);

    ASSERT_EQ(regsvr32(L"/u /n /i:user"), 0u);
    expectUnregistered(HKEY_CURRENT_USER);
}

TEST_F(RegistrationTest, OtherInstallCommandsRegisterNothing) {
    EXPECT_NE(regsvr32(L"/n /i:everyone"), 0u);
    EXPECT_NE(regsvr32(L"/n /i:quicktext"), 0u) << "the quick text is only ever given back";
    expectUnregistered(HKEY_CURRENT_USER);

    // Giving the user's quick text back leaves the registration as it was.
    ASSERT_EQ(regsvr32(L""), 0u);
    EXPECT_EQ(regsvr32(L"/u /n /i:quicktext"), 0u);
    expectRegistered(HKEY_LOCAL_MACHINE);
}

}  // namespace
}  // namespace sonarel::testing
