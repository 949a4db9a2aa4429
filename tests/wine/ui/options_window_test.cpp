// The Options window, opened with "/xwinampoptions" on the real plug-in
// and driven through its controls from inside its modal loop.
#include <memory>
#include <optional>
#include <type_traits>

#include "tests/wine/ui/plugin_windows_fixture.h"
#include "ui/options_menu.h"

namespace sonarel::testing {
namespace {

// The controls in tab order, as the layout test finds them.
enum OptionsControl { Text1, Label1, Label2, Text2, Option1, Text3, Text4, Option2, Command1 };

constexpr COLORREF lightGrey = RGB(224, 224, 224);

HWND control(HWND options, OptionsControl which) { return childrenInOrder(options).at(which); }
bool isChecked(HWND options, OptionsControl which) {
    return SendMessageW(control(options, which), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
HWND findOptions() { return findThreadWindow(optionsClass, L"Options"); }

using OptionsWindowTest = PluginWindowsTest;

TEST_F(OptionsWindowTest, ControlsLayoutLookAndScreenshot) {
    HWND options = nullptr;
    ModalScript script;
    script.waitFor("the Options window", [&] { return (options = findOptions()) != nullptr; })
        .waitFor("focus in Text1", [&] { return GetFocus() == control(options, Text1); })
        .then([&] {
            ASSERT_EQ(windowDpiX(options), 96) << "the expected pixels are for 96 DPI";
            expectControls(options, {
                {L"Edit", L"", {8, 96, 121, 115}},
                {L"Static", L"Name when NOT listening to an sound", {8, 64, 105, 97}},
                {L"Static", L"Name When Listening to a sound", {160, 64, 289, 97}},
                {L"Edit", L"", {160, 96, 289, 115}},
                {L"Button", L"Use Current name and...", {0, 16, 153, 33}},
                {L"Edit", L"", {160, 16, 289, 35}},
                {L"Edit", L"", {160, 120, 289, 139}},
                {L"Button", L"Use This Name...", {0, 40, 121, 57}},
                {L"Button", L"Save!!!", {32, 120, 105, 145}},
            });
            SIZE client = clientSize(options);
            EXPECT_EQ(client.cx, 299);
            EXPECT_EQ(client.cy, 152);
            EXPECT_FALSE(IsIconic(options));
            EXPECT_NE(SendMessageW(options, WM_GETICON, ICON_SMALL, 0), 0);
            EXPECT_NE(SendMessageW(options, WM_GETICON, ICON_BIG, 0), 0);
            EXPECT_EQ(GetWindow(options, GW_OWNER), nullptr);
            for (HWND child : childrenInOrder(options)) {
                LOGFONTW font = fontOf(child);
                EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
                EXPECT_EQ(font.lfHeight, -11);
            }
            // The option buttons share the window's light grey.
            for (OptionsControl option : {Option1, Option2, Label1})
                EXPECT_EQ(staticColours(options, control(options, option)).background, lightGrey);
            EXPECT_TRUE(isChecked(options, Option1));
            EXPECT_FALSE(isChecked(options, Option2));

            Screenshot shot(options);
            shot.savePng(screenshotPath(L"options.png"));
            EXPECT_EQ(shot.clientPixel(140, 140), lightGrey);
            EXPECT_EQ(shot.clientPixel(295, 3), lightGrey);
            EXPECT_EQ(shot.clientPixel(200, 100), RGB(255, 255, 255)) << "inside Text2";
        })
        .then([&] {
            // The "Systray" menu is defined among the DLL's resources, not
            // shown, and its items do nothing.
            EXPECT_EQ(GetMenu(options), nullptr) << "a menu bar is shown";
            std::unique_ptr<std::remove_pointer_t<HMENU>, decltype(&DestroyMenu)> bar(
                LoadMenuW(GetModuleHandleW(L"SonarelPL.dll"), MAKEINTRESOURCEW(SONAREL_MENU_SYSTRAY)), &DestroyMenu);
            ASSERT_NE(bar, nullptr);
            ASSERT_EQ(GetMenuItemCount(bar.get()), 1);
            wchar_t text[64] = {};
            GetMenuStringW(bar.get(), 0, text, 64, MF_BYPOSITION);
            EXPECT_STREQ(text, L"Systray");
            HMENU systray = GetSubMenu(bar.get(), 0);
            ASSERT_EQ(GetMenuItemCount(systray), 2);
            GetMenuStringW(systray, 0, text, 64, MF_BYPOSITION);
            EXPECT_STREQ(text, L"Options");
            GetMenuStringW(systray, 1, text, 64, MF_BYPOSITION);
            EXPECT_STREQ(text, L"Close Sonarel");
            for (int item = 0; item < 2; ++item)
                PostMessageW(options, WM_COMMAND, MAKEWPARAM(GetMenuItemID(systray, item), 0), 0);
            // Tab moves on through the dialog manager: Text1, then Text2.
            pressKey(control(options, Text1), VK_TAB);
        })
        .waitFor("Tab to Text2", [&] { return GetFocus() == control(options, Text2); })
        .then([&] { click(control(options, Option2)); })
        .waitFor("Option2 selected", [&] { return isChecked(options, Option2) && !isChecked(options, Option1); })
        .then([&] { click(control(options, Option2)); })
        .then([&] {
            // Clicking the selected option keeps it: one is always selected.
            EXPECT_TRUE(isChecked(options, Option2));
            EXPECT_FALSE(isChecked(options, Option1));
            click(control(options, Option1));
        })
        .waitFor("Option1 selected", [&] { return isChecked(options, Option1) && !isChecked(options, Option2); })
        .then([&] {
            EXPECT_TRUE(IsWindow(options)) << "the menu items closed the window";
            SetWindowTextW(control(options, Text3), L"lost");
            PostMessageW(options, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
    ParseCommandAnswer answer = command(L"/xwinampoptions");
    script.expectFinished();
    EXPECT_EQ(answer.hr, S_OK);
    EXPECT_TRUE(answer.recognised);
    EXPECT_FALSE(IsWindow(options));
    EXPECT_EQ(readStoredOptions(), StoredOptions{}) << "the close box stores nothing";
}

// What the user does before saving.
struct Edits {
    std::optional<OptionsControl> choose;  // an option button to click
    std::vector<std::pair<OptionsControl, const wchar_t*>> type;
};

struct SaveCase {
    const char* name;
    StoredOptions before;
    bool minimised;
    OptionsControl selected;
    std::vector<const wchar_t*> shownTexts;  // Text1 .. Text4
    Edits edits;
    StoredOptions after;
};

const SaveCase saveCases[] = {
    {"empty store: first opening, saved at once",
     {},
     false, Option1, {L"", L"", L"", L""},
     {},
     {{L"CurrentName", L"1"}, {L"CustomName", L"0"}, {L"CurrentTag", L""}}},
    {"current-name mode stores only its tag",
     {{L"CurrentName", L"1"}, {L"CustomName", L"0"}, {L"CurrentTag", L"tag"}, {L"CustomNamePl", L"Pl"}},
     true, Option1, {L"", L"Pl", L"tag", L""},
     {{}, {{Text3, L"new tag"}, {Text2, L"lost edit"}}},
     {{L"CurrentName", L"1"}, {L"CustomName", L"0"}, {L"CurrentTag", L"new tag"}, {L"CustomNamePl", L"Pl"}}},
    {"custom-name flag selects Option2; saving rewrites the three texts",
     {{L"CurrentName", L"0"}, {L"CustomName", L"1"}, {L"CustomNameNotPl", L"Away"}, {L"CustomNamePl", L"Here"},
      {L"CustomTagPl", L"is listening"}, {L"CurrentTag", L"old"}},
     true, Option2, {L"Away", L"Here", L"old", L"is listening"},
     {},
     {{L"CurrentName", L"0"}, {L"CustomName", L"1"}, {L"CustomNameNotPl", L"Away"}, {L"CustomNamePl", L"Here"},
      {L"CustomTagPl", L"is listening"}, {L"CurrentTag", L"old"}}},
    {"both flags set: Option2 wins",
     {{L"CurrentName", L"1"}, {L"CustomName", L"1"}},
     true, Option2, {L"", L"", L"", L""},
     {{}, {{Text1, L"a"}, {Text2, L"b"}, {Text4, L"c"}}},
     {{L"CurrentName", L"0"}, {L"CustomName", L"1"}, {L"CustomNameNotPl", L"a"}, {L"CustomNamePl", L"b"},
      {L"CustomTagPl", L"c"}}},
    {"a flag 0 written by hand: minimised with Option1 from the design",
     {{L"CurrentName", L"0"}},
     true, Option1, {L"", L"", L"", L""},
     {},
     {{L"CurrentName", L"1"}, {L"CustomName", L"0"}, {L"CurrentTag", L""}}},
    {"the other mode's edits are lost",
     {{L"CurrentName", L"0"}, {L"CustomName", L"1"}, {L"CurrentTag", L"kept"}},
     true, Option2, {L"", L"", L"kept", L""},
     {{}, {{Text3, L"edited"}, {Text1, L"N"}}},
     {{L"CurrentName", L"0"}, {L"CustomName", L"1"}, {L"CurrentTag", L"kept"}, {L"CustomNameNotPl", L"N"},
      {L"CustomNamePl", L""}, {L"CustomTagPl", L""}}},
    {"switching to custom-name mode; blanks and empty boxes kept",
     {{L"CurrentName", L"1"}, {L"CustomName", L"0"}, {L"CustomNamePl", L"old"}},
     true, Option1, {L"", L"old", L"", L""},
     {Option2, {{Text1, L"  two blanks  "}, {Text2, L""}, {Text4, L" \u266a Unicode \u00e9 "}}},
     {{L"CurrentName", L"0"}, {L"CustomName", L"1"}, {L"CustomNameNotPl", L"  two blanks  "},
      {L"CustomNamePl", L""}, {L"CustomTagPl", L" \u266a Unicode \u00e9 "}}},
    {"switching back to current-name mode",
     {{L"CurrentName", L"0"}, {L"CustomName", L"1"}, {L"CustomNamePl", L"stays"}},
     true, Option2, {L"", L"stays", L"", L""},
     {Option1, {{Text3, L" tag "}, {Text2, L"lost"}}},
     {{L"CurrentName", L"1"}, {L"CustomName", L"0"}, {L"CurrentTag", L" tag "}, {L"CustomNamePl", L"stays"}}},
};

TEST_F(OptionsWindowTest, LoadAndSaveThroughTheControls) {
    for (const SaveCase& c : saveCases) {
        SCOPED_TRACE(c.name);
        CleanSettings cleanStore;
        writeStoredOptions(c.before);
        HWND options = nullptr;
        ModalScript script;
        script.waitFor("the Options window", [&] { return (options = findOptions()) != nullptr; })
            .then([&] {
                EXPECT_EQ(IsIconic(options) != FALSE, c.minimised);
                EXPECT_TRUE(isChecked(options, c.selected));
                EXPECT_FALSE(isChecked(options, c.selected == Option1 ? Option2 : Option1));
                const OptionsControl boxes[] = {Text1, Text2, Text3, Text4};
                for (int i = 0; i < 4; ++i) EXPECT_EQ(textOf(control(options, boxes[i])), c.shownTexts[i]) << i;
                if (c.edits.choose) click(control(options, *c.edits.choose));
                for (const auto& [box, text] : c.edits.type) SetWindowTextW(control(options, box), text);
                EXPECT_EQ(readStoredOptions(), c.before) << "nothing is stored while the window is open";
                click(control(options, Command1));
            });
        ParseCommandAnswer answer = command(L"/xwinampoptions");
        script.expectFinished();
        EXPECT_TRUE(answer.recognised);
        EXPECT_EQ(answer.sResult, L"");
        EXPECT_FALSE(IsWindow(options)) << "Save closes the window";
        EXPECT_EQ(readStoredOptions(), c.after);
    }
}

}  // namespace
}  // namespace sonarel::testing
