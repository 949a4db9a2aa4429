#pragma once
// A test program's COM apartment and the registered plug-in, created once.
#include <gtest/gtest.h>

#include <memory>

#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {

class PluginEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        apartment_ = std::make_unique<ComApartment>();
        plugin_ = std::make_unique<RegisteredPlugin>();
    }
    void TearDown() override {
        plugin_.reset();
        apartment_.reset();
    }

private:
    std::unique_ptr<ComApartment> apartment_;
    std::unique_ptr<RegisteredPlugin> plugin_;
};

// Creates the plug-in the way a late-binding host does: by ProgID.
inline ComPtr<IDispatch> createPlugin() {
    CLSID clsid{};
    throwIfFailed(CLSIDFromProgID(L"SonarelPL.winamp", &clsid));
    ComPtr<IDispatch> plugin;
    throwIfFailed(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&plugin)));
    return plugin;
}

// A by-reference argument, as a late-binding host passes its variables.
template <class T>
struct ByRef;

template <>
struct ByRef<std::wstring> {
    explicit ByRef(std::wstring_view text) : value(text) {
        VariantInit(&arg);
        arg.vt = VT_BSTR | VT_BYREF;
        arg.pbstrVal = value.address();
    }
    std::wstring str() const { return value.str(); }
    Bstr value;
    VARIANT arg;
};

template <>
struct ByRef<long> {
    explicit ByRef(long initial) : value(initial) {
        VariantInit(&arg);
        arg.vt = VT_I4 | VT_BYREF;
        arg.plVal = &value;
    }
    long value;
    VARIANT arg;
};

}  // namespace sonarel::testing
