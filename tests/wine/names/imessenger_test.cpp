// IMessenger and the form's window tracking, fed by the stand-in
// messenger's events.
#include <gtest/gtest.h>

#include "common/dispatch.h"
#include "names/frm_send_text.h"
#include "standins/messenger/standin_messenger.h"
#include "tests/fakes/fake_settings.h"
#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {
namespace {

using standin::StandInMessenger;

long handleOf(HWND window) { return static_cast<long>(reinterpret_cast<INT_PTR>(window)); }
long handleOf(IDispatch* window) { return getProperty(window, L"hWnd").number(); }

// Item through IDispatch, as a client of the collection calls it.
ComPtr<IDispatch> item(IDispatch* windows, Variant index) {
    return invokeByName(windows, L"Item", DISPATCH_PROPERTYGET, {index.get()}).object();
}
long count(IDispatch* windows) { return getProperty(windows, L"Count").number(); }

std::vector<long> enumerate(IDispatch* windows) {
    DISPPARAMS none{};
    Variant result;
    throwIfFailed(windows->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                  result.put(), nullptr, nullptr));
    ComPtr<IEnumVARIANT> items;
    throwIfFailed(result.get()->punkVal->QueryInterface(IID_PPV_ARGS(&items)));
    std::vector<long> handles;
    for (;;) {
        Variant window;
        if (items->Next(1, window.put(), nullptr) != S_OK) break;
        handles.push_back(handleOf(window.object().Get()));
    }
    return handles;
}

// The error an automation client sees: a member's failure comes back as
// an exception whose code is the member's error.
HRESULT failureOf(IDispatch* object, DISPID id, std::initializer_list<VARIANT*> args = {}) {
    std::vector<VARIANT> reversed;
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed.push_back(**it);
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    Variant result;
    EXCEPINFO exception{};
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, result.put(),
                                &exception, nullptr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return hr == DISP_E_EXCEPTION ? exception.scode : hr;
}

// The form, loaded against a stand-in messenger, on its own thread.
struct Tracking {
    Tracking() : messenger(L"ann@example.test", L"Ann") { messenger.registerClassObject(); }
    void load() {
        form.load();
        view = makeComObject<IMessenger>(windows);
    }
    StandInMessenger messenger;
    FakeSettings settings;
    ConversationWindows windows{std::in_place};
    frmSendText form{settings, windows};
    ComPtr<IMessenger> view;
    IDispatch* dispatch() { return view.Get(); }
};

TEST(ConversationTracking, OpenedWindowsAreRecordedInOrderAndClosedOnesRemoved) {
    onNewApartmentThread([] {
        Tracking t;
        t.load();
        ASSERT_TRUE(t.form.messengerConnected());
        HWND a = t.messenger.openConversation(L"a@example.test");
        HWND b = t.messenger.openConversation(L"b@example.test");
        ASSERT_TRUE(waitUntil([&] { return count(t.dispatch()) == 2; }));
        EXPECT_EQ(enumerate(t.dispatch()), (std::vector<long>{handleOf(a), handleOf(b)}));
        EXPECT_EQ(handleOf(item(t.dispatch(), Variant(L"HWND" + std::to_wstring(handleOf(a)))).Get()), handleOf(a));

        t.messenger.closeConversation(a);
        ASSERT_TRUE(waitUntil([&] { return count(t.dispatch()) == 1; }));
        EXPECT_EQ(handleOf(item(t.dispatch(), Variant(1L)).Get()), handleOf(b));
        EXPECT_EQ(enumerate(t.dispatch()), std::vector<long>{handleOf(b)});
    });
}

TEST(ConversationTracking, WindowsOpenBeforeTheFormLoadedAreNotRecorded) {
    onNewApartmentThread([] {
        Tracking t;
        HWND early = t.messenger.openConversation(L"early@example.test");
        pumpMessagesFor(100ms);  // its created event has gone out, to nobody
        t.load();
        HWND later = t.messenger.openConversation(L"later@example.test");
        ASSERT_TRUE(waitUntil([&] { return count(t.dispatch()) == 1; }));
        t.messenger.closeConversation(early);  // an unrecorded window: nothing changes
        pumpMessagesFor(100ms);
        EXPECT_EQ(enumerate(t.dispatch()), std::vector<long>{handleOf(later)});
    });
}

TEST(ConversationTracking, SameHandleTwiceKeepsTheFirstEntry) {
    onNewApartmentThread([] {
        Tracking t;
        t.load();
        t.messenger.openConversation(L"a@example.test");
        ASSERT_TRUE(waitUntil([&] { return count(t.dispatch()) == 1; }));
        ComPtr<IDispatch> first = item(t.dispatch(), Variant(1L));
        IDispatch* again = first.Get();
        ComPtr<IDispatch> added;
        EXPECT_EQ(t.view->AddWindow(&again, &added), keyAlreadyPresent);
        EXPECT_EQ(added, nullptr);
        t.form.oMessengerAPI_OnIMWindowCreated(first.Get());  // the handler ignores the failure
        EXPECT_EQ(count(t.dispatch()), 1);
    });
}

TEST(ConversationTracking, MissingPositionsAndKeysRaiseTheCollectionsError) {
    onNewApartmentThread([] {
        Tracking t;
        t.load();
        HWND a = t.messenger.openConversation(L"a@example.test");
        ASSERT_TRUE(waitUntil([&] { return count(t.dispatch()) == 1; }));
        Variant zero(0L), two(2L), unknownKey(L"HWND1"), otherCase(L"hwnd" + std::to_wstring(handleOf(a)));
        EXPECT_EQ(failureOf(t.dispatch(), dispidItem, {zero.get()}), subscriptOutOfRange);
        EXPECT_EQ(failureOf(t.dispatch(), dispidItem, {two.get()}), subscriptOutOfRange);
        EXPECT_EQ(failureOf(t.dispatch(), dispidItem, {unknownKey.get()}), invalidArgument);
        EXPECT_EQ(failureOf(t.dispatch(), dispidItem, {otherCase.get()}), invalidArgument);
        Variant key(L"HWND0");
        EXPECT_EQ(t.view->RemoveWindow(key.get()), S_OK) << "removing a missing key raises nothing";
        EXPECT_EQ(count(t.dispatch()), 1);
    });
}

TEST(ConversationTracking, WithoutTheCollectionEveryMemberFails) {
    ConversationWindows none;
    ComPtr<IMessenger> view = makeComObject<IMessenger>(none);
    Variant one(1L);
    EXPECT_EQ(failureOf(view.Get(), dispidCount), collectionNotCreated);
    EXPECT_EQ(failureOf(view.Get(), dispidItem, {one.get()}), collectionNotCreated);
    EXPECT_EQ(failureOf(view.Get(), dispidNewEnum), collectionNotCreated);
}

TEST(ConversationTracking, DispatchIdsAreTheFixedOnes) {
    ConversationWindows windows{std::in_place};
    ComPtr<IMessenger> view = makeComObject<IMessenger>(windows);
    struct Case {
        const wchar_t* name;
        DISPID id;
    };
    for (Case c : {Case{L"Item", 0}, Case{L"Count", 0x68030000}, Case{L"NewEnum", -4}}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
        DISPID id = 0;
        ASSERT_EQ(view->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << c.name;
        EXPECT_EQ(id, c.id) << c.name;
    }
    LPOLESTR hidden[] = {const_cast<LPOLESTR>(L"AddWindow")};
    DISPID id = 0;
    EXPECT_NE(view->GetIDsOfNames(IID_NULL, hidden, 1, LOCALE_USER_DEFAULT, &id), S_OK);
}

TEST(ConversationTracking, WithoutAMessengerTheFormStillLoads) {
    onNewApartmentThread([] {
        FakeSettings settings;
        ConversationWindows windows{std::in_place};
        frmSendText form(settings, windows);
        form.load();
        EXPECT_FALSE(form.messengerConnected());
        form.changeName();  // carries on past every failure
        form.changeNameBack();
        EXPECT_EQ(windows->count(), 0u);
    });
}

}  // namespace
}  // namespace sonarel::testing
