#pragma once
// A test program's COM apartment and the registered plug-in, created once.
#include <gtest/gtest.h>

#include <memory>

#include "common/dispatch.h"
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

}  // namespace sonarel::testing
