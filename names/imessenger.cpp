#include "names/imessenger.h"

#include <vector>

#include "common/dispatch.h"
#include "common/no_destructor.h"
#include "common/type_info_dispatch.h"
#include "names/messenger_contract.h"

namespace sonarel {
namespace {

// The standard OLE type library, which describes IDispatch.
constexpr GUID standardOleLibrary = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The dispatch description of _IMessenger, built at run time: three
// read-only properties with their fixed dispatch ids.
class TypeInfoBuilder {
public:
    TypeInfoBuilder() {
        throwIfFailed(CreateTypeLib2(SYS_WIN32, const_cast<LPOLESTR>(L"IMessenger.tlb"), &library_));
        throwIfFailed(library_->CreateTypeInfo(const_cast<LPOLESTR>(L"IMessenger"), TKIND_INTERFACE, &info_));
        throwIfFailed(info_->SetGuid(__uuidof(_IMessenger)));
        throwIfFailed(info_->SetTypeFlags(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION));
        ComPtr<ITypeLib> stdole;
        throwIfFailed(LoadRegTypeLib(standardOleLibrary, STDOLE2_MAJORVERNUM, STDOLE2_MINORVERNUM, STDOLE2_LCID, &stdole));
        ComPtr<ITypeInfo> dispatch;
        throwIfFailed(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch));
        HREFTYPE base = 0;
        throwIfFailed(info_->AddRefTypeInfo(dispatch.Get(), &base));
        throwIfFailed(info_->AddImplType(0, base));
    }

    // A read-only property: optional inputs, then the result.
    void property(const wchar_t* name, MEMBERID id, std::vector<TYPEDESC*> inputs, TYPEDESC* result,
                  std::vector<const wchar_t*> names) {
        std::vector<ELEMDESC> params;
        for (TYPEDESC* input : inputs) params.push_back(param(input, PARAMFLAG_FIN));
        params.push_back(param(result, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL));
        FUNCDESC func{};
        func.memid = id;
        func.funckind = FUNC_PUREVIRTUAL;
        func.invkind = INVOKE_PROPERTYGET;
        func.callconv = CC_STDCALL;
        func.cParams = static_cast<SHORT>(params.size());
        func.lprgelemdescParam = params.data();
        func.elemdescFunc.tdesc.vt = VT_HRESULT;
        throwIfFailed(info_->AddFuncDesc(index_, &func));
        std::vector<LPOLESTR> allNames{const_cast<LPOLESTR>(name)};
        for (const wchar_t* n : names) allNames.push_back(const_cast<LPOLESTR>(n));
        throwIfFailed(info_->SetFuncAndParamNames(index_, allNames.data(), static_cast<UINT>(allNames.size())));
        ++index_;
    }

    ComPtr<ITypeInfo> finish() {
        throwIfFailed(info_->LayOut());
        ComPtr<ITypeInfo> result;
        throwIfFailed(info_.As(&result));
        return result;
    }

private:
    static ELEMDESC param(TYPEDESC* type, USHORT flags) {
        ELEMDESC element{};
        element.tdesc = *type;
        element.paramdesc.wParamFlags = flags;
        return element;
    }

    ComPtr<ICreateTypeLib2> library_;
    ComPtr<ICreateTypeInfo> info_;
    UINT index_ = 0;
};

ComPtr<ITypeInfo> buildTypeInfo() {
    TYPEDESC variant{}, dispatch{}, unknown{}, count{};
    variant.vt = VT_VARIANT;
    dispatch.vt = VT_DISPATCH;
    unknown.vt = VT_UNKNOWN;
    count.vt = VT_I4;
    TYPEDESC variantRef{}, dispatchOut{}, unknownOut{}, countOut{};
    variantRef.vt = dispatchOut.vt = unknownOut.vt = countOut.vt = VT_PTR;
    variantRef.lptdesc = &variant;
    dispatchOut.lptdesc = &dispatch;
    unknownOut.lptdesc = &unknown;
    countOut.lptdesc = &count;

    TypeInfoBuilder builder;
    builder.property(L"Item", dispidItem, {&variantRef}, &dispatchOut, {L"Index", L"result"});
    builder.property(L"Count", dispidCount, {}, &countOut, {L"result"});
    builder.property(L"NewEnum", dispidNewEnum, {}, &unknownOut, {L"result"});
    return builder.finish();
}

ITypeInfo* messengerTypeInfo() {
    static NoDestructor<ComPtr<ITypeInfo>> info(buildTypeInfo());
    return info->Get();
}

// Walks a copy of the windows, in collection order.
class WindowEnumerator final : public ComObject<WindowEnumerator, IEnumVARIANT> {
public:
    WindowEnumerator(std::vector<ComPtr<IDispatch>> windows, ULONG position = 0)
        : windows_(std::move(windows)), position_(position) {}

    STDMETHODIMP Next(ULONG wanted, VARIANT* items, ULONG* fetched) override {
        if (!items) return E_POINTER;
        ULONG given = 0;
        for (; given < wanted && position_ < windows_.size(); ++given, ++position_) {
            VariantInit(&items[given]);
            items[given].vt = VT_DISPATCH;
            items[given].pdispVal = ComPtr<IDispatch>(windows_[position_]).Detach();
        }
        if (fetched) *fetched = given;
        return given == wanted ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        position_ = std::min<size_t>(windows_.size(), position_ + count);
        return position_ < windows_.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** copy) override {
        if (!copy) return E_POINTER;
        return comBoundary([&] {
            *copy = makeComObject<WindowEnumerator>(windows_, static_cast<ULONG>(position_)).Detach();
            return S_OK;
        });
    }

private:
    std::vector<ComPtr<IDispatch>> windows_;
    size_t position_;
};

// A key or a position, from whatever kind of variant the caller passed.
Variant plainValue(const VARIANT* index) {
    if (!index) throw HResultError(E_POINTER);
    Variant value;
    throwIfFailed(VariantCopyInd(value.put(), const_cast<VARIANT*>(index)));
    return value;
}

}  // namespace

KeyedCollection<ComPtr<IDispatch>>& IMessenger::windows() {
    if (!imWindows_) throw HResultError(collectionNotCreated);
    return *imWindows_;
}

void* IMessenger::findInterface(REFIID iid) { return iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr; }

STDMETHODIMP IMessenger::GetTypeInfoCount(UINT* count) { return typeInfoDispatch::getTypeInfoCount(count); }

STDMETHODIMP IMessenger::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    return comBoundary([&] { return typeInfoDispatch::getTypeInfo(messengerTypeInfo(), index, info); });
}

STDMETHODIMP IMessenger::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return comBoundary([&] { return typeInfoDispatch::getIDsOfNames(messengerTypeInfo(), names, count, ids); });
}

STDMETHODIMP IMessenger::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT* argError) {
    return comBoundary([&] {
        return typeInfoDispatch::invoke(static_cast<_IMessenger*>(this), messengerTypeInfo(), id, flags, params,
                                        result, exception, argError);
    });
}

STDMETHODIMP IMessenger::get_Item(VARIANT* Index, IDispatch** result) {
    return comBoundary([&] {
        if (!result) return E_POINTER;
        *result = nullptr;
        Variant index = plainValue(Index);
        const ComPtr<IDispatch>* entry = nullptr;
        if (index.type() == VT_BSTR) {
            entry = windows().at(index.text());
            if (!entry) return invalidArgument;
        } else {
            long position = index.number();
            entry = position < 1 ? nullptr : windows().at(static_cast<size_t>(position));
            if (!entry) return subscriptOutOfRange;
        }
        *result = ComPtr<IDispatch>(*entry).Detach();
        return S_OK;
    });
}

STDMETHODIMP IMessenger::get_Count(LONG* result) {
    return comBoundary([&] {
        if (!result) return E_POINTER;
        *result = static_cast<LONG>(windows().count());
        return S_OK;
    });
}

STDMETHODIMP IMessenger::get_NewEnum(IUnknown** result) {
    return comBoundary([&] {
        if (!result) return E_POINTER;
        *result = nullptr;
        *result = makeComObject<WindowEnumerator>(windows().values()).Detach();
        return S_OK;
    });
}

std::wstring conversationWindowKey(IDispatch* window) {
    return windowKey(static_cast<std::int32_t>(getProperty(window, messengerMember::hWnd).number()));
}

STDMETHODIMP IMessenger::RemoveWindow(VARIANT* sKey) {
    callbackBoundary([&] { windows().remove(plainValue(sKey).text()); });
    return S_OK;
}

void IMessenger::forgetWindow(IDispatch* window) { windows().removeValue(ComPtr<IDispatch>(window)); }

HRESULT IMessenger::recordWindow(IDispatch* window) {
    ComPtr<IDispatch> added;
    HRESULT result = AddWindow(&window, &added);
    return result == keyAlreadyPresent ? S_OK : result;
}

STDMETHODIMP IMessenger::AddWindow(IDispatch** pIMWindow, IDispatch** result) {
    return comBoundary([&] {
        if (!pIMWindow || !*pIMWindow || !result) return E_POINTER;
        *result = nullptr;
        ComPtr<IDispatch> window(*pIMWindow);
        if (!windows().add(conversationWindowKey(window.Get()), window)) return keyAlreadyPresent;
        *result = window.Detach();
        return S_OK;
    });
}

}  // namespace sonarel
