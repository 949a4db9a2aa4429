#pragma once
// The host's plug-in definition, kept for reference: the members a host
// plug-in answers. Nothing creates it, and winamp does not derive from it.
#include <oaidl.h>

namespace sonarel {

struct KVPluginDef {
    VARIANT_BOOL Initialize(LONG /*nVersion*/, BSTR /*sUserEmail*/, IDispatch* /*oMessenger*/) { return VARIANT_FALSE; }
    VARIANT Uninitialize() {
        VARIANT empty;
        VariantInit(&empty);
        return empty;
    }
    VARIANT_BOOL ParseCommand(BSTR /*sCommand*/, BSTR /*sCommandArg*/, IDispatch* /*oConversationWnd*/,
                              BSTR* /*sResult*/) {
        return VARIANT_FALSE;
    }
    VARIANT_BOOL ParseTag(BSTR /*sTag*/, IDispatch* /*oConversationWnd*/, BSTR* /*sResult*/) { return VARIANT_FALSE; }
    VARIANT_BOOL ReceiveNotify(BSTR /*sNotifyCode*/, BSTR /*sText*/, IDispatch* /*oConversationWnd*/,
                               BSTR* /*sTextToSend*/) {
        return VARIANT_FALSE;
    }
};

}  // namespace sonarel
