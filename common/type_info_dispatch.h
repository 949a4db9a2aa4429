#pragma once
// IDispatch served from a type description with DispInvoke, shared by the
// library's automation classes: each forwards its four IDispatch methods.
#include "common/com.h"

namespace sonarel::typeInfoDispatch {

HRESULT getTypeInfoCount(UINT* count);
HRESULT getTypeInfo(ITypeInfo* shared, UINT index, ITypeInfo** info);
HRESULT getIDsOfNames(ITypeInfo* shared, LPOLESTR* names, UINT count, DISPID* ids);
// `object` is the interface that the type description describes.
HRESULT invoke(void* object, ITypeInfo* shared, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
               EXCEPINFO* exception, UINT* argError);

}  // namespace sonarel::typeInfoDispatch
