// Titles of every shape the players can show: the watcher keeps ticking,
// switches exactly once per change, and loses nothing.
#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "tests/fakes/fake_player.h"
#include "tests/wine/support/standin_player.h"
#include "watcher/win32_player_windows.h"

namespace sonarel::testing {
namespace {

// Every character of the ANSI code page but NUL and the line breaks (the
// stand-in player takes its titles line by line), as Unicode.
std::wstring everyAnsiCharacter() {
    std::string bytes;
    for (int b = 1; b < 256; ++b) {
        if (b != '\n' && b != '\r') bytes.push_back(static_cast<char>(b));
    }
    std::wstring text(bytes.size() * 2, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                     static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(length));
    return text;
}

class HostileTitles : public ::testing::Test {
protected:
    HostileTitles() { settings.WriteSetting(keys::onOff, flagSet); }

    std::vector<std::string> tick() {
        watcher.pollTick();
        return names.take();
    }

    CleanSettings clean;
    SettingsStore settings;
    StandInPlayer player;
    Win32PlayerWindows windows;
    RecordingSwitcher names;
    Watcher watcher{settings, windows, names};
};

TEST_F(HostileTitles, EveryShapeOfWinamp2TitleSwitchesOnceAndTheWatchGoesOn) {
    player.run("open2");
    const std::vector<std::string> shapes = {"long2 2047", "long2 2048", "long2 100000", "title2 ", "long2 1"};
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape);
        player.run(shape);
        tick();
        EXPECT_EQ(tick(), std::vector<std::string>{}) << "the same title is no change";
        player.run("title2 1. Known - Winamp");
        EXPECT_EQ(tick(), std::vector<std::string>{"changeName"});
    }
    // 100,000 characters are read as the first 2047.
    player.run("long2 100000");
    tick();
    EXPECT_EQ(watcher.state().winamp2Title.size(), 2047u);
}

TEST_F(HostileTitles, EveryAnsiCharacterIsReadBackExactly) {
    std::wstring title = everyAnsiCharacter();
    player.run("open2");
    player.run("title2", title);
    EXPECT_EQ(tick(), std::vector<std::string>{"changeName"});
    EXPECT_EQ(watcher.state().winamp2Title, title);

    player.run("close2");
    player.run("open3");
    player.run("title3", title);
    tick();
    EXPECT_EQ(watcher.state().winamp3Title, title);
}

TEST_F(HostileTitles, TitlesThatChangeEveryTickSwitchEveryTick) {
    player.run("open2");
    std::wstring scrolling = L"*** 7. Artist - A Rather Long Title *** ";
    for (int i = 0; i < 60; ++i) {
        std::rotate(scrolling.begin(), scrolling.begin() + 1, scrolling.end());
        player.run("title2", scrolling);
        ASSERT_EQ(tick(), std::vector<std::string>{"changeName"}) << i;
    }
}

}  // namespace
}  // namespace sonarel::testing
