// The stand-in's automation objects: the messenger, its connection point,
// conversation windows, their contacts, and the class factory. IDispatch
// is served from the stand-in's own type library.
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "StandInMessenger.h"
#include "common/com_object.h"
#include "common/no_destructor.h"
#include "standins/messenger/messenger_state.h"

namespace sonarel::standin {
namespace {

// The type library lies beside the program.
ComPtr<ITypeLib> loadTypeLib() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path);
    file = file.substr(0, file.find_last_of(L'\\') + 1) + L"sonarel-messenger.tlb";
    ComPtr<ITypeLib> library;
    throwIfFailed(LoadTypeLibEx(file.c_str(), REGKIND_NONE, &library));
    return library;
}

ITypeLib* typeLib() {
    static NoDestructor<ComPtr<ITypeLib>> library(loadTypeLib());
    return library->Get();
}

// The vtable view of a dual interface, as DispInvoke needs it.
ITypeInfo* vtableInfo(REFIID iid) {
    thread_local std::map<GUID, ComPtr<ITypeInfo>, bool (*)(const GUID&, const GUID&)> cache(
        [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) < 0; });
    auto& entry = cache[iid];
    if (!entry) {
        ComPtr<ITypeInfo> dispatchView;
        throwIfFailed(typeLib()->GetTypeInfoOfGuid(iid, &dispatchView));
        HREFTYPE vtableRef = 0;
        throwIfFailed(dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef));
        throwIfFailed(dispatchView->GetRefTypeInfo(vtableRef, &entry));
    }
    return entry.Get();
}

template <class... Pointers>
void requireAll(Pointers*... pointers) {
    if (((pointers == nullptr) || ...)) throw HResultError(E_POINTER);
}

void setText(BSTR* out, const std::wstring& text) { *out = Bstr(text).release(); }

// Counts the stand-in's objects apart from the plug-in's, which share the
// same ComObject count when both live in one process.
struct StandInObject {
    StandInObject() { ++liveStandInObjects(); }
    StandInObject(const StandInObject&) = delete;
    StandInObject& operator=(const StandInObject&) = delete;
    ~StandInObject() { --liveStandInObjects(); }
};

// The member behind a dispatch id of one of the stand-in's interfaces.
std::optional<Member> memberOf(REFIID iid, DISPID id) {
    struct Entry {
        const IID* iid;
        DISPID id;
        Member member;
    };
    static const Entry table[] = {
        {&IID_IStandInMessenger, 0x300, Member::MyFriendlyName}, {&IID_IStandInMessenger, 0x301, Member::MySigninName},
        {&IID_IStandInMessenger, 0x302, Member::InstantMessage}, {&IID_IStandInConversation, 0x100, Member::hWnd},
        {&IID_IStandInConversation, 0x200, Member::Contacts},    {&IID_IStandInContacts, 0, Member::FirstContact},
        {&IID_IStandInContact, 1, Member::SigninName},
    };
    for (const Entry& e : table)
        if (*e.iid == iid && e.id == id) return e.member;
    return std::nullopt;
}

// IDispatch of Interface from the type library; further interfaces may follow.
template <class Derived, class Interface, class... Others>
class Automation : public ComObject<Derived, Interface, Others...> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        return comBoundary([&] {
            requireAll(info);
            if (index != 0) return DISP_E_BADINDEX;
            ComPtr<ITypeInfo> shared(vtableInfo(__uuidof(Interface)));
            *info = shared.Detach();
            return S_OK;
        });
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return comBoundary([&] { return DispGetIDsOfNames(vtableInfo(__uuidof(Interface)), names, count, ids); });
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
        return comBoundary([&] {
            if (auto state = answers_.lock()) {
                auto member = memberOf(__uuidof(Interface), id);
                Answer how = member ? state->answerFor(*member) : Answer::asUsual;
                if (how != Answer::asUsual) return misanswer(how, result);
            }
            return DispInvoke(static_cast<Interface*>(this), vtableInfo(__uuidof(Interface)), id, flags, params,
                              result, exception, argError);
        });
    }

protected:
    explicit Automation(std::weak_ptr<MessengerState> answers = {}) : answers_(std::move(answers)) {}
    void* findInterface(REFIID iid) override {
        return iid == IID_IDispatch ? static_cast<Interface*>(this) : nullptr;
    }
    // Where the test switches for bad answers are kept.
    std::weak_ptr<MessengerState> answers_;

private:
    StandInObject counted_;
};

class Contact final : public Automation<Contact, IStandInContact> {
public:
    Contact(std::weak_ptr<MessengerState> state, std::wstring signinName)
        : Automation(std::move(state)), signinName_(std::move(signinName)) {}
    STDMETHODIMP get_SigninName(BSTR* result) override {
        return comBoundary([&] {
            requireAll(result);
            setText(result, signinName_);
            return S_OK;
        });
    }

private:
    std::wstring signinName_;
};

class Contacts final : public Automation<Contacts, IStandInContacts> {
public:
    Contacts(std::weak_ptr<MessengerState> state, std::vector<std::wstring> names)
        : Automation(std::move(state)), names_(std::move(names)) {}
    STDMETHODIMP get_Item(LONG index, IDispatch** result) override {
        return comBoundary([&] {
            requireAll(result);
            *result = nullptr;
            if (index < 0 || static_cast<size_t>(index) >= names_.size()) return DISP_E_BADINDEX;
            *result = makeComObject<Contact>(answers_, names_[static_cast<size_t>(index)]).Detach();
            return S_OK;
        });
    }
    STDMETHODIMP get_Count(LONG* result) override {
        if (!result) return E_POINTER;
        *result = static_cast<LONG>(names_.size());
        return S_OK;
    }

private:
    std::vector<std::wstring> names_;
};

class Conversation final : public Automation<Conversation, IStandInConversation> {
public:
    Conversation(std::weak_ptr<MessengerState> state, HWND window, std::wstring contact)
        : Automation(std::move(state)), window_(window), contact_(std::move(contact)) {}
    STDMETHODIMP get_hWnd(LONG* result) override {
        if (!result) return E_POINTER;
        *result = static_cast<LONG>(reinterpret_cast<INT_PTR>(window_));
        return S_OK;
    }
    STDMETHODIMP get_Contacts(IDispatch** result) override {
        return comBoundary([&] {
            requireAll(result);
            if (auto state = answers_.lock(); state && std::exchange(state->closeOnContactsRead, false))
                state->close(window_);
            *result = makeComObject<Contacts>(answers_, std::vector<std::wstring>{contact_}).Detach();
            return S_OK;
        });
    }

protected:
    void* findInterface(REFIID iid) override {
        if (iid == IID_IStandInWindow) return static_cast<IStandInWindow*>(this);
        return Automation::findInterface(iid);
    }

private:
    HWND window_;  // kept after the window closes: the destroyed event reports it
    std::wstring contact_;
};

std::shared_ptr<MessengerState> running(const std::weak_ptr<MessengerState>& state) {
    auto locked = state.lock();
    if (!locked) throw HResultError(RPC_E_DISCONNECTED);  // the messenger has quit
    return locked;
}

class Messenger;

// The interface the events go out through, as the class information names
// it: with vtable-only events, one that an IDispatch sink cannot serve.
IID eventsInterface(const std::weak_ptr<MessengerState>& state) {
    return running(state)->vtableOnlyEvents ? IID_IStandInVtableEvents : DIID_DStandInMessengerEvents;
}

class EventConnectionPoint final : public ComObject<EventConnectionPoint, IConnectionPoint> {
public:
    EventConnectionPoint(ComPtr<IConnectionPointContainer> container, std::weak_ptr<MessengerState> state,
                         const void* source)
        : container_(std::move(container)), state_(std::move(state)), source_(source) {}

    STDMETHODIMP GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = eventsInterface(state_);
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (!container) return E_POINTER;
        *container = ComPtr<IConnectionPointContainer>(container_).Detach();
        return S_OK;
    }
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        return comBoundary([&] {
            requireAll(sink, cookie);
            *cookie = 0;
            ComPtr<IDispatch> events;
            if (FAILED(sink->QueryInterface(eventsInterface(state_), reinterpret_cast<void**>(events.GetAddressOf()))))
                return CONNECT_E_CANNOTCONNECT;
            *cookie = running(state_)->advise(source_, events);
            return S_OK;
        });
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        return comBoundary([&] { return running(state_)->unadvise(cookie) ? S_OK : CONNECT_E_NOCONNECTION; });
    }
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    ComPtr<IConnectionPointContainer> container_;
    std::weak_ptr<MessengerState> state_;
    const void* source_;
    StandInObject counted_;
};

class Messenger final
    : public Automation<Messenger, IStandInMessenger, IConnectionPointContainer, IProvideClassInfo> {
public:
    explicit Messenger(std::weak_ptr<MessengerState> state) : Automation(state), state_(std::move(state)) {}
    ~Messenger() override {
        if (auto state = state_.lock()) state->dropSinks(this);
    }

    STDMETHODIMP get_MyFriendlyName(BSTR* result) override {
        return comBoundary([&] {
            requireAll(result);
            auto state = running(state_);
            MessengerState::Call call(*state, state->messagesDuringFriendlyName);
            setText(result, state->friendlyName);
            return S_OK;
        });
    }
    STDMETHODIMP get_MySigninName(BSTR* result) override {
        return comBoundary([&] {
            requireAll(result);
            auto state = running(state_);
            MessengerState::Call call(*state);
            setText(result, state->signinName);
            return S_OK;
        });
    }
    STDMETHODIMP InstantMessage(VARIANT contact, IDispatch** result) override {
        return comBoundary([&] {
            requireAll(result);
            *result = nullptr;
            auto state = running(state_);
            MessengerState::Call call(*state);
            ++state->instantMessages;
            *result = state->openOrShow(contactText(contact)).Detach();
            return S_OK;
        });
    }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points) *points = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        return comBoundary([&] {
            requireAll(point);
            *point = nullptr;
            if (iid != eventsInterface(state_)) return CONNECT_E_NOCONNECTION;
            *point = makeComObject<EventConnectionPoint>(ComPtr<IConnectionPointContainer>(this), state_, this)
                         .Detach();
            return S_OK;
        });
    }
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override {
        return comBoundary([&] {
            requireAll(info);
            *info = nullptr;
            bool vtable = running(state_)->vtableOnlyEvents;
            return typeLib()->GetTypeInfoOfGuid(vtable ? CLSID_MessengerWithVtableEvents : CLSID_Messenger, info);
        });
    }

private:
    // The contact as text, whatever kind of variant carries it.
    static std::wstring contactText(const VARIANT& contact) {
        Variant copy;
        throwIfFailed(VariantCopyInd(copy.put(), const_cast<VARIANT*>(&contact)));
        return copy.text();
    }

    std::weak_ptr<MessengerState> state_;
};

class MessengerFactory final : public ComObject<MessengerFactory, IClassFactory> {
public:
    explicit MessengerFactory(std::weak_ptr<MessengerState> state) : state_(std::move(state)) {}
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return comBoundary([&] {
            HRESULT failure = running(state_)->creationFailure;
            if (FAILED(failure)) return failure;
            return makeComObject<Messenger>(state_)->QueryInterface(iid, object);
        });
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    std::weak_ptr<MessengerState> state_;
    StandInObject counted_;
};

}  // namespace

ComPtr<IDispatch> makeConversationObject(std::weak_ptr<MessengerState> state, HWND window, std::wstring contact) {
    ComPtr<IDispatch> object;
    throwIfFailed(makeComObject<Conversation>(std::move(state), window, std::move(contact)).As(&object));
    return object;
}

// A contact list without contacts: its default member needs an index, so
// it yields no value of its own.
ComPtr<IDispatch> makeObjectWithoutMembers() {
    ComPtr<IDispatch> object;
    throwIfFailed(makeComObject<Contacts>(std::weak_ptr<MessengerState>{}, std::vector<std::wstring>{}).As(&object));
    return object;
}

HRESULT misanswer(Answer how, VARIANT* result) {
    if (how == Answer::failure) return E_FAIL;
    if (!result) return S_OK;
    VariantInit(result);
    switch (how) {
        case Answer::number:
            result->vt = VT_I4;
            result->lVal = 42;
            break;
        case Answer::text:
            result->vt = VT_BSTR;
            result->bstrVal = Bstr(L"not a handle").release();
            break;
        case Answer::object:
            result->vt = VT_DISPATCH;
            result->pdispVal = makeObjectWithoutMembers().Detach();
            break;
        case Answer::nullObject:
            result->vt = VT_DISPATCH;
            result->pdispVal = nullptr;
            break;
        default:
            break;  // nothing: VT_EMPTY
    }
    return S_OK;
}

std::atomic<long>& liveStandInObjects() {
    static std::atomic<long> count{0};
    return count;
}

ComPtr<IClassFactory> makeMessengerFactory(std::weak_ptr<MessengerState> state) {
    return makeComObject<MessengerFactory>(std::move(state));
}

}  // namespace sonarel::standin
