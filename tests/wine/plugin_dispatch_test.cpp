// Every method of the plug-in called by name through IDispatch, with
// by-reference arguments as a late-binding host passes them.
#include "SonarelPL.h"
#include "common/dispatch.h"
#include "settings/settings_store.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override { plugin = createPlugin(); }

    bool parseCommand(const std::wstring& command, ByRef<std::wstring>& result) {
        Variant text(command), arg(L""), window;
        window.get()->vt = VT_DISPATCH;
        window.get()->pdispVal = nullptr;
        Variant answer = callMethod(plugin.Get(), L"ParseCommand", {text.get(), arg.get(), window.get(), &result.arg});
        EXPECT_EQ(answer.type(), VT_BOOL);
        return answer.get()->boolVal == VARIANT_TRUE;
    }
    std::wstring onOff() { return SettingsStore().ReadSetting(keys::onOff); }

    CleanSettings clean;
    ComPtr<IDispatch> plugin;
};

TEST_F(DispatchTest, InitializeAndUninitialize) {
    Variant version(7L), email(L"ann@example.org"), messenger;
    messenger.get()->vt = VT_DISPATCH;
    messenger.get()->pdispVal = nullptr;
    Variant started = callMethod(plugin.Get(), L"Initialize", {version.get(), email.get(), messenger.get()});
    EXPECT_EQ(started.type(), VT_BOOL);
    EXPECT_EQ(started.get()->boolVal, VARIANT_TRUE);
    Variant ended = callMethod(plugin.Get(), L"Uninitialize");
    EXPECT_EQ(ended.type(), VT_EMPTY);
}

TEST_F(DispatchTest, PublishInfoFillsByReferenceArguments) {
    ByRef<std::wstring> name(L"before");
    ByRef<long> commands(-1), tags(-1);
    Variant answer = callMethod(plugin.Get(), L"GetPublishInfo", {&name.arg, &commands.arg, &tags.arg});
    EXPECT_EQ(answer.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(name.str(), L"Sonarel Plugin");
    EXPECT_EQ(commands.value, 4);
    EXPECT_EQ(tags.value, 0);
}

TEST_F(DispatchTest, PublishCommandInfoTable) {
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"before", L"before"}, {L"Options", L"xwinampoptions"}, {L"About", L"xwinampabout"},
        {L"On", L"xwinampon"}, {L"Off", L"xwinampoff"}, {L"before", L"before"}};
    for (long index = 0; index <= 5; ++index) {
        ByRef<std::wstring> name(L"before"), value(L"before"), help(L"help");
        Variant idx(index);
        Variant answer =
            callMethod(plugin.Get(), L"GetPublishCommandInfo", {idx.get(), &name.arg, &value.arg, &help.arg});
        SCOPED_TRACE(index);
        EXPECT_EQ(answer.type(), VT_EMPTY);
        EXPECT_EQ(name.str(), expected[index].first);
        EXPECT_EQ(value.str(), expected[index].second);
        EXPECT_EQ(help.str(), L"help");
    }
}

TEST_F(DispatchTest, ParseCommandSwitchesTheStoredFlag) {
    struct Case {
        const wchar_t* command;
        bool recognised;
        const wchar_t* onOffAfter;  // onOff starts as "x"
    };
    const Case cases[] = {
        {L"/xwinampon", true, L"1"},     {L"/xwinampoff", true, L"0"},   {L"/XWinampOn", true, L"1"},
        {L"/XWINAMPOFF", true, L"0"},    {L"xwinampon", false, L"x"},    {L"/xwinampon ", false, L"x"},
        {L"/xwinamp", false, L"x"},      {L"/xwinampoff now", false, L"x"}, {L"", false, L"x"},
    };
    for (const Case& c : cases) {
        SettingsStore().WriteSetting(keys::onOff, L"x");
        ByRef<std::wstring> result(L"kept");
        EXPECT_EQ(parseCommand(c.command, result), c.recognised);
        EXPECT_EQ(onOff(), c.onOffAfter);
        EXPECT_EQ(result.str(), L"kept");
    }
}

TEST_F(DispatchTest, RepeatedOffStoresZeroEachTime) {
    for (int i = 0; i < 2; ++i) {
        SettingsStore().WriteSetting(keys::onOff, L"1");
        ByRef<std::wstring> result(L"");
        EXPECT_TRUE(parseCommand(L"/xwinampoff", result));
        EXPECT_EQ(onOff(), L"0");
    }
}

// The window commands show modal windows; tests/wine/ui/ drives them.

TEST_F(DispatchTest, TagsAndNotificationsAreNeverHandled) {
    ByRef<std::wstring> result(L"kept");
    Variant tag(L"(!WAT)"), code(L"1"), text(L"hello"), window;
    Variant tagAnswer = callMethod(plugin.Get(), L"ParseTag", {tag.get(), window.get(), &result.arg});
    Variant notifyAnswer = callMethod(plugin.Get(), L"ReceiveNotify", {code.get(), text.get(), window.get(), &result.arg});
    EXPECT_EQ(tagAnswer.get()->boolVal, VARIANT_FALSE);
    EXPECT_EQ(notifyAnswer.get()->boolVal, VARIANT_FALSE);
    EXPECT_EQ(result.str(), L"kept");
}

TEST_F(DispatchTest, VtableAndDispatchReachTheSameCode) {
    ComPtr<_winamp> direct;
    ASSERT_HRESULT_SUCCEEDED(plugin.As(&direct));
    Bstr name(L"x");
    long commands = 0, tags = 7;
    VARIANT_BOOL answer = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(direct->GetPublishInfo(name.address(), &commands, &tags, &answer));
    EXPECT_EQ(name.str(), L"Sonarel Plugin");
    EXPECT_EQ(answer, VARIANT_TRUE);

    UINT count = 0;
    EXPECT_HRESULT_SUCCEEDED(plugin->GetTypeInfoCount(&count));
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    EXPECT_HRESULT_SUCCEEDED(plugin->GetTypeInfo(0, 0, &info));
    EXPECT_HRESULT_FAILED(plugin->GetTypeInfo(1, 0, &info));
}

TEST_F(DispatchTest, EachRequestCreatesANewObject) {
    ComPtr<IDispatch> other = createPlugin();
    ComPtr<IUnknown> a, b;
    plugin.As(&a);
    other.As(&b);
    EXPECT_NE(a.Get(), b.Get());
}

TEST_F(DispatchTest, UnknownNamesAndBadArgumentCountsFailCleanly) {
    EXPECT_THROW(callMethod(plugin.Get(), L"NoSuchMethod"), HResultError);
    EXPECT_THROW(callMethod(plugin.Get(), L"ParseCommand"), HResultError);
    Variant one(L"/xwinampon");
    EXPECT_THROW(callMethod(plugin.Get(), L"ParseCommand", {one.get()}), HResultError);
}

}  // namespace
}  // namespace sonarel::testing

namespace sonarel::testing {
namespace {

TEST_F(DispatchTest, MissingObjectsAsEmptyOrNullVariantsAreAccepted) {
    for (VARTYPE nothing : {VT_EMPTY, VT_NULL}) {
        Variant command(L"/xwinampon"), arg(L""), window;
        window.get()->vt = nothing;
        ByRef<std::wstring> result(L"kept");
        Variant answer = callMethod(plugin.Get(), L"ParseCommand", {command.get(), arg.get(), window.get(), &result.arg});
        EXPECT_EQ(answer.get()->boolVal, VARIANT_TRUE);
        Variant version(1L), email(L"x"), messenger;
        messenger.get()->vt = nothing;
        EXPECT_EQ(callMethod(plugin.Get(), L"Initialize", {version.get(), email.get(), messenger.get()}).get()->boolVal,
                  VARIANT_TRUE);
    }
}

}  // namespace
}  // namespace sonarel::testing
