#include "names/messenger_events.h"

#include <ocidl.h>
#include <olectl.h>

#include <optional>
#include <string>

#include "common/com_object.h"
#include "names/messenger_contract.h"

namespace sonarel {
namespace {

struct EventInterface {
    IID iid;
    std::optional<DISPID> created;
    std::optional<DISPID> destroyed;
};

class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : info_(info) { throwIfFailed(info->GetTypeAttr(&attr_)); }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    ~TypeAttr() { info_->ReleaseTypeAttr(attr_); }
    const TYPEATTR* operator->() const { return attr_; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

std::optional<DISPID> memberId(ITypeInfo* info, std::wstring_view name) {
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    MEMBERID id = MEMBERID_NIL;
    if (FAILED(info->GetIDsOfNames(names, 1, &id))) return std::nullopt;
    return id;
}

// The sink is an IDispatch. A source that calls it through a vtable of its
// own would call past the sink's methods, so only an interface that is
// served through Invoke is connected.
bool servedThroughDispatch(ITypeInfo* events) {
    TypeAttr attr(events);
    return attr->typekind == TKIND_DISPATCH || (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0;
}

// The class's default source interface, from its class information.
ComPtr<ITypeInfo> defaultSource(IDispatch* messenger) {
    ComPtr<IProvideClassInfo> provider;
    throwIfFailed(messenger->QueryInterface(IID_PPV_ARGS(&provider)));
    ComPtr<ITypeInfo> coclass;
    throwIfFailed(provider->GetClassInfo(&coclass));
    TypeAttr attr(coclass.Get());
    constexpr int wanted = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        INT flags = 0;
        if (FAILED(coclass->GetImplTypeFlags(i, &flags)) || (flags & wanted) != wanted) continue;
        HREFTYPE ref = 0;
        throwIfFailed(coclass->GetRefTypeOfImplType(i, &ref));
        ComPtr<ITypeInfo> events;
        throwIfFailed(coclass->GetRefTypeInfo(ref, &events));
        if (!servedThroughDispatch(events.Get())) throw HResultError(CONNECT_E_CANNOTCONNECT);
        return events;
    }
    throw HResultError(CONNECT_E_NOCONNECTION);
}

EventInterface findEventInterface(IDispatch* messenger) {
    ComPtr<ITypeInfo> events = defaultSource(messenger);
    EventInterface found{TypeAttr(events.Get())->guid, memberId(events.Get(), messengerMember::OnIMWindowCreated),
                         memberId(events.Get(), messengerMember::OnIMWindowDestroyed)};
    if (!found.created && !found.destroyed) throw HResultError(DISP_E_UNKNOWNNAME);
    return found;
}

}  // namespace

// Receives the events; every other event of the interface is ignored.
class MessengerEventConnection::Sink final : public ComObject<Sink, IDispatch> {
public:
    Sink(EventInterface events, WindowEventHandler onCreated, WindowEventHandler onDestroyed)
        : events_(events), onCreated_(std::move(onCreated)), onDestroyed_(std::move(onDestroyed)) {}

    void detach() {
        onCreated_ = nullptr;
        onDestroyed_ = nullptr;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    // A messenger event never fails back into the messenger.
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        callbackBoundary([&] {
            WindowEventHandler* handler = id == events_.created     ? &onCreated_
                                          : id == events_.destroyed ? &onDestroyed_
                                                                    : nullptr;
            if (!handler || !*handler || !params || params->cArgs < 1) return;
            // The window is the first (in reverse order: the last) argument.
            Variant window;
            throwIfFailed(VariantCopyInd(window.put(), &params->rgvarg[params->cArgs - 1]));
            WindowEventHandler run = *handler;  // the handler may disconnect us
            run(window.object().Get());
        });
        return S_OK;
    }

protected:
    void* findInterface(REFIID iid) override {
        return iid == events_.iid ? static_cast<IDispatch*>(this) : nullptr;
    }

private:
    EventInterface events_;
    WindowEventHandler onCreated_;
    WindowEventHandler onDestroyed_;
};

MessengerEventConnection::MessengerEventConnection(IDispatch* messenger, WindowEventHandler onCreated,
                                                   WindowEventHandler onDestroyed) {
    if (!messenger) throw HResultError(E_POINTER);
    EventInterface events = findEventInterface(messenger);
    ComPtr<IConnectionPointContainer> container;
    throwIfFailed(messenger->QueryInterface(IID_PPV_ARGS(&container)));
    throwIfFailed(container->FindConnectionPoint(events.iid, &point_));
    sink_ = makeComObject<Sink>(events, std::move(onCreated), std::move(onDestroyed));
    throwIfFailed(point_->Advise(static_cast<IDispatch*>(sink_.Get()), &cookie_));
}

MessengerEventConnection::~MessengerEventConnection() {
    if (sink_) sink_->detach();
    if (point_ && cookie_) point_->Unadvise(cookie_);
}

}  // namespace sonarel
