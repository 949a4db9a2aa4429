#pragma once
// A watcher wired to fake windows, a fake store with the watch on, and a
// recording name switcher.
#include <gtest/gtest.h>

#include "tests/fakes/fake_player.h"
#include "tests/fakes/fake_settings.h"
#include "watcher/watcher.h"

namespace sonarel::testing {

using Calls = std::vector<std::string>;
inline const std::string kSwitch = "changeName";
inline const std::string kRestore = "changeNameBack";

class WatcherFixture : public ::testing::Test {
protected:
    FakeSettings settings{{std::wstring(keys::onOff), L"1"}};
    FakePlayerWindows windows;
    RecordingSwitcher names;
    WatchClock::time_point now{};
    Watcher watcher{settings, windows, names, [this] { return now; }};
    WatcherState& state = watcher.state();
};

}  // namespace sonarel::testing
