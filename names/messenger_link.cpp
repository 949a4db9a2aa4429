#include "names/messenger_link.h"

#include "common/dispatch.h"
#include "names/messenger_contract.h"

namespace sonarel {
namespace {

ComPtr<IDispatch> require(ComPtr<IDispatch> object) {
    if (!object) throw HResultError(E_POINTER);
    return object;
}

// The default member (a collection's Item) with one argument.
Variant invokeDefault(IDispatch* object, Variant argument) {
    if (!object) throw HResultError(E_POINTER);
    DISPPARAMS params{argument.get(), nullptr, 1, 0};
    Variant result;
    throwIfFailed(object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                 &params, result.put(), nullptr, nullptr));
    return result;
}

// A name the messenger gives: a string, or nothing at all (the empty
// name). A number or an object is no name; converting it would put "42"
// or an object's default value into the display name or the registry path,
// so such an answer counts as a failed read.
std::wstring nameText(const Variant& value) {
    if (value.type() != VT_BSTR && value.type() != VT_EMPTY) throw HResultError(DISP_E_TYPEMISMATCH);
    return value.text();
}

class DispatchConversation final : public Conversation {
public:
    DispatchConversation(ComPtr<IDispatch> window, IMessenger* record) : window_(std::move(window)), record_(record) {}

    WindowHandle hWnd() override {
        return static_cast<WindowHandle>(getProperty(window_.Get(), messengerMember::hWnd).number());
    }
    std::wstring firstContactSigninName() override {
        ComPtr<IDispatch> contacts = require(getProperty(window_.Get(), messengerMember::Contacts).object());
        ComPtr<IDispatch> first = require(invokeDefault(contacts.Get(), Variant(0L)).object());
        return nameText(getProperty(first.Get(), messengerMember::SigninName));
    }
    void record() override {
        if (!record_) throw HResultError(E_POINTER);
        throwIfFailed(record_->recordWindow(window_.Get()));
    }
    void forget() override {
        if (record_) record_->forgetWindow(window_.Get());
    }

private:
    ComPtr<IDispatch> window_;
    IMessenger* record_;  // the record of open windows; null when there is none
};

}  // namespace

std::unique_ptr<Conversation> conversationOf(ComPtr<IDispatch> window, IMessenger* record) {
    return std::make_unique<DispatchConversation>(std::move(window), record);
}

IDispatch* ComMessengerLink::messengerUser() {
    if (!oMessengerUser) oMessengerUser = createMessenger();
    return oMessengerUser.Get();
}

std::wstring ComMessengerLink::myFriendlyName() {
    return nameText(getProperty(messengerUser(), messengerMember::MyFriendlyName));
}

std::wstring ComMessengerLink::mySigninName() {
    return nameText(getProperty(messengerUser(), messengerMember::MySigninName));
}

// Walks oIMWindows with its enumerator, as a for-each loop does.
std::vector<std::unique_ptr<Conversation>> ComMessengerLink::conversations() {
    if (!imWindows_) throw HResultError(E_POINTER);
    IDispatch* windows = imWindows_.Get();
    DISPPARAMS none{};
    Variant enumerator;
    throwIfFailed(windows->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                  DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, enumerator.put(), nullptr, nullptr));
    if (enumerator.type() != VT_UNKNOWN && enumerator.type() != VT_DISPATCH) throw HResultError(DISP_E_TYPEMISMATCH);
    IUnknown* unknown = enumerator.get()->punkVal;
    if (!unknown) throw HResultError(E_POINTER);
    ComPtr<IEnumVARIANT> items;
    throwIfFailed(unknown->QueryInterface(IID_PPV_ARGS(&items)));

    std::vector<std::unique_ptr<Conversation>> result;
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        if (items->Next(1, item.put(), &fetched) != S_OK || fetched != 1) break;
        if (ComPtr<IDispatch> window = item.object()) result.push_back(conversationOf(std::move(window), imWindows_.Get()));
    }
    return result;
}

std::unique_ptr<Conversation> ComMessengerLink::instantMessage(std::wstring_view contact) {
    Variant who(contact);
    ComPtr<IDispatch> window =
        callMethod(require(messengerAPI_).Get(), messengerMember::InstantMessage, {who.get()}).object();
    if (!window) return nullptr;
    return conversationOf(std::move(window), imWindows_.Get());
}

}  // namespace sonarel
