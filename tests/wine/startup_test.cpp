// Start-up runs once per thread, before the first object reaches the host.
#include "common/dispatch.h"
#include "settings/settings_store.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

std::vector<std::wstring> storedKeys() {
    std::vector<std::wstring> names;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsStore::keyPath, 0, KEY_READ, &raw) != ERROR_SUCCESS) return names;
    UniqueRegKey key(raw);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumValueW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

std::wstring onOff() { return SettingsStore().ReadSetting(keys::onOff); }

TEST(Startup, EmptyStoreGetsOnOffOneAndNothingElse) {
    CleanSettings clean;
    onNewApartmentThread([] { createPlugin(); });
    EXPECT_EQ(onOff(), L"1");
    EXPECT_EQ(storedKeys(), std::vector<std::wstring>{L"onOff"});
}

TEST(Startup, AnyStoredValueButTheEmptyTextIsKept) {
    for (const wchar_t* stored : {L"0", L"1", L"off", L" 1"}) {
        CleanSettings clean;
        SettingsStore().WriteSetting(keys::onOff, stored);
        onNewApartmentThread([] { createPlugin(); });
        EXPECT_EQ(onOff(), stored);
    }
    CleanSettings clean;
    SettingsStore().WriteSetting(keys::onOff, L"");
    onNewApartmentThread([] { createPlugin(); });
    EXPECT_EQ(onOff(), L"1");
}

TEST(Startup, RunsOncePerThreadNotPerObject) {
    CleanSettings clean;
    onNewApartmentThread([] {
        createPlugin();
        SettingsStore().WriteSetting(keys::onOff, L"");
        createPlugin();  // same thread: start-up does not run again
        EXPECT_EQ(onOff(), L"");
    });
    onNewApartmentThread([] { createPlugin(); });  // a new thread runs its own
    EXPECT_EQ(onOff(), L"1");
}

TEST(Startup, RunningTimerKeepsTheLibraryLoaded) {
    CleanSettings clean;
    createPlugin();  // starts this thread's timer
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_NE(GetModuleHandleW(L"SonarelPL.dll"), nullptr);
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"SonarelPL.dll"), "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);
}

TEST(Startup, InitializeDoesNotRunStartUp) {
    CleanSettings clean;
    onNewApartmentThread([] {
        ComPtr<IDispatch> plugin = createPlugin();
        SettingsStore().WriteSetting(keys::onOff, L"");
        Variant version(1L), email(L""), messenger;
        callMethod(plugin.Get(), L"Initialize", {version.get(), email.get(), messenger.get()});
        callMethod(plugin.Get(), L"Uninitialize");
    });
    EXPECT_EQ(onOff(), L"");
}

}  // namespace
}  // namespace sonarel::testing
