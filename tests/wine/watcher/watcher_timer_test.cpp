// The real watcher on a real one-second thread timer, reading the stand-in
// player's windows and the real settings store, with a recording switcher.
#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "tests/fakes/fake_player.h"
#include "tests/wine/support/standin_player.h"
#include "watcher/win32_player_windows.h"

namespace sonarel::testing {
namespace {

using Calls = std::vector<std::string>;
const std::string kSwitch = "changeName";
const std::string kRestore = "changeNameBack";

// A one-second thread timer on this thread that runs the watcher's tick and
// counts how often it fired.
class PollTimer {
public:
    explicit PollTimer(Watcher& watcher) : watcher_(watcher) {
        current = this;
        id_ = SetTimer(nullptr, 0, 1000, &PollTimer::fired);
    }
    PollTimer(const PollTimer&) = delete;
    PollTimer& operator=(const PollTimer&) = delete;
    ~PollTimer() {
        KillTimer(nullptr, id_);
        current = nullptr;
    }

    bool started() const { return id_ != 0; }
    int ticks() const { return ticks_; }

private:
    static void CALLBACK fired(HWND, UINT, UINT_PTR, DWORD) {
        if (!current) return;
        ++current->ticks_;
        current->watcher_.pollTick();
    }
    static inline thread_local PollTimer* current = nullptr;

    Watcher& watcher_;
    UINT_PTR id_ = 0;
    int ticks_ = 0;
};

class WatcherOnTimerTest : public ::testing::Test {
protected:
    WatcherOnTimerTest() {
        settings.WriteSetting(keys::onOff, flagSet);
        names.during = [this] { callTicks.push_back(timer.ticks()); };
    }

    // Pumps messages until the timer has fired n more times; a guard
    // deadline only stops a timer that does not fire at all.
    void passTicks(int n) {
        int target = timer.ticks() + n;
        ASSERT_TRUE(waitUntil([&] { return timer.ticks() >= target; }, std::chrono::seconds(n + 3)));
    }

    // Runs a player command; returns the tick count once it took effect.
    int command(const std::string& line) {
        player.run(line);
        return timer.ticks();
    }

    CleanSettings clean;
    SettingsStore settings;
    StandInPlayer player;
    Win32PlayerWindows windows;
    RecordingSwitcher names;
    std::vector<int> callTicks;  // the tick in which each call came
    Watcher watcher{settings, windows, names};
    PollTimer timer{watcher};
};

TEST_F(WatcherOnTimerTest, Winamp2PlayStopResumeAndClose) {
    ASSERT_TRUE(timer.started());
    command("open2");

    // A new title: exactly one switch, in the first tick that can see it.
    int shown = command("play2 Song");
    passTicks(2);
    EXPECT_EQ(names.take(), Calls{kSwitch});
    ASSERT_EQ(callTicks.size(), 1u);
    EXPECT_LE(callTicks[0], shown + 1);
    callTicks.clear();

    // Stopped: one restore, in the first tick that can see it, and nothing
    // on the tick after it.
    int stopped = command("stop2");
    passTicks(2);
    EXPECT_EQ(names.take(), Calls{kRestore});
    ASSERT_EQ(callTicks.size(), 1u);
    EXPECT_LE(callTicks[0], stopped + 1);
    EXPECT_EQ(watcher.state().winamp2Showing, L"0");
    callTicks.clear();

    command("resume2");
    ASSERT_TRUE(waitUntil([&] { return !names.calls.empty(); }, 4s));
    EXPECT_EQ(names.take(), Calls{kSwitch});

    // Closed: one restore, and nothing on the tick after it.
    int closed = command("close2");
    passTicks(2);
    EXPECT_EQ(names.take(), Calls{kRestore});
    EXPECT_EQ(watcher.state().winamp2Showing, L"0");
    EXPECT_LE(callTicks.back(), closed + 1);
}

// Off puts the plain name back once and then does nothing; on again, the
// song that plays shows the listening name without waiting for the next.
TEST_F(WatcherOnTimerTest, SwitchedOffThePlainNameComesBackAndOnAgainTheSongShows) {
    command("open2");
    command("play2 First");
    ASSERT_TRUE(waitUntil([&] { return !names.calls.empty(); }, 4s));
    EXPECT_EQ(names.take(), Calls{kSwitch});

    settings.WriteSetting(keys::onOff, flagClear);
    command("play2 Second");  // the reader would switch
    passTicks(2);
    EXPECT_EQ(names.take(), Calls{kRestore});
    EXPECT_EQ(watcher.state().winamp2Showing, L"0");
    passTicks(1);
    EXPECT_EQ(names.take(), Calls{});

    settings.WriteSetting(keys::onOff, flagSet);
    passTicks(1);
    EXPECT_EQ(names.take(), Calls{kSwitch});
    command("close2");
    passTicks(2);
    EXPECT_EQ(names.take(), Calls{kRestore});
}

TEST_F(WatcherOnTimerTest, WithBothPlayersOpenOnlyWinamp3IsRead) {
    command("open3");
    command("play3 Three");
    command("open2");
    command("play2 Two");
    passTicks(2);
    EXPECT_EQ(names.take(), Calls{kSwitch});
    EXPECT_EQ(watcher.state().winamp3Title, L"Three - Winamp3");
    EXPECT_EQ(watcher.state().winamp2Title, L"");  // shown for two ticks, never read

    // Without Winamp 3 the Winamp 2 title is read, and Winamp 3's name is
    // restored in the same tick.
    command("close3");
    passTicks(1);
    EXPECT_EQ(names.take(), (Calls{kSwitch, kRestore}));
    EXPECT_EQ(watcher.state().winamp2Title, L"1. Two - Winamp");
    EXPECT_EQ(watcher.state().winamp2Showing, L"1");
    EXPECT_EQ(watcher.state().winamp3Showing, L"0");
}

}  // namespace
}  // namespace sonarel::testing
