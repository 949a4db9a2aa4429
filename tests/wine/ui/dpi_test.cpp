// The windows laid out at a DPI other than 96: this program runs itself
// again with the system set to 144 DPI, and the child checks the windows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/fakes/fake_settings.h"
#include "tests/wine/ui/ui_test_support.h"
#include "ui/about_window.h"
#include "ui/options_window.h"

namespace sonarel::testing {
namespace {

constexpr const wchar_t* desktopKey = L"Control Panel\\Desktop";
constexpr const char* childVariable = "SONAREL_DPI_CHILD";

// The system DPI for the processes started while it lives.
class SystemDpi {
public:
    explicit SystemDpi(DWORD dpi) : saved_(readRegDword(HKEY_CURRENT_USER, desktopKey, L"LogPixels")) {
        writeRegValue(HKEY_CURRENT_USER, desktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    }
    SystemDpi(const SystemDpi&) = delete;
    SystemDpi& operator=(const SystemDpi&) = delete;
    ~SystemDpi() {
        if (saved_) {
            writeRegValue(HKEY_CURRENT_USER, desktopKey, L"LogPixels", REG_DWORD, &*saved_, sizeof(*saved_));
        } else {
            HKEY raw = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, desktopKey, 0, KEY_SET_VALUE, &raw) == ERROR_SUCCESS) {
                RegDeleteValueW(raw, L"LogPixels");
                RegCloseKey(raw);
            }
        }
    }

private:
    std::optional<DWORD> saved_;
};

TEST(HighDpi, WindowsAreLaidOutAtTheirWindowsDpi) {
    if (std::getenv(childVariable)) GTEST_SKIP() << "this is the child run";
    SystemDpi dpi(144);
    SetEnvironmentVariableA(childVariable, "1");
    ProgramResult child =
        runProgram(L"\"" + besideTestProgram(L"ui_seams_test.exe") + L"\" --gtest_filter=HighDpiChild.*");
    SetEnvironmentVariableA(childVariable, nullptr);
    EXPECT_EQ(child.exitCode, 0u) << child.output;
    EXPECT_NE(child.output.find("[  PASSED  ] 1 test"), std::string::npos) << child.output;
}

TEST(HighDpiChild, OptionsAndAboutAt144Dpi) {
    if (!std::getenv(childVariable)) GTEST_SKIP() << "runs as a child of HighDpi";
    SetProcessDPIAware();
    ComApartment apartment;
    FakeSettings settings;
    {
        frmOptions options(settings, nullptr);
        options.load();
        HWND window = options.handle();
        ASSERT_EQ(windowDpiX(window), 144);
        SIZE client = clientSize(window);
        EXPECT_EQ(client.cx, 449);  // 4485 twips
        EXPECT_EQ(client.cy, 228);  // 2280 twips
        HWND text1 = childrenInOrder(window).at(0);
        RECT place = placeInParent(text1);  // 120, 1440, 1695, 285 twips
        EXPECT_EQ(place.left, 12);
        EXPECT_EQ(place.top, 144);
        EXPECT_EQ(place.right - place.left, 170);
        EXPECT_EQ(place.bottom - place.top, 29);
        EXPECT_EQ(fontOf(text1).lfHeight, -17);  // 8.25 points
    }
    {
        frmAbout about(nullptr, {[](HWND) {}, [](const std::string&) {}});
        about.load();
        HWND window = about.handle();
        SIZE client = clientSize(window);
        EXPECT_EQ(client.cx, 561);  // 5610 twips
        EXPECT_EQ(client.cy, 312);  // 3120 twips
        HWND title = childrenInOrder(window).at(2);
        RECT place = placeInParent(title);  // 1755, 345, 3090, 300 twips
        EXPECT_EQ(place.left, 176);
        EXPECT_EQ(place.top, 35);
        EXPECT_EQ(place.right - place.left, 309);
        EXPECT_EQ(place.bottom - place.top, 30);
        EXPECT_EQ(fontOf(title).lfHeight, -29);  // Arial 14.25 points
    }
}

}  // namespace
}  // namespace sonarel::testing
