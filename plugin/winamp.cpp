#include "plugin/winamp.h"

#include "common/no_destructor.h"
#include "common/plugin_name.h"
#include "common/type_info_dispatch.h"
#include "common/win32.h"
#include "plugin/host_commands.h"
#include "settings/settings_store.h"
#include "ui/plugin_windows.h"
#include "watcher/library_startup.h"

namespace sonarel {
namespace {

// Loaded once per process and kept for its life.
ComPtr<ITypeInfo> loadWinampTypeInfo() {
    ComPtr<ITypeLib> library;
    throwIfFailed(LoadTypeLibEx(thisModulePath().c_str(), REGKIND_NONE, &library));
    ComPtr<ITypeInfo> dispatchInfo;
    throwIfFailed(library->GetTypeInfoOfGuid(IID__winamp, &dispatchInfo));
    // For a dual interface this is the dispatch view; DispInvoke needs the
    // vtable view behind it.
    HREFTYPE vtableRef = 0;
    throwIfFailed(dispatchInfo->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef));
    ComPtr<ITypeInfo> vtableInfo;
    throwIfFailed(dispatchInfo->GetRefTypeInfo(vtableRef, &vtableInfo));
    return vtableInfo;
}

void replaceText(BSTR* target, std::wstring_view text) {
    Bstr replacement(text);
    SysFreeString(*target);
    *target = replacement.release();
}

template <class... Pointers>
void requireAll(Pointers*... pointers) {
    if (((pointers == nullptr) || ...)) throw HResultError(E_POINTER);
}

bool runHostCommand(std::wstring_view typed, BSTR* sResult) {
    auto command = recognisedCommand(typed);
    if (!command) return false;
    switch (*command) {
        case HostCommand::Options:
            // New choices bring the name in line at the next tick, as a new title would.
            if (showOptionsWindow()) threadLibrary().watcher.decideAgain();
            replaceText(sResult, L"");
            break;
        case HostCommand::About:
            showAboutWindow();
            break;
        case HostCommand::On:
            SettingsStore().WriteSetting(keys::onOff, flagSet);
            break;
        case HostCommand::Off:
            SettingsStore().WriteSetting(keys::onOff, flagClear);
            break;
    }
    return true;
}

}  // namespace

ITypeInfo* winampTypeInfo() {
    static NoDestructor<ComPtr<ITypeInfo>> info(loadWinampTypeInfo());
    return info->Get();
}

}  // namespace sonarel

using namespace sonarel;

void* winamp::findInterface(REFIID iid) { return iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr; }

STDMETHODIMP winamp::GetTypeInfoCount(UINT* count) { return typeInfoDispatch::getTypeInfoCount(count); }

STDMETHODIMP winamp::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    return comBoundary([&] { return typeInfoDispatch::getTypeInfo(winampTypeInfo(), index, info); });
}

STDMETHODIMP winamp::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return comBoundary([&] { return typeInfoDispatch::getIDsOfNames(winampTypeInfo(), names, count, ids); });
}

STDMETHODIMP winamp::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* exception, UINT* argError) {
    return comBoundary([&] {
        return typeInfoDispatch::invoke(static_cast<_winamp*>(this), winampTypeInfo(), id, flags, params, result,
                                        exception, argError);
    });
}

STDMETHODIMP winamp::Initialize(LONG, BSTR, IDispatch*, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_TRUE;
    return S_OK;
}

STDMETHODIMP winamp::Uninitialize(VARIANT* result) {
    if (!result) return E_POINTER;
    VariantInit(result);
    return S_OK;
}

STDMETHODIMP winamp::GetPublishInfo(BSTR* sPluginName, LONG* nCommandCount, LONG* nTagCount, VARIANT_BOOL* result) {
    return comBoundary([&] {
        requireAll(sPluginName, nCommandCount, nTagCount, result);
        *result = VARIANT_FALSE;
        replaceText(sPluginName, pluginDisplayName);
        *nCommandCount = publishedCommandCount;
        *nTagCount = 0;
        *result = VARIANT_TRUE;
        return S_OK;
    });
}

STDMETHODIMP winamp::GetPublishCommandInfo(LONG nCommandIdx, BSTR* sName, BSTR* sValue, BSTR* sHelp,
                                           VARIANT* result) {
    return comBoundary([&] {
        requireAll(sName, sValue, sHelp, result);
        VariantInit(result);
        if (auto command = publishedCommand(nCommandIdx)) {
            Bstr name(command->name), value(command->value);
            SysFreeString(*sName);
            *sName = name.release();
            SysFreeString(*sValue);
            *sValue = value.release();
        }
        return S_OK;
    });
}

STDMETHODIMP winamp::ParseCommand(BSTR sCommand, BSTR, IDispatch*, BSTR* sResult, VARIANT_BOOL* result) {
    return comBoundary([&] {
        requireAll(sResult, result);
        *result = VARIANT_FALSE;
        if (runHostCommand(Bstr::toString(sCommand), sResult)) *result = VARIANT_TRUE;
        return S_OK;
    });
}

STDMETHODIMP winamp::ParseTag(BSTR, IDispatch*, BSTR*, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP winamp::ReceiveNotify(BSTR, BSTR, IDispatch*, BSTR*, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    return S_OK;
}
