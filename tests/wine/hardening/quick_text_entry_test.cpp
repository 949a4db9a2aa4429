// The host's quick-text entry in states the plug-in did not make: a key
// that cannot be written, and "AutoSend" of every type and size.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <functional>
#include <memory>

#include "tests/wine/hardening/hardening_support.h"

namespace sonarel::testing {
namespace {

using standin::StoredValue;

// The host notes the entry as it read it at the hot key: the plug-in gives
// the entry back afterwards.
TEST(QuickTextEntry, AutoSendIsWrittenAsOneExactlyWhenItReadsAsZero) {
    const StoredValue one{REG_DWORD, {1, 0, 0, 0}};
    struct Case {
        const char* what;
        StoredValue stored;
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
            chain.messenger.setFriendlyName(kPlainName);  // set by hand, so that the song sends again
            showAndTick(chain, titles.playing());
            EXPECT_TRUE(waitUntil([&] {
                return chain.host.sentCount() == before + 1 && chain.messenger.friendlyName() == kListeningName;
            }, 2s)) << c.what;
            EXPECT_EQ(chain.host.entryAtLastHotKey().autoSend, c.readsAsZero ? one : c.stored) << c.what;
            EXPECT_EQ(chain.host.sent().back().text, kListeningCommand) << c.what;
            chain.tick();  // sees it show: every name sent showed, and they may follow at once
        }
    });
}

// A non-volatile key cannot be created below a volatile one: the entry
// cannot be created while its parent is volatile.
class VolatileParent {
public:
    explicit VolatileParent(const std::wstring& entry) : parent_(entry.substr(0, entry.rfind(L'\\'))) {
        deleteRegTree(HKEY_CURRENT_USER, parent_);
        HKEY raw = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, parent_.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &raw, nullptr),
                  ERROR_SUCCESS);
        key_.reset(raw);
        HKEY child = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, entry.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &child,
                                  nullptr),
                  ERROR_CHILD_MUST_BE_VOLATILE);
    }
    ~VolatileParent() {
        key_.reset();
        deleteRegTree(HKEY_CURRENT_USER, parent_);
    }

private:
    std::wstring parent_;
    UniqueRegKey key_;
};

// The entry as it is, its values readable, but the user may not set them:
// the host would send the message stored before.
class ReadOnlyEntry {
public:
    explicit ReadOnlyEntry(const std::wstring& entry) {
        HKEY raw = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, entry.c_str(), 0, KEY_ALL_ACCESS, &raw), ERROR_SUCCESS);
        key_.reset(raw);
        allow(L"D:P(A;;KR;;;WD)");
        HKEY writable = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, entry.c_str(), 0, KEY_SET_VALUE, &writable),
                  ERROR_ACCESS_DENIED);
        if (writable) RegCloseKey(writable);
    }
    ~ReadOnlyEntry() { allow(L"D:P(A;;KA;;;WD)"); }

private:
    void allow(const wchar_t* access) {
        PSECURITY_DESCRIPTOR raw = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(access, SDDL_REVISION_1, &raw, nullptr));
        std::unique_ptr<void, decltype(&LocalFree)> descriptor(raw, &LocalFree);
        EXPECT_EQ(RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, raw), ERROR_SUCCESS);
    }
    UniqueRegKey key_;
};

// Nothing is pressed while the entry cannot be written, so the host sends
// nothing, least of all the command stored before; every decision waits,
// and once the entry can be written the right names go out.
TEST(QuickTextEntry, UnwritableEntryPressesNothingAndTheNextWritableSwitchSends) {
    struct Case {
        const char* what;
        // Keeps the entry from being written until it is released.
        std::function<std::shared_ptr<void>(const std::wstring& entry)> make;
        bool keyStays;
    };
    const Case cases[] = {
        {"below a volatile key", [](const std::wstring& e) { return std::make_shared<VolatileParent>(e); }, false},
        {"read-only", [](const std::wstring& e) { return std::make_shared<ReadOnlyEntry>(e); }, true},
    };
    for (const Case& c : cases) {
        onNewApartmentThread([&] {
            DirectChain chain;
            Titles titles;
            ASSERT_TRUE(chain.openCommandConversation(titles.playing())) << c.what;
            const std::wstring entry = chain.quickTextPath();
            auto unwritable = c.make(entry);

            int hotKeysBefore = chain.host.hotKeys();
            long long callsBefore = chain.names.calls(), sentBefore = chain.host.sentCount();
            switchAndRestore(chain, titles);
            switchAndRestore(chain, titles);
            EXPECT_GE(chain.names.calls() - callsBefore, 4) << c.what << ": every decision ran";
            EXPECT_EQ(regKeyExists(HKEY_CURRENT_USER, entry), c.keyStays) << c.what;
            EXPECT_EQ(chain.host.hotKeys(), hotKeysBefore) << c.what << ": no key was pressed";
            EXPECT_EQ(chain.host.sentCount(), sentBefore) << c.what;
            EXPECT_EQ(chain.messenger.friendlyName(), kListeningName) << c.what << ": no restore reported as sent";
            EXPECT_EQ(chain.player.strayHotKeys(), 0) << c.what;

            unwritable.reset();
            chain.tick();  // the pending restore goes out
            ASSERT_TRUE(waitUntil([&] { return chain.host.sentCount() == sentBefore + 1; }, 2s)) << c.what;
            EXPECT_EQ(chain.host.sent().back().text, L"/name Ann") << c.what;
            EXPECT_TRUE(deliversAgain(chain, titles)) << c.what;
            EXPECT_EQ(chain.host.entryAtLastHotKey().autoSendNumber(), 1u) << c.what;
            // Once the name shows the entry is the user's again, who had no AutoSend.
            EXPECT_TRUE(waitUntil([&] {
                chain.tick();
                return !readRegDword(HKEY_CURRENT_USER, entry, L"AutoSend");
            }, 3s)) << c.what;
        });
    }
}

}  // namespace
}  // namespace sonarel::testing
