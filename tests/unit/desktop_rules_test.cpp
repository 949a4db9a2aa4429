// The window system's rules: time stamps and own input, the user away or at
// work, full screen, where the keyboard goes, and keys let go.
#include <gtest/gtest.h>

#include "names/desktop_rules.h"

namespace sonarel::testing {
namespace {

TEST(DesktopRules, TimeStampsAcrossTheWrapAndFromTheFuture) {
    struct Case {
        TickCount stamp, now;
        std::uint32_t since;
    };
    const Case cases[] = {
        {1000, 1500, 500},
        {1500, 1500, 0},
        {1600, 1500, 0},                  // later than now: input just now
        {0xFFFFFF00u, 0x100, 0x200},      // across the wrap
        {0x200, 0xFFFFFF00u, 0},          // a stamp 49 days "ago" is one from just now
        {0, 0x7FFFFFFF, 0x7FFFFFFF},
    };
    for (const Case& c : cases) EXPECT_EQ(millisecondsSince(c.stamp, c.now), c.since) << c.stamp << " " << c.now;
}

// The user's last own input: input of this process does not count, only
// its exact stamp (or the ticks its arrival took) does, and an older stamp
// does not move the user's input back.
TEST(DesktopRules, TheUsersOwnLastInput) {
    UserInputClock clock;
    struct Step {
        const char* what;
        std::optional<std::pair<TickCount, TickCount>> own;  // injected before the read
        TickCount lastInput, now;
        std::optional<std::uint32_t> since;
    };
    const Step steps[] = {
        {"the first read is the user's", {}, 1000, 1200, 200},
        {"own input stamped 5000", std::pair<TickCount, TickCount>{5000, 5000}, 5000, 5100, 4100},
        {"a key of the user 1 ms after it", {}, 5001, 5100, 99},
        {"own input that took 2 ms to arrive", std::pair<TickCount, TickCount>{9000, 9002}, 9002, 9100, 4099},
        {"an older stamp", {}, 4000, 9200, 4199},
        {"a stamp from the future", {}, 9900, 9300, 0},
        {"own input across the wrap", std::pair<TickCount, TickCount>{0xFFFFFFFEu, 1}, 0, 70000, 60700},
        {"the same stamp 25 days on", {}, 0, 70000 + 2160000000u, 2160060700u},
        {"input 25 days after the last read", {}, 2160069900u, 70000 + 2160000000u, 100},
        {"input before the wrap, read after it", {}, 0xFFFFFF00u, 0x100, 0x200},
    };
    for (const Step& step : steps) {
        if (step.own) clock.noteOwnInput(step.own->first, step.own->second);
        EXPECT_EQ(clock.sinceUserInput(step.lastInput, step.now), step.since) << step.what;
    }
    UserInputClock fresh;
    fresh.noteOwnInput(300, 300);
    EXPECT_EQ(fresh.sinceUserInput(300, 400), std::nullopt) << "no input of the user's seen yet";
}

// The extended session information, byte for byte as Windows gives it to a
// 32-bit program: the level, four bytes of padding, then session id,
// state and flags.
TEST(DesktopRules, TheSessionAsWindowsLaysItOut) {
    auto bytes = [](std::uint32_t level, std::uint32_t state, std::int32_t flags) {
        std::vector<std::byte> info(24, std::byte{0xCC});
        auto put = [&](std::size_t at, std::uint32_t value) {
            for (std::size_t i = 0; i < 4; ++i) info[at + i] = std::byte(static_cast<unsigned char>(value >> (8 * i)));
        };
        put(0, level);
        put(8, 1);  // the session id
        put(12, state);
        put(16, static_cast<std::uint32_t>(flags));
        return info;
    };
    const WindowsVersion win7{6, 1}, win10{10, 0}, win8{6, 2}, vista{6, 0}, xp{5, 1};
    constexpr std::uint32_t disconnected = 4;  // WTSDisconnected
    struct Case {
        const char* what;
        std::vector<std::byte> info;
        std::optional<WindowsVersion> version;
        bool locked, notActive;
    };
    const Case cases[] = {
        {"Windows 10, active", bytes(1, sessionActive, sessionFlagUnlocked), win10, false, false},
        {"Windows 10, locked", bytes(1, sessionActive, sessionFlagLocked), win10, true, false},
        {"Windows 8, locked", bytes(1, sessionActive, sessionFlagLocked), win8, true, false},
        {"disconnected, lock not known", bytes(1, disconnected, -1), win10, false, true},
        // 6.1: a real Windows 7 reports the flag the other way round, a
        // later one in Windows 7 compatibility mode may not; neither is
        // relied on, the input desktop tells the lock.
        {"6.1, flag reads locked", bytes(1, sessionActive, sessionFlagLocked), win7, false, false},
        {"6.1, flag reads unlocked", bytes(1, sessionActive, sessionFlagUnlocked), win7, false, false},
        {"6.1, disconnected", bytes(1, disconnected, sessionFlagUnlocked), win7, false, true},
        // Below 6.1 the version was lowered: Windows 7 or a later one.
        {"6.0, flag reads locked", bytes(1, sessionActive, sessionFlagLocked), vista, false, false},
        {"5.1, flag reads locked", bytes(1, sessionActive, sessionFlagLocked), xp, false, false},
        {"version not known: the flag is not relied on", bytes(1, sessionActive, sessionFlagLocked), std::nullopt,
         false, false},
        {"another level", bytes(2, disconnected, sessionFlagLocked), win10, false, false},
        {"cut short", std::vector<std::byte>(16, std::byte{0}), win10, false, false},
        {"nothing", {}, win10, false, false},
    };
    for (const Case& c : cases) {
        SessionFacts facts = sessionFacts(c.info, c.version);
        EXPECT_EQ(facts.locked, c.locked) << c.what;
        EXPECT_EQ(facts.notActive, c.notActive) << c.what;
    }
}

TEST(DesktopRules, ShellStatesThatKeepTheForeground) {
    const std::pair<std::int32_t, bool> cases[] = {
        {0, false}, {1, false}, {2, true}, {3, true}, {4, true}, {5, false}, {6, false}, {7, false}, {99, false},
    };
    for (auto [state, fullScreen] : cases) EXPECT_EQ(shellSaysFullScreen(state), fullScreen) << state;
}

TEST(DesktopRules, AwayAndAtWorkReasons) {
    struct Case {
        const char* what;
        DesktopFacts facts;
        UserActivity activity;
    };
    DesktopFacts quiet{.sinceUserInput = 5000};
    auto with = [&](auto change) {
        DesktopFacts facts = quiet;
        change(facts);
        return facts;
    };
    const Case cases[] = {
        {"quiet", quiet, UserActivity::idle},
        {"input not known", DesktopFacts{}, UserActivity::idle},
        {"59.9 s without input", with([](auto& f) { f.sinceUserInput = 59999; }), UserActivity::idle},
        {"a minute without input", with([](auto& f) { f.sinceUserInput = 60000; }), UserActivity::away},
        {"locked", with([](auto& f) { f.sessionLocked = true; }), UserActivity::away},
        {"disconnected", with([](auto& f) { f.sessionNotActive = true; }), UserActivity::away},
        {"secure desktop", with([](auto& f) { f.otherDesktopTakesInput = true; }), UserActivity::away},
        {"not present", with([](auto& f) { f.shellSaysNotPresent = true; }), UserActivity::away},
        {"locked while a key is held", with([](auto& f) {
             f.sessionLocked = true;
             f.modifierHeld = true;
         }), UserActivity::away},
        {"typing", with([](auto& f) { f.sinceUserInput = 999; }), UserActivity::typing},
        {"a second after the last key", with([](auto& f) { f.sinceUserInput = 1000; }), UserActivity::idle},
        {"key held", with([](auto& f) { f.modifierHeld = true; }), UserActivity::keyHeld},
        {"mouse button held", with([](auto& f) { f.mouseButtonHeld = true; }), UserActivity::mouseButtonHeld},
        {"menu", with([](auto& f) { f.frontInMenu = true; }), UserActivity::menuOpen},
        {"pop-up menu", with([](auto& f) { f.frontInPopupMenu = true; }), UserActivity::menuOpen},
        {"move or size", with([](auto& f) { f.frontMovingOrSizing = true; }), UserActivity::movingOrSizing},
        {"capture", with([](auto& f) { f.frontCapturesMouse = true; }), UserActivity::mouseCaptured},
        {"a menu holds the capture", with([](auto& f) {
             f.frontInMenu = true;
             f.frontCapturesMouse = true;
         }), UserActivity::menuOpen},
    };
    for (const Case& c : cases) EXPECT_EQ(userActivity(c.facts), c.activity) << c.what;
}

TEST(DesktopRules, AWindowCoveringItsMonitor) {
    const ScreenRect monitor{0, 0, 1280, 1024};
    struct Case {
        const char* what;
        FrontWindowFacts front;
        bool fullScreen;
    };
    const Case cases[] = {
        {"exactly", {false, false, {0, 0, 1280, 1024}, monitor}, true},
        {"beyond every edge", {false, false, {-8, -8, 1288, 1032}, monitor}, true},
        {"one pixel short", {false, false, {0, 0, 1280, 1023}, monitor}, false},
        {"maximised with a caption", {false, true, {-8, -8, 1288, 1032}, monitor}, false},
        {"the desktop", {true, false, {0, 0, 1280, 1024}, monitor}, false},
        {"a second monitor", {false, false, {1280, 0, 2560, 1024}, {1280, 0, 2560, 1024}}, true},
        {"no monitor known", {false, false, {0, 0, 1280, 1024}, {}}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(coversItsMonitor(c.front), c.fullScreen) << c.what;
}

// The keyboard goes where Alt+Tab would go: the first window in Z order
// that it shows.
TEST(DesktopRules, TheAltTabChoice) {
    auto window = [](WindowHandle handle) {
        return TopLevelWindow{handle, true, true, false, false, false, false, false, handle, handle};
    };
    auto but = [&](WindowHandle handle, auto change) {
        TopLevelWindow w = window(handle);
        change(w);
        return w;
    };
    struct Case {
        const char* what;
        std::vector<TopLevelWindow> zOrder;
        std::optional<WindowHandle> choice;
    };
    const Case cases[] = {
        {"the first", {window(1), window(2)}, 1},
        {"not the hidden one", {window(9), window(2)}, 2},
        {"none", {}, std::nullopt},
        {"invisible", {but(1, [](auto& w) { w.visible = false; }), window(2)}, 2},
        {"disabled", {but(1, [](auto& w) { w.enabled = false; }), window(2)}, 2},
        {"minimised", {but(1, [](auto& w) { w.minimised = true; }), window(2)}, 2},
        {"cloaked", {but(1, [](auto& w) { w.cloaked = true; }), window(2)}, 2},
        {"tool window", {but(1, [](auto& w) { w.toolWindow = true; }), window(2)}, 2},
        {"no activation", {but(1, [](auto& w) { w.noActivate = true; }), window(2)}, 2},
        {"the task bar", {but(1, [](auto& w) { w.taskBar = true; }), window(2)}, 2},
        {"an owner whose dialog is its last active pop-up",
         {but(1, [](auto& w) { w.lastActivePopup = 3; }), window(2), but(3, [](auto& w) { w.rootOwner = 1; })}, 2},
        {"that dialog", {but(1, [](auto& w) { w.lastActivePopup = 3; }), but(3, [](auto& w) { w.rootOwner = 1; })}, 3},
        {"an owner whose last pop-up is hidden",
         {but(1, [](auto& w) { w.lastActivePopup = 3; }), but(3, [](auto& w) {
              w.rootOwner = 1;
              w.visible = false;
          })},
         1},
        {"past a hidden pop-up to its own last pop-up",
         {but(1, [](auto& w) { w.lastActivePopup = 3; }), but(3, [](auto& w) {
              w.rootOwner = 1;
              w.visible = false;
              w.lastActivePopup = 4;
          }),
          but(4, [](auto& w) { w.rootOwner = 1; })},
         4},
        {"a chain that loops", {but(1, [](auto& w) { w.lastActivePopup = 3; }), but(3, [](auto& w) {
              w.rootOwner = 1;
              w.visible = false;
              w.lastActivePopup = 1;
          })},
         1},
        {"nothing Alt+Tab shows", {but(1, [](auto& w) { w.toolWindow = true; })}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(altTabChoice(c.zOrder, 9), c.choice) << c.what;
}

TEST(DesktopRules, KeysThatWentDownAreLetGo) {
    const std::uint16_t alt = 0x12, zero = '0';
    const std::vector<KeyEvent> hotKey = {{alt, false}, {zero, false}, {zero, true}, {alt, true}};
    const std::vector<std::vector<KeyEvent>> releases = {
        {},                           // nothing taken
        {{alt, true}},                // Alt went down
        {{zero, true}, {alt, true}},  // both went down: last down, first up
        {{alt, true}},                // "0" went up again
        {},                           // all taken
    };
    for (std::size_t taken = 0; taken < releases.size(); ++taken) {
        EXPECT_EQ(releasesAfterPartialInput(hotKey, taken), releases[taken]) << taken;
        // A sender that takes that many: the releases go out at once.
        std::vector<std::vector<KeyEvent>> sent;
        bool all = pressKeys(hotKey, [&](const std::vector<KeyEvent>& batch) {
            sent.push_back(batch);
            return sent.size() == 1 ? taken : batch.size();
        });
        EXPECT_EQ(all, taken == hotKey.size()) << taken;
        auto expected = releases[taken].empty() ? std::vector<std::vector<KeyEvent>>{hotKey}
                                                : std::vector<std::vector<KeyEvent>>{hotKey, releases[taken]};
        EXPECT_EQ(sent, expected) << taken;
    }
}

}  // namespace
}  // namespace sonarel::testing
