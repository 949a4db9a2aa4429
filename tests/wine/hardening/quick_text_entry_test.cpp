// The host's quick-text entry in states the plug-in did not make: a key
// that cannot be written, and "AutoSend" of every type and size.
#include <gtest/gtest.h>

#include "tests/wine/hardening/hardening_support.h"

namespace sonarel::testing {
namespace {

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RawValue&) const = default;
};

RawValue readRaw(const std::wstring& path, const wchar_t* name) {
    RawValue value;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return value;
    UniqueRegKey key(raw);
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &value.type, nullptr, &bytes) != ERROR_SUCCESS) return {};
    value.data.resize(bytes);
    RegQueryValueExW(key.get(), name, nullptr, &value.type, value.data.data(), &bytes);
    return value;
}

TEST(QuickTextEntry, AutoSendIsWrittenAsOneExactlyWhenItReadsAsZero) {
    const RawValue one{REG_DWORD, {1, 0, 0, 0}};
    struct Case {
        const char* what;
        RawValue stored;
        bool readsAsZero;
    };
    const Case cases[] = {
        {"REG_SZ \"1\"", {REG_SZ, {'1', 0, 0, 0}}, true},
        {"REG_BINARY 1", {REG_BINARY, {1, 0, 0, 0}}, true},
        {"REG_DWORD_BIG_ENDIAN 1", {REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}}, true},
        {"REG_QWORD 1", {REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}}, true},
        {"REG_DWORD 0", {REG_DWORD, {0, 0, 0, 0}}, true},
        {"REG_DWORD of 2 bytes", {REG_DWORD, {1, 0}}, true},
        {"REG_DWORD of 8 bytes", {REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}}, true},
        {"REG_DWORD 1", {REG_DWORD, {1, 0, 0, 0}}, false},
        {"REG_DWORD -1", {REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}}, false},
        {"REG_DWORD 2", {REG_DWORD, {2, 0, 0, 0}}, false},
    };
    onNewApartmentThread([&] {
        DirectChain chain;
        Titles titles;
        ASSERT_TRUE(chain.openCommandConversation(titles.playing()));
        for (const Case& c : cases) {
            const std::wstring path = chain.quickTextPath();
            writeRegValue(HKEY_CURRENT_USER, path, L"AutoSend", c.stored.type, c.stored.data.data(),
                          static_cast<DWORD>(c.stored.data.size()));
            long long before = chain.host.sentCount();
            showAndTick(chain, titles.playing());
            EXPECT_EQ(readRaw(path, L"AutoSend"), c.readsAsZero ? one : c.stored) << c.what;
            EXPECT_TRUE(waitUntil([&] { return chain.host.sentCount() == before + 1; }, 2s)) << c.what;
            EXPECT_EQ(chain.host.sent().back().text, kListeningCommand) << c.what;
        }
    });
}

// A non-volatile key cannot be created below a volatile one: the entry
// cannot be written while its parent is volatile.
TEST(QuickTextEntry, UnwritableEntryKeepsTheTicksGoingAndTheNextWritableSwitchSends) {
    onNewApartmentThread([] {
        DirectChain chain;
        Titles titles;
        ASSERT_TRUE(chain.openCommandConversation(titles.playing()));
        const std::wstring entry = chain.quickTextPath();
        const std::wstring parent = entry.substr(0, entry.rfind(L'\\'));
        deleteRegTree(HKEY_CURRENT_USER, parent);
        HKEY raw = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &raw, nullptr),
                  ERROR_SUCCESS);
        UniqueRegKey volatileParent(raw);
        HKEY child = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, entry.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &child,
                                  nullptr),
                  ERROR_CHILD_MUST_BE_VOLATILE);

        int hotKeysBefore = chain.host.hotKeys();
        long long callsBefore = chain.names.calls(), sentBefore = chain.host.sentCount();
        switchAndRestore(chain, titles);
        switchAndRestore(chain, titles);
        EXPECT_GE(chain.names.calls() - callsBefore, 4) << "every decision ran";
        EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, entry));
        EXPECT_GT(chain.host.hotKeys(), hotKeysBefore) << "the keys were still pressed in the conversation";
        EXPECT_EQ(chain.host.sentCount(), sentBefore) << "without an entry the host sends nothing";
        EXPECT_EQ(chain.player.strayHotKeys(), 0);

        volatileParent.reset();
        deleteRegTree(HKEY_CURRENT_USER, parent);
        EXPECT_TRUE(deliversAgain(chain, titles));
        EXPECT_EQ(readRegDword(HKEY_CURRENT_USER, entry, L"AutoSend"), 1u);
    });
}

}  // namespace
}  // namespace sonarel::testing
