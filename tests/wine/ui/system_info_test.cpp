// The System Information lookup against registry fixtures, with the start
// observed through the seam and the real start of a stand-in program.
#include <gtest/gtest.h>

#include <optional>

#include "tests/wine/ui/ui_test_support.h"
#include "ui/system_info.h"

namespace sonarel::testing {
namespace {

constexpr const wchar_t* unavailable = L"System Information Is Unavailable At This Time";

std::string utf16Bytes(const std::wstring& text, bool terminated = true) {
    const char* data = reinterpret_cast<const char*>(text.c_str());
    return std::string(data, data + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

class SystemInfoTest : public ::testing::Test {
protected:
    // Runs StartSysInfo; a message box that comes is checked and dismissed.
    void startSysInfo() {
        ModalScript script;
        script.waitFor("a message box", [&] {
            HWND box = findMessageBox(unavailable);
            if (!box) return false;
            messageShown = true;
            EXPECT_EQ(GetWindow(box, GW_OWNER), owner.handle());
            for (HWND child : childrenInOrder(box))
                if (classOf(child) == L"Button" && IsWindowVisible(child)) {
                    EXPECT_EQ(textOf(child), L"OK") << "an OK button only";
                    click(child);
                }
            return true;
        });
        StartSysInfo(owner.handle(), [&](const std::wstring& path) {
            startedPaths.push_back(path);
            return startProgram(path);
        });
    }

    ComApartment apartment;
    SystemInfoRegistry registry;
    SystemInfoStandIn standIn;
    TestWindow owner;
    std::vector<std::wstring> startedPaths;
    bool messageShown = false;
};

TEST_F(SystemInfoTest, FindsAndStartsTheToolOrSaysItIsUnavailable) {
    const std::wstring pathProgram = standIn.folder(L"Path Tool") + L"\\tool with blanks.exe";
    standIn.placeAt(pathProgram);
    const std::wstring withTool = standIn.folder(L"MSInfo Folder");
    standIn.placeAt(withTool + L"\\MSINFO32.EXE");
    const std::wstring withoutTool = standIn.folder(L"Empty Folder");
    const std::wstring hiddenTool = standIn.folder(L"Hidden Folder");
    standIn.placeAt(hiddenTool + L"\\MSINFO32.EXE");
    SetFileAttributesW((hiddenTool + L"\\MSINFO32.EXE").c_str(), FILE_ATTRIBUTE_HIDDEN);

    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::wstring> startTried;
        std::optional<std::wstring> started;  // where the stand-in ran from
    };
    const std::wstring nothing = standIn.folder(L"Nowhere") + L"\\missing.exe";
    const Case cases[] = {
        {"no keys", [] {}, {}, {}},
        {"the MSINFO key without PATH", [&] { registry.createEmptyMsinfoKey(); }, {}, {}},
        {"PATH present and startable", [&] { registry.setPath(pathProgram); }, {pathProgram}, pathProgram},
        {"PATH naming nothing: the folder is not tried",
         [&] {
             registry.setPath(nothing);
             registry.setFolder(withTool);
         },
         {nothing}, {}},
        {"a zero-byte PATH: the folder is not tried",
         [&] {
             registry.setPath(REG_SZ, "");
             registry.setFolder(withTool);
         },
         {}, {}},
        {"PATH of another string type reads as empty",
         [&] { registry.setPath(REG_EXPAND_SZ, utf16Bytes(pathProgram)); }, {L""}, {}},
        {"PATH without its terminating NUL",
         [&] { registry.setPath(REG_SZ, utf16Bytes(pathProgram, false)); }, {pathProgram}, pathProgram},
        {"the MSINFO folder with MSINFO32.EXE",
         [&] { registry.setFolder(withTool); }, {withTool + L"\\MSINFO32.EXE"}, withTool + L"\\MSINFO32.EXE"},
        {"the MSINFO folder without MSINFO32.EXE", [&] { registry.setFolder(withoutTool); }, {}, {}},
        {"a hidden MSINFO32.EXE is no normal file", [&] { registry.setFolder(hiddenTool); }, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        deleteRegTree(HKEY_LOCAL_MACHINE, SystemInfoRegistry::msinfoKey);
        deleteRegTree(HKEY_LOCAL_MACHINE, SystemInfoRegistry::locationKey);
        standIn.forget();
        startedPaths.clear();
        messageShown = false;
        c.arrange();

        startSysInfo();
        EXPECT_EQ(startedPaths, c.startTried);
        EXPECT_EQ(messageShown, !c.started.has_value());
        if (c.started) {
            ASSERT_TRUE(waitUntil([&] { return standIn.startedFrom().has_value(); }));
            EXPECT_EQ(standIn.startedFrom(), c.started);
            EXPECT_EQ(standIn.showState(), DWORD{SW_SHOWNORMAL}) << "a normal, focused window";
        } else {
            EXPECT_FALSE(standIn.startedFrom().has_value());
        }
    }
}

class GetKeyValueTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* keyPath = L"Software\\Sonarel Tests\\GetKeyValue";
    static constexpr const char* ansiKeyPath = "Software\\Sonarel Tests\\GetKeyValue";
    void SetUp() override { deleteRegTree(HKEY_CURRENT_USER, keyPath); }
    void TearDown() override {
        deleteRegTree(HKEY_CURRENT_USER, keyPath);
        removeTestsKeyIfEmpty();
    }
};

TEST_F(GetKeyValueTest, ReadsTheValueByItsType) {
    // The store keeps texts in UTF-16; the ANSI read converts them.
    auto text = [](const std::wstring& value, bool terminated = true) { return utf16Bytes(value, terminated); };
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        bool read;
        std::wstring value;  // starts as "before"
    };
    const Case cases[] = {
        {"text", REG_SZ, text(L"C:\\Tools\\info.exe"), true, L"C:\\Tools\\info.exe"},
        {"text without NUL", REG_SZ, text(L"C:\\x", false), true, L"C:\\x"},
        {"1024 characters fit", REG_SZ, text(std::wstring(1024, L'a'), false), true, std::wstring(1024, L'a')},
        {"1023 and a NUL fit", REG_SZ, text(std::wstring(1023, L'a')), true, std::wstring(1023, L'a')},
        {"1025 do not", REG_SZ, text(std::wstring(1025, L'a'), false), false, L""},
        {"a number", REG_DWORD, std::string("\x1A\0\0\0", 4), true, L"26"},
        {"another string type keeps the value", REG_EXPAND_SZ, text(L"C:\\y"), true, L"before"},
        {"binary keeps the value", REG_BINARY, "\x01\x02", true, L"before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeRegValue(HKEY_CURRENT_USER, keyPath, L"Value", c.type, c.bytes.data(),
                      static_cast<DWORD>(c.bytes.size()));
        std::wstring value = L"before";
        EXPECT_EQ(GetKeyValue(HKEY_CURRENT_USER, ansiKeyPath, "Value", value), c.read);
        EXPECT_EQ(value, c.value);
    }
}

TEST_F(GetKeyValueTest, MissingKeysAndValuesReadAsEmptyAndZeroBytesThrow) {
    std::wstring value = L"before";
    EXPECT_FALSE(GetKeyValue(HKEY_CURRENT_USER, ansiKeyPath, "Value", value));
    EXPECT_EQ(value, L"");

    writeRegText(HKEY_CURRENT_USER, keyPath, L"Other", L"x");
    value = L"before";
    EXPECT_FALSE(GetKeyValue(HKEY_CURRENT_USER, ansiKeyPath, "Value", value));
    EXPECT_EQ(value, L"");

    writeRegValue(HKEY_CURRENT_USER, keyPath, L"Value", REG_SZ, "", 0);
    EXPECT_ANY_THROW(GetKeyValue(HKEY_CURRENT_USER, ansiKeyPath, "Value", value));
}

}  // namespace
}  // namespace sonarel::testing
