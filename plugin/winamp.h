#pragma once
// The class the host creates: publishes the plug-in and takes its commands.
#include "common/com_object.h"
#include "SonarelPL.h"

class winamp final : public sonarel::ComObject<winamp, _winamp> {
public:
    // IDispatch, served from the embedded type library.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // _winamp
    STDMETHODIMP Initialize(LONG nVersion, BSTR sUserEmail, IDispatch* oMessenger, VARIANT_BOOL* result) override;
    STDMETHODIMP Uninitialize(VARIANT* result) override;
    STDMETHODIMP GetPublishInfo(BSTR* sPluginName, LONG* nCommandCount, LONG* nTagCount,
                                VARIANT_BOOL* result) override;
    STDMETHODIMP GetPublishCommandInfo(LONG nCommandIdx, BSTR* sName, BSTR* sValue, BSTR* sHelp,
                                       VARIANT* result) override;
    STDMETHODIMP ParseCommand(BSTR sCommand, BSTR sCommandArg, IDispatch* oConversationWnd, BSTR* sResult,
                              VARIANT_BOOL* result) override;
    STDMETHODIMP ParseTag(BSTR sTag, IDispatch* oConversationWnd, BSTR* sResult, VARIANT_BOOL* result) override;
    STDMETHODIMP ReceiveNotify(BSTR sNotifyCode, BSTR sText, IDispatch* oConversationWnd, BSTR* sTextToSend,
                               VARIANT_BOOL* result) override;

protected:
    void* findInterface(REFIID iid) override;
};

namespace sonarel {
// The vtable description of _winamp from the module's own type library.
ITypeInfo* winampTypeInfo();
}  // namespace sonarel
