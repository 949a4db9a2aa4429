// Whatever a host passes, the plug-in answers with its result or a failing
// HRESULT: it never crashes, and a refused call stores nothing.
#include <algorithm>

#include "SonarelPL.h"
#include "common/dispatch.h"
#include "settings/settings_store.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

class BadInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = createPlugin();
        SettingsStore().WriteSetting(keys::onOff, L"x");
    }
    std::wstring onOff() { return SettingsStore().ReadSetting(keys::onOff); }

    // Invokes by name with raw arguments (in parameter order); the HRESULT.
    HRESULT invoke(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result = nullptr) {
        DISPID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = plugin->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        if (FAILED(hr)) return hr;
        std::reverse(args.begin(), args.end());
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        Variant ignored;
        EXCEPINFO exception{};
        UINT argError = 0;
        hr = plugin->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result ? result : ignored.put(), &exception,
                            &argError);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        return hr;
    }

    static VARIANT of(VARTYPE type) {
        VARIANT v;
        VariantInit(&v);
        v.vt = type;
        return v;
    }
    static VARIANT text(BSTR value) {
        VARIANT v = of(VT_BSTR);
        v.bstrVal = value;
        return v;
    }
    static VARIANT number(long value) {
        VARIANT v = of(VT_I4);
        v.lVal = value;
        return v;
    }

    CleanSettings clean;
    ComPtr<IDispatch> plugin;
    Bstr on{L"/xwinampon"};
    Bstr empty{L""};
    Bstr resultText{L"kept"};
};

TEST_F(BadInputTest, TooFewOrTooManyArgumentsFailForEveryMethod) {
    const std::pair<const wchar_t*, size_t> methods[] = {
        {L"Initialize", 3}, {L"Uninitialize", 0}, {L"GetPublishInfo", 3}, {L"GetPublishCommandInfo", 4},
        {L"ParseCommand", 4}, {L"ParseTag", 3}, {L"ReceiveNotify", 4}};
    for (auto [name, count] : methods) {
        SCOPED_TRACE(::testing::Message() << "method " << std::string(name, name + wcslen(name)));
        std::vector<VARIANT> tooMany(count + 1, text(on.get()));
        EXPECT_HRESULT_FAILED(invoke(name, tooMany));
        if (count > 0) {
            std::vector<VARIANT> tooFew(count - 1, text(on.get()));
            EXPECT_HRESULT_FAILED(invoke(name, tooFew));
        }
    }
    EXPECT_EQ(onOff(), L"x");
}

TEST_F(BadInputTest, WrongTypesAreConvertedOrRefused) {
    VARIANT byRefResult = of(VT_BSTR | VT_BYREF);
    byRefResult.pbstrVal = resultText.address();
    struct Case {
        VARIANT command;
        bool succeeds;
    };
    const Case cases[] = {
        {of(VT_EMPTY), true},     // empty reads as the empty text: not a command
        {of(VT_NULL), false},     // no text at all: refused
        {number(5), true},        // "5": not a command
        {text(nullptr), true},    // a null string is the empty text
        {of(VT_DISPATCH), false}, // an object where a text belongs
    };
    for (const Case& c : cases) {
        Variant answer;
        HRESULT hr = invoke(L"ParseCommand", {c.command, text(empty.get()), of(VT_DISPATCH), byRefResult}, answer.put());
        EXPECT_EQ(SUCCEEDED(hr), c.succeeds) << std::hex << c.command.vt << " " << hr;
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(answer.get()->boolVal, VARIANT_FALSE);
        }
    }
    EXPECT_EQ(resultText.str(), L"kept");
    EXPECT_EQ(onOff(), L"x");
}

TEST_F(BadInputTest, NumbersAsTextsAndTextsAsNumbers) {
    Bstr name(L"n"), value(L"v"), help(L"h"), two(L"2"), word(L"two");
    auto byRef = [](Bstr& s) {
        VARIANT v = of(VT_BSTR | VT_BYREF);
        v.pbstrVal = s.address();
        return v;
    };
    EXPECT_HRESULT_SUCCEEDED(invoke(L"GetPublishCommandInfo", {text(two.get()), byRef(name), byRef(value), byRef(help)}));
    EXPECT_EQ(name.str(), L"About");
    EXPECT_HRESULT_FAILED(invoke(L"GetPublishCommandInfo", {text(word.get()), byRef(name), byRef(value), byRef(help)}));
    EXPECT_HRESULT_SUCCEEDED(invoke(L"GetPublishCommandInfo", {number(-7), byRef(name), byRef(value), byRef(help)}));
    EXPECT_EQ(name.str(), L"About");
}

TEST_F(BadInputTest, NullPointersThroughTheVtableFailCleanly) {
    ComPtr<_winamp> direct;
    ASSERT_HRESULT_SUCCEEDED(plugin.As(&direct));
    VARIANT_BOOL answer = VARIANT_TRUE;
    long count = 0;
    EXPECT_EQ(direct->ParseCommand(on.get(), nullptr, nullptr, nullptr, &answer), E_POINTER);
    EXPECT_EQ(direct->ParseCommand(on.get(), nullptr, nullptr, resultText.address(), nullptr), E_POINTER);
    EXPECT_EQ(direct->GetPublishInfo(nullptr, &count, &count, &answer), E_POINTER);
    EXPECT_EQ(direct->GetPublishCommandInfo(1, nullptr, nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(direct->Initialize(0, nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(direct->Uninitialize(nullptr), E_POINTER);
    EXPECT_EQ(onOff(), L"x");
    // Null texts in by-value and by-reference places are empty texts.
    Bstr nothing;
    EXPECT_HRESULT_SUCCEEDED(direct->ParseCommand(nullptr, nullptr, nullptr, nothing.address(), &answer));
    EXPECT_EQ(answer, VARIANT_FALSE);
    EXPECT_HRESULT_SUCCEEDED(direct->GetPublishInfo(nothing.address(), &count, &count, &answer));
    EXPECT_EQ(nothing.str(), L"Sonarel Plugin");
}

TEST_F(BadInputTest, AMegabyteCommandIsJustNotACommand) {
    Bstr huge(std::wstring(1 << 20, L'x'));
    Bstr hugeOn(L"/xwinampon" + std::wstring(1 << 20, L' '));
    VARIANT byRefResult = of(VT_BSTR | VT_BYREF);
    byRefResult.pbstrVal = resultText.address();
    for (BSTR command : {huge.get(), hugeOn.get()}) {
        Variant answer;
        ASSERT_HRESULT_SUCCEEDED(invoke(L"ParseCommand", {text(command), text(huge.get()), of(VT_DISPATCH), byRefResult},
                                        answer.put()));
        EXPECT_EQ(answer.get()->boolVal, VARIANT_FALSE);
    }
    EXPECT_EQ(onOff(), L"x");
}

// The settings key is made unwritable: a non-volatile key cannot be
// created below a volatile one.
class UnwritableStore {
public:
    UnwritableStore() {
        deleteRegTree(HKEY_CURRENT_USER, application);
        HKEY raw = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, application.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &raw, nullptr);
        key_.reset(raw);
    }
    ~UnwritableStore() {
        key_.reset();
        deleteRegTree(HKEY_CURRENT_USER, application);
    }
    static bool refusesWrites() {
        try {
            SettingsStore().WriteSetting(keys::onOff, L"1");
            return false;
        } catch (const HResultError&) {
            return true;
        }
    }

private:
    const std::wstring application = L"Software\\VB and VBA Program Settings\\Olvar's Sonarel Plugin";
    UniqueRegKey key_;
};

TEST(UnwritableSettings, CommandsFailWithTheHResultAndStartUpStillHandsOutObjects) {
    UnwritableStore store;
    ASSERT_TRUE(UnwritableStore::refusesWrites());

    ComPtr<IDispatch> plugin;
    onNewApartmentThread([&] {
        ComPtr<IDispatch> created = createPlugin();  // start-up cannot store onOff
        ComPtr<_winamp> direct;
        ASSERT_HRESULT_SUCCEEDED(created.As(&direct));
        Bstr command(L"/xwinampon"), result(L"kept");
        VARIANT_BOOL answer = VARIANT_TRUE;
        EXPECT_HRESULT_FAILED(direct->ParseCommand(command.get(), nullptr, nullptr, result.address(), &answer));
        EXPECT_EQ(answer, VARIANT_FALSE);
        EXPECT_EQ(result.str(), L"kept");
    });
    EXPECT_EQ(SettingsStore().ReadSetting(keys::onOff), L"");
}

}  // namespace
}  // namespace sonarel::testing
