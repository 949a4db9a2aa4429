// The type library embedded in the built DLL, item by item.
#include <gtest/gtest.h>

#include "SonarelPL.h"
#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {
namespace {

struct Param {
    const wchar_t* name;
    VARTYPE type;
    USHORT flags;
};

struct Method {
    const wchar_t* name;
    MEMBERID id;
    std::vector<Param> params;  // the named ones, in order
    VARTYPE result;             // of the [out, retval] parameter
};

constexpr USHORT in = PARAMFLAG_FIN;
constexpr USHORT inOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
constexpr VARTYPE byRef(VARTYPE t) { return static_cast<VARTYPE>(t | VT_BYREF); }

const std::vector<Method> expectedMethods = {
    {L"Initialize", 0x60030000, {{L"nVersion", VT_I4, in}, {L"sUserEmail", VT_BSTR, in}, {L"oMessenger", VT_DISPATCH, in}},
     VT_BOOL},
    {L"Uninitialize", 0x60030001, {}, VT_VARIANT},
    {L"GetPublishInfo", 0x60030002,
     {{L"sPluginName", byRef(VT_BSTR), inOut}, {L"nCommandCount", byRef(VT_I4), inOut}, {L"nTagCount", byRef(VT_I4), inOut}},
     VT_BOOL},
    {L"GetPublishCommandInfo", 0x60030003,
     {{L"nCommandIdx", VT_I4, in}, {L"sName", byRef(VT_BSTR), inOut}, {L"sValue", byRef(VT_BSTR), inOut},
      {L"sHelp", byRef(VT_BSTR), inOut}},
     VT_VARIANT},
    {L"ParseCommand", 0x60030004,
     {{L"sCommand", VT_BSTR, in}, {L"sCommandArg", VT_BSTR, in}, {L"oConversationWnd", VT_DISPATCH, in},
      {L"sResult", byRef(VT_BSTR), inOut}},
     VT_BOOL},
    {L"ParseTag", 0x60030005,
     {{L"sTag", VT_BSTR, in}, {L"oConversationWnd", VT_DISPATCH, in}, {L"sResult", byRef(VT_BSTR), inOut}}, VT_BOOL},
    {L"ReceiveNotify", 0x60030006,
     {{L"sNotifyCode", VT_BSTR, in}, {L"sText", VT_BSTR, in}, {L"oConversationWnd", VT_DISPATCH, in},
      {L"sTextToSend", byRef(VT_BSTR), inOut}},
     VT_BOOL},
};

class TypeLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(LoadTypeLibEx(pluginPath().c_str(), REGKIND_NONE, &library));
    }

    // The vtable view of the dual interface.
    ComPtr<ITypeInfo> interfaceInfo() {
        ComPtr<ITypeInfo> dispatchView, vtableView;
        EXPECT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(IID__winamp, &dispatchView));
        HREFTYPE ref = 0;
        EXPECT_HRESULT_SUCCEEDED(dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
        EXPECT_HRESULT_SUCCEEDED(dispatchView->GetRefTypeInfo(ref, &vtableView));
        return vtableView;
    }

    ComPtr<ITypeLib> library;
};

TEST_F(TypeLibraryTest, LibraryAttributes) {
    TLIBATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&attr));
    EXPECT_EQ(attr->guid, LIBID_SonarelPL);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0x409u);
    library->ReleaseTLibAttr(attr);

    Bstr name;
    ASSERT_HRESULT_SUCCEEDED(library->GetDocumentation(-1, name.put(), nullptr, nullptr, nullptr));
    EXPECT_EQ(name.str(), L"SonarelPL");
    EXPECT_EQ(library->GetTypeInfoCount(), 2u);
}

TEST_F(TypeLibraryTest, InterfaceAttributes) {
    ComPtr<ITypeInfo> info;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(IID__winamp, &info));
    TYPEATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    // Both views of the dual interface carry these; the vtable view also
    // carries the OLE-automation flag, which the compiler leaves off the
    // dispatch view.
    const WORD requiredFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    EXPECT_EQ(attr->wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION, requiredFlags);
    info->ReleaseTypeAttr(attr);

    Bstr name;
    info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(name.str(), L"_winamp");

    ComPtr<ITypeInfo> vtable = interfaceInfo();
    ASSERT_HRESULT_SUCCEEDED(vtable->GetTypeAttr(&attr));
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->wTypeFlags, requiredFlags | TYPEFLAG_FOLEAUTOMATION);
    EXPECT_EQ(attr->cFuncs, expectedMethods.size());
    EXPECT_EQ(attr->cImplTypes, 1);
    vtable->ReleaseTypeAttr(attr);

    HREFTYPE baseRef = 0;
    ComPtr<ITypeInfo> base;
    ASSERT_HRESULT_SUCCEEDED(vtable->GetRefTypeOfImplType(0, &baseRef));
    ASSERT_HRESULT_SUCCEEDED(vtable->GetRefTypeInfo(baseRef, &base));
    ASSERT_HRESULT_SUCCEEDED(base->GetTypeAttr(&attr));
    EXPECT_EQ(attr->guid, IID_IDispatch);
    base->ReleaseTypeAttr(attr);
}

TEST_F(TypeLibraryTest, MethodsInSlotOrderWithIdsParametersAndResults) {
    ComPtr<ITypeInfo> info = interfaceInfo();
    for (UINT index = 0; index < expectedMethods.size(); ++index) {
        const Method& expected = expectedMethods[index];
        SCOPED_TRACE(::testing::Message() << "method " << index);
        FUNCDESC* func = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(index, &func));
        EXPECT_EQ(func->memid, expected.id);
        EXPECT_EQ(func->oVft / static_cast<SHORT>(sizeof(void*)), static_cast<SHORT>(7 + index));  // slot
        EXPECT_EQ(func->invkind, INVOKE_FUNC);
        EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
        ASSERT_EQ(func->cParams, static_cast<SHORT>(expected.params.size() + 1));

        BSTR names[8] = {};
        UINT count = 0;
        ASSERT_HRESULT_SUCCEEDED(info->GetNames(func->memid, names, 8, &count));
        EXPECT_EQ(std::wstring(names[0]), expected.name);
        for (size_t p = 0; p < expected.params.size(); ++p) {
            const ELEMDESC& param = func->lprgelemdescParam[p];
            VARTYPE vt = param.tdesc.vt == VT_PTR ? byRef(param.tdesc.lptdesc->vt) : param.tdesc.vt;
            EXPECT_EQ(vt, expected.params[p].type) << "param " << p;
            EXPECT_EQ(param.paramdesc.wParamFlags, expected.params[p].flags) << "param " << p;
            ASSERT_LT(p + 1, count);
            EXPECT_EQ(std::wstring(names[p + 1]), expected.params[p].name);
        }
        const ELEMDESC& retval = func->lprgelemdescParam[expected.params.size()];
        EXPECT_EQ(retval.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        ASSERT_EQ(retval.tdesc.vt, VT_PTR);
        EXPECT_EQ(retval.tdesc.lptdesc->vt, expected.result);
        for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
        info->ReleaseFuncDesc(func);
    }
}

TEST_F(TypeLibraryTest, CreatableClassWithOnlyDefaultInterface) {
    ComPtr<ITypeInfo> info;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(CLSID_winamp, &info));
    TYPEATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ(attr->cImplTypes, 1);
    info->ReleaseTypeAttr(attr);

    INT implFlags = 0;
    ASSERT_HRESULT_SUCCEEDED(info->GetImplTypeFlags(0, &implFlags));
    EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);  // not a source: no event interface
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> implemented;
    ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeOfImplType(0, &ref));
    ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeInfo(ref, &implemented));
    ASSERT_HRESULT_SUCCEEDED(implemented->GetTypeAttr(&attr));
    EXPECT_EQ(attr->guid, IID__winamp);
    implemented->ReleaseTypeAttr(attr);

    Bstr name;
    info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(name.str(), L"winamp");
}

}  // namespace
}  // namespace sonarel::testing
