#pragma once
// The real plug-in, created by ProgID, whose windows the tests open with
// the host commands.
#include <gtest/gtest.h>

#include "tests/wine/support/plugin_environment.h"
#include "tests/wine/ui/ui_test_support.h"

namespace sonarel::testing {

inline constexpr const wchar_t* optionsClass = L"SonarelOptions";
inline constexpr const wchar_t* aboutClass = L"SonarelAbout";

class PluginWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { plugin = createPlugin(); }

    ParseCommandAnswer command(const std::wstring& text, const std::wstring& sResult = L"from the host") {
        return parseCommand(plugin.Get(), text, sResult);
    }

    CleanSettings clean;
    ComPtr<IDispatch> plugin;
};

}  // namespace sonarel::testing
