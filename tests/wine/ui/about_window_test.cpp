// The About window, opened with "/xwinampabout" on the real plug-in and
// driven from inside its modal loop.
#include "tests/wine/ui/plugin_windows_fixture.h"

#include "sonarel_version.h"

namespace sonarel::testing {
namespace {

// The controls in tab order.
enum AboutControl {
    Image12, Image1, LblTitle, LblVersion, Label2, LbDevelover, LbEmail, LbPhone, Label1, Label3, Command3, Command2,
};

constexpr COLORREF white = RGB(255, 255, 255);
constexpr const wchar_t* unavailable = L"System Information Is Unavailable At This Time";

HWND control(HWND about, AboutControl which) { return childrenInOrder(about).at(which); }
HWND findAbout() { return findThreadWindow(aboutClass, L"About Sonarel Plugin"); }

// The build's version, as the About window shows it.
const std::wstring versionLine = L"Version " + std::to_wstring(SONAREL_VERSION_MAJOR) + L"." +
                                 std::to_wstring(SONAREL_VERSION_MINOR) + L"." +
                                 std::to_wstring(SONAREL_VERSION_PATCH);

using AboutWindowTest = PluginWindowsTest;

TEST_F(AboutWindowTest, ControlsLayoutLookVersionAndScreenshot) {
    HWND about = nullptr;
    ModalScript script;
    script.waitFor("the About window", [&] { return (about = findAbout()) != nullptr; })
        .waitFor("focus on System Info", [&] { return GetFocus() == control(about, Command3); })
        .then([&] {
            ASSERT_EQ(windowDpiX(about), 96) << "the expected pixels are for 96 DPI";
            expectControls(about, {
                {L"Static", L"", {0, 8, 133, 69}},
                {L"Static", L"", {322, 21, 362, 61}},
                {L"Static", L"Sonarel Plugin", {117, 23, 323, 43}},
                {L"Static", versionLine.c_str(), {117, 43, 323, 63}},
                {L"Static", L"Developer's info :", {14, 71, 143, 88}},
                {L"Static", L"Sonarel Team", {14, 87, 143, 104}},
                {L"Static", L"E-mail : team@example.org", {14, 103, 186, 115}},
                {L"Static", L"Website : www.example.org", {14, 115, 185, 127}},
                {L"Static", L"Check for updates online", {16, 128, 170, 140}},
                {L"Static", textOf(control(about, Label3)).c_str(), {14, 144, 360, 207}},
                {L"Button", L"System Info", {280, 112, 361, 137}},
                {L"Button", L"OK", {280, 80, 361, 105}},
            });
            EXPECT_NE(textOf(control(about, Label3)).find(L"without warranty"), std::wstring::npos);
            SIZE client = clientSize(about);
            EXPECT_EQ(client.cx, 374);
            EXPECT_EQ(client.cy, 208);
            EXPECT_EQ(GetWindow(about, GW_OWNER), nullptr);
            EXPECT_NE(SendMessageW(about, WM_GETICON, ICON_SMALL, 0), 0);

            struct Look {
                AboutControl which;
                const wchar_t* face;
                int height;
                bool bold;
                COLORREF colour;
            };
            const Look looks[] = {
                {LblTitle, L"Arial", -19, false, RGB(0, 0, 255)},
                {LblVersion, L"Verdana", -13, true, RGB(0, 128, 0)},
                {Label2, L"Verdana", -11, true, RGB(192, 0, 192)},
                {LbDevelover, L"Verdana", -11, true, RGB(0, 0, 255)},
                {LbEmail, L"Verdana", -9, false, RGB(0, 0, 0)},
                {LbPhone, L"Verdana", -9, false, RGB(0, 0, 0)},
                {Label1, L"Verdana", -9, false, RGB(0, 0, 0)},
                {Label3, L"Verdana", -9, false, RGB(128, 128, 128)},
            };
            for (const Look& look : looks) {
                SCOPED_TRACE(textOf(control(about, look.which)));
                LOGFONTW font = fontOf(control(about, look.which));
                EXPECT_STREQ(font.lfFaceName, look.face);
                EXPECT_EQ(font.lfHeight, look.height);
                EXPECT_EQ(font.lfWeight >= FW_BOLD, look.bold);
                StaticColours colours = staticColours(about, control(about, look.which));
                EXPECT_EQ(colours.text, look.colour);
                EXPECT_EQ(colours.background, white);
            }

            Screenshot shot(about);
            shot.savePng(screenshotPath(L"about.png"));
            EXPECT_EQ(shot.clientPixel(5, 100), white);
            EXPECT_EQ(shot.clientPixel(16, 140), RGB(192, 192, 192)) << "Line1 starts";
            EXPECT_EQ(shot.clientPixel(364, 140), RGB(192, 192, 192)) << "Line1 ends";
            EXPECT_EQ(shot.clientPixel(365, 140), white);
            EXPECT_EQ(shot.clientPixel(200, 141), white);
            EXPECT_EQ(shot.clientPixel(326, 37), RGB(0, 84, 166)) << "the badge of Image1";
            EXPECT_NE(shot.clientPixel(2, 10), white) << "the banner of Image12";
            pressKey(GetFocus(), VK_ESCAPE);
        });
    ParseCommandAnswer answer = command(L"/xwinampabout", L"from the host");
    script.expectFinished();
    EXPECT_EQ(answer.hr, S_OK);
    EXPECT_TRUE(answer.recognised);
    EXPECT_EQ(answer.sResult, L"from the host");
    EXPECT_FALSE(IsWindow(about));
}

TEST_F(AboutWindowTest, ClosesOnEscapeOkAndTheCloseBoxOnly) {
    struct Case {
        const char* name;
        std::function<void(HWND about)> close;
    };
    const Case cases[] = {
        {"Escape with System Info focused", [](HWND about) { pressKey(control(about, Command3), VK_ESCAPE); }},
        {"Escape reaching the window", [](HWND about) { PostMessageW(about, WM_CHAR, VK_ESCAPE, 1); }},
        {"OK", [](HWND about) { click(control(about, Command2)); }},
        {"the close box", [](HWND about) { PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND about = nullptr;
        ModalScript script;
        script.waitFor("the About window", [&] { return (about = findAbout()) != nullptr; })
            .then([&] {
                // Other keys do nothing.
                PostMessageW(about, WM_CHAR, 'x', 1);
                pressKey(control(about, Command3), 'A');
            })
            .then([&] {
                EXPECT_TRUE(IsWindow(about));
                c.close(about);
            });
        ParseCommandAnswer answer = command(L"/xwinampabout");
        script.expectFinished();
        EXPECT_TRUE(answer.recognised);
        EXPECT_FALSE(IsWindow(about));
    }
}

TEST_F(AboutWindowTest, Timer1BringsTheWindowToTheTopOnce) {
    HWND about = nullptr;
    TestWindow other;
    DWORD commanded = 0, broughtUp = 0;
    ModalScript script;
    script.waitFor("the About window", [&] { return (about = findAbout()) != nullptr; })
        .then([&] {
            other.raise();
            EXPECT_TRUE(isAbove(other.handle(), about));
        })
        .waitFor("About above the other window",
                 [&] {
                     broughtUp = GetTickCount();
                     return isAbove(about, other.handle());
                 })
        .then([&] {
            // Loaded after the command came: the script may see the window
            // late on a busy machine, never early.
            EXPECT_GE(broughtUp - commanded, 950u) << "Timer1 ticks a second after loading";
            other.raise();
        })
        .waitFor("a second more without Timer1",
                 [&] {
                     EXPECT_TRUE(isAbove(other.handle(), about)) << "Timer1 ticked again";
                     return GetTickCount() - broughtUp > 1300;
                 })
        .then([&] { click(control(about, Command2)); });
    commanded = GetTickCount();
    command(L"/xwinampabout");
    script.expectFinished();
}

TEST_F(AboutWindowTest, SystemInfoStartsTheToolOrSaysItIsUnavailable) {
    SystemInfoRegistry registry;
    SystemInfoStandIn standIn;
    std::wstring program = standIn.folder(L"System Info") + L"\\sys info.exe";
    standIn.placeAt(program);
    registry.setPath(program);

    HWND about = nullptr;
    ModalScript script;
    script.waitFor("the About window", [&] { return (about = findAbout()) != nullptr; })
        .then([&] { click(control(about, Command3)); })
        .waitFor("the tool to start", [&] { return standIn.startedFrom().has_value(); })
        .then([&] {
            EXPECT_EQ(standIn.startedFrom(), program);
            EXPECT_EQ(standIn.showState(), DWORD{SW_SHOWNORMAL});
            EXPECT_EQ(findMessageBox(unavailable), nullptr);
            // Without the tool: the message, owned by the window.
            deleteRegTree(HKEY_LOCAL_MACHINE, SystemInfoRegistry::msinfoKey);
            standIn.forget();
            click(control(about, Command3));
        })
        .waitFor("the message", [&] { return findMessageBox(unavailable) != nullptr; })
        .then([&] {
            HWND box = findMessageBox(unavailable);
            EXPECT_EQ(GetWindow(box, GW_OWNER), about);
            EXPECT_FALSE(IsWindowEnabled(about));
            std::vector<HWND> buttons;
            for (HWND child : childrenInOrder(box))
                if (classOf(child) == L"Button" && IsWindowVisible(child)) buttons.push_back(child);
            ASSERT_EQ(buttons.size(), 1u);
            EXPECT_EQ(textOf(buttons[0]), L"OK");
            click(buttons[0]);
        })
        .waitFor("the message to go", [&] { return findMessageBox(unavailable) == nullptr; })
        .then([&] {
            EXPECT_TRUE(IsWindowEnabled(about)) << "the window stays open and usable";
            EXPECT_FALSE(standIn.startedFrom().has_value());
            click(control(about, Command2));
        });
    command(L"/xwinampabout");
    script.expectFinished();
}

}  // namespace
}  // namespace sonarel::testing
