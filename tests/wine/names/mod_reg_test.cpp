// modReg against the registry of the Wine prefix.
#include <gtest/gtest.h>

#include "names/mod_reg.h"
#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {
namespace {

const std::wstring kBase = L"Software\\SonarelTests\\modReg";

class ModRegTest : public ::testing::Test {
protected:
    void SetUp() override { deleteRegTree(HKEY_CURRENT_USER, kBase); }
    void TearDown() override { deleteRegTree(HKEY_CURRENT_USER, kBase); }

    void store(const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
        writeRegValue(HKEY_CURRENT_USER, kBase, name, type, data.data(), static_cast<DWORD>(data.size()));
    }
    std::pair<DWORD, std::vector<BYTE>> raw(const std::wstring& path, const wchar_t* name) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
        UniqueRegKey owner(key);
        DWORD type = 0, bytes = 0;
        RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes);
        std::vector<BYTE> data(bytes);
        RegQueryValueExW(key, name, nullptr, &type, data.data(), &bytes);
        return {type, data};
    }
};

TEST_F(ModRegTest, ReadRegDwordIsZeroForAnythingButAFourByteDword) {
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, kBase, L"AutoSend"), 0) << "missing key";
    store(L"Other", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, kBase, L"AutoSend"), 0) << "missing value";

    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
    };
    const Case cases[] = {
        {"dword 0", REG_DWORD, {0, 0, 0, 0}},
        {"text 1", REG_SZ, {'1', 0, 0, 0}},
        {"binary", REG_BINARY, {1, 0, 0, 0}},
        {"big endian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}},
        {"longer than 4 bytes", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"dword type, 8 bytes", REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"dword type, 2 bytes", REG_DWORD, {1, 0}},
    };
    for (const Case& c : cases) {
        store(L"AutoSend", c.type, c.data);
        EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, kBase, L"AutoSend"), 0) << c.what;
    }
}

TEST_F(ModRegTest, ReadRegDwordReadsSignedNumbers) {
    store(L"AutoSend", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, kBase, L"AutoSend"), 1);
    store(L"AutoSend", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, kBase, L"AutoSend"), -1);
}

TEST_F(ModRegTest, WritesCreateTheWholePathAndSayWhetherTheyStored) {
    const std::wstring deep = kBase + L"\\a\\b\\c";
    EXPECT_TRUE(WriteRegDword(HKEY_CURRENT_USER, deep, L"AutoSend", 1));
    EXPECT_EQ(readRegDword(HKEY_CURRENT_USER, deep, L"AutoSend"), 1u);
    const std::wstring other = kBase + L"\\x\\y";
    EXPECT_TRUE(WriteRegString(HKEY_CURRENT_USER, other, L"Message", L"/name Ann"));
    EXPECT_EQ(readRegText(HKEY_CURRENT_USER, other, L"Message"), L"/name Ann");

    const std::wstring tooLong = kBase + L"\\" + std::wstring(300, L'k');  // a key name has 255 at most
    EXPECT_FALSE(WriteRegDword(HKEY_CURRENT_USER, tooLong, L"AutoSend", 1));
    EXPECT_FALSE(WriteRegString(HKEY_CURRENT_USER, tooLong, L"Message", L"/name Ann"));
    EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, tooLong));
}

TEST_F(ModRegTest, EmptyTextIsTheTerminatingNulAlone) {
    WriteRegString(HKEY_CURRENT_USER, kBase, L"Message", L"");
    auto [type, data] = raw(kBase, L"Message");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, (std::vector<BYTE>{0, 0}));
}

TEST_F(ModRegTest, NoCharacterOfTheTextIsLost) {
    const std::wstring text = L"/name Zo\u00eb \u65e5\u672c\u8a9e \u266a (!WAT)";
    WriteRegString(HKEY_CURRENT_USER, kBase, L"Message", text);
    EXPECT_EQ(readRegText(HKEY_CURRENT_USER, kBase, L"Message"), text);
}

TEST_F(ModRegTest, WritingReplacesDataAndType) {
    WriteRegString(HKEY_CURRENT_USER, kBase, L"AutoSend", L"1");
    WriteRegDword(HKEY_CURRENT_USER, kBase, L"AutoSend", 7);
    auto [type, data] = raw(kBase, L"AutoSend");
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data, (std::vector<BYTE>{7, 0, 0, 0}));

    WriteRegString(HKEY_CURRENT_USER, kBase, L"AutoSend", L"two");
    EXPECT_EQ(readRegText(HKEY_CURRENT_USER, kBase, L"AutoSend"), L"two");
    WriteRegDword(HKEY_CURRENT_USER, kBase, L"AutoSend", -1);
    EXPECT_EQ(readRegDword(HKEY_CURRENT_USER, kBase, L"AutoSend"), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace sonarel::testing
