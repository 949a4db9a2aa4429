#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

// There is no window manager under Xvfb: let Wine manage and draw the whole
// windows itself. Otherwise nobody draws their captions (the screenshots
// would lack them) and Wine waits a second for the missing manager each
// time a window is hidden or minimised. Wine reads these settings when the
// first window comes, so they are written before main.
[[maybe_unused]] const bool windowsDrawnByWine = [] {
    const std::wstring key = L"Software\\Wine\\AppDefaults\\ui_windows_test.exe\\X11 Driver";
    writeRegText(HKEY_CURRENT_USER, key, L"Managed", L"N");
    writeRegText(HKEY_CURRENT_USER, key, L"Decorated", L"N");
    return true;
}();

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

}  // namespace
}  // namespace sonarel::testing
