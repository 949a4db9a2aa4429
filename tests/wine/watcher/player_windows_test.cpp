// The Win32 window readers against the real windows of the stand-in player
// (another process), and the stand-in's own protocol.
#include <gtest/gtest.h>

#include "tests/wine/support/standin_player.h"
#include "watcher/title_logic.h"
#include "watcher/win32_player_windows.h"

namespace sonarel::testing {
namespace {

std::wstring digits(size_t length) {
    std::wstring text;
    for (size_t i = 0; i < length; ++i) text += static_cast<wchar_t>(L'0' + i % 10);
    return text;
}

std::string className(WindowHandle handle) {
    char name[256] = {};
    GetClassNameA(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle)), name, sizeof(name));
    return name;
}

DWORD owningProcess(WindowHandle handle) {
    DWORD process = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle)), &process);
    return process;
}

class PlayerWindowsTest : public ::testing::Test {
protected:
    StandInPlayer player;
    Win32PlayerWindows windows;

    std::optional<std::wstring> winamp2Title() {
        std::optional<std::wstring> buffer = windows.winamp2TitleBuffer();
        if (!buffer) return std::nullopt;
        return winamp2TitleFromBuffer(*buffer);
    }
};

TEST_F(PlayerWindowsTest, Winamp2TitlesAsThePlayerShowsThem) {
    player.run("open2");
    struct Step {
        std::string command;
        std::wstring title;
    };
    const Step steps[] = {
        {"title2 ", L""},
        {"play2 Artist - Song", L"1. Artist - Song - Winamp"},
        {"pause2", L"1. Artist - Song - Winamp [Paused]"},
        {"stop2", L"1. Artist - Song - Winamp [Stopped]"},
        {"resume2", L"1. Artist - Song - Winamp"},
        {"play2 Other", L"2. Other - Winamp"},
        {"title2   blanks kept  ", L"  blanks kept  "},
        {"long2 2046", digits(2046)},
        {"long2 2047", digits(2047)},
        {"long2 2048", digits(2047)},  // one too many for the buffer
        {"long2 3000", digits(2047)},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        player.run(step.command);
        EXPECT_EQ(winamp2Title(), step.title);
    }
}

TEST_F(PlayerWindowsTest, Winamp2BufferHoldsTitleNulAndBlanks) {
    player.run("open2");
    player.run("title2 Song");
    std::optional<std::wstring> buffer = windows.winamp2TitleBuffer();
    ASSERT_TRUE(buffer);
    std::wstring expected = L"Song" + std::wstring(1, L'\0') + std::wstring(winamp2BufferChars - 5, L' ');
    EXPECT_EQ(*buffer, expected);
}

// Every title reads as the player shows it, in any script: two songs whose
// letters the ANSI code page lacks must not read alike.
TEST_F(PlayerWindowsTest, TitlesInAnyScriptReadAsShown) {
    const std::wstring titles[] = {
        L"Ærøskøbing – Café Müller",
        L"Señor Niño ¿qué? — «fin» ©",
        L"1. Ирина - Утро - Winamp",
        L"1. Ирина - Ночь - Winamp",
        L"Ελληνικά",
        L"日本語の歌 🎵",
    };
    player.run("open2");
    player.run("open3");
    for (const std::wstring& title : titles) {
        player.run("title2", title);
        player.run("title3", title + L" - Winamp3");
        EXPECT_EQ(winamp2Title(), title);
        EXPECT_EQ(windows.winamp3Title(), title + L" - Winamp3");
    }
}

TEST_F(PlayerWindowsTest, Winamp3TitleIsTheTextOfTheRootWindowsOwner) {
    player.run("open3");
    HWND root = FindWindowA("basewindow_rootwnd", nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(GetParent(root), FindWindowA("studio", nullptr));

    const std::pair<std::string, std::wstring> steps[] = {
        {"title3 ", L""},
        {"title3 Artist - Song - Winamp3", L"Artist - Song - Winamp3"},
        {"play3 Tune", L"Tune - Winamp3"},
        {"pause3", L"Tune - Winamp3 [Paused]"},
        {"stop3", L"Tune - Winamp3 [Stopped]"},
        {"resume3", L"Tune - Winamp3"},
    };
    for (const auto& [command, title] : steps) {
        SCOPED_TRACE(command);
        player.run(command);
        EXPECT_EQ(windows.winamp3Title(), title);
    }
}

// A "studio" window of this process, without any popup.
class StudioWithoutPopup {
public:
    StudioWithoutPopup() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"studio";
        RegisterClassW(&windowClass);
        window_.reset(CreateWindowExW(0, L"studio", L"Not the title", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr));
    }
    HWND get() const { return window_.get(); }

private:
    UniqueWindow window_;
};

TEST_F(PlayerWindowsTest, Winamp3WithoutRootWindowReadsEmptyAndNeverUsesTheStudioWindow) {
    EXPECT_EQ(windows.winamp3Title(), L"");  // nothing open

    StudioWithoutPopup studio;
    ASSERT_NE(studio.get(), nullptr);
    EXPECT_TRUE(isFound(windows.findTopLevel(playerClass::winamp3)));
    EXPECT_EQ(windows.winamp3Title(), L"");

    player.run("open3");
    player.run("title3 Real - Winamp3");
    EXPECT_EQ(windows.winamp3Title(), L"Real - Winamp3");
    player.run("close3");
    EXPECT_EQ(windows.winamp3Title(), L"");
}

TEST_F(PlayerWindowsTest, FindTopLevelFindsThePlayersWindowsUntilTheyClose) {
    const struct {
        std::string open, close;
        std::wstring_view className;
    } generations[] = {
        {"open2", "close2", playerClass::winamp2},
        {"open3", "close3", playerClass::winamp3},
    };
    for (const auto& g : generations) {
        SCOPED_TRACE(g.open);
        EXPECT_EQ(windows.findTopLevel(g.className), 0u);
        player.run(g.open);
        WindowHandle found = windows.findTopLevel(g.className);
        EXPECT_TRUE(isFound(found));
        EXPECT_EQ(className(found), toAnsi(g.className));
        EXPECT_NE(owningProcess(found), GetCurrentProcessId());
        player.run(g.close);
        EXPECT_EQ(windows.findTopLevel(g.className), 0u);
    }
}

TEST_F(PlayerWindowsTest, ClosedWinamp2GivesNoBuffer) {
    EXPECT_FALSE(windows.winamp2TitleBuffer());
    player.run("open2");
    player.run("title2 Song");
    EXPECT_EQ(winamp2Title(), L"Song");
    player.run("close2");
    EXPECT_FALSE(windows.winamp2TitleBuffer());
}

TEST(StandInPlayerProtocol, MisuseIsAnErrorAndQuitEndsIt) {
    StandInPlayer player;
    for (const char* command : {"bogus", "close2", "title3 x", "pause2", "open2 now", "long2 x"})
        EXPECT_EQ(player.reply(command).rfind("error ", 0), 0u) << command;
    player.run("open2");
    EXPECT_EQ(player.reply("open2").rfind("error ", 0), 0u);
    EXPECT_EQ(player.reply("pause2").rfind("error ", 0), 0u);  // nothing played yet
    EXPECT_EQ(player.reply("quit"), "bye");
    EXPECT_EQ(player.process().waitForExit(), DWORD{0});
    EXPECT_EQ(FindWindowA("Winamp v1.x", nullptr), nullptr);
}

}  // namespace
}  // namespace sonarel::testing
