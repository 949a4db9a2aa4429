#include "common/type_info_dispatch.h"

#include <vector>

namespace sonarel::typeInfoDispatch {
namespace {

// A host may pass "nothing" for an object parameter as an empty or null
// variant; the type-library dispatcher expects a real object variant there
// and would refuse the call. Hand it a null object instead.
std::vector<VARIANT> withNullObjects(ITypeInfo* info, DISPID id, const DISPPARAMS& params) {
    std::vector<VARIANT> args(params.rgvarg, params.rgvarg + params.cArgs);
    if (params.cNamedArgs != 0) return args;
    ComPtr<ITypeInfo2> info2;
    UINT index = 0;
    if (FAILED(info->QueryInterface(IID_PPV_ARGS(&info2))) ||
        FAILED(info2->GetFuncIndexOfMemId(id, INVOKE_FUNC, &index)))
        return args;
    FUNCDESC* func = nullptr;
    if (FAILED(info->GetFuncDesc(index, &func))) return args;
    for (UINT p = 0; p < args.size() && p < static_cast<UINT>(func->cParams); ++p) {
        VARIANT& arg = args[args.size() - 1 - p];  // arguments come in reverse order
        if (func->lprgelemdescParam[p].tdesc.vt == VT_DISPATCH && (arg.vt == VT_EMPTY || arg.vt == VT_NULL)) {
            arg.vt = VT_DISPATCH;
            arg.pdispVal = nullptr;
        }
    }
    info->ReleaseFuncDesc(func);
    return args;
}

}  // namespace

HRESULT getTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT getTypeInfo(ITypeInfo* shared, UINT index, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    *info = ComPtr<ITypeInfo>(shared).Detach();
    return S_OK;
}

HRESULT getIDsOfNames(ITypeInfo* shared, LPOLESTR* names, UINT count, DISPID* ids) {
    return DispGetIDsOfNames(shared, names, count, ids);
}

HRESULT invoke(void* object, ITypeInfo* shared, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
               EXCEPINFO* exception, UINT* argError) {
    if (!params) return E_INVALIDARG;
    std::vector<VARIANT> args = withNullObjects(shared, id, *params);
    DISPPARAMS safe{args.data(), params->rgdispidNamedArgs, params->cArgs, params->cNamedArgs};
    return DispInvoke(object, shared, id, flags, &safe, result, exception, argError);
}

}  // namespace sonarel::typeInfoDispatch
