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
        {1000u - 2'592'000'000u, 1000, 2'592'000'000u},  // 30 days ago reads "ahead": it is 30 days old
        {1000 + furthestFutureStampMs, 1000, 0},          // a day ahead: just now
        {1001 + furthestFutureStampMs, 1000, 0u - 1 - furthestFutureStampMs},
    };
    for (const Case& c : cases) EXPECT_EQ(millisecondsSince(c.stamp, c.now), c.since) << c.stamp << " " << c.now;
}

// The user's last own input: input of this process does not count, only
// its exact stamp (or the ticks its arrival took) does, and an older stamp
// does not move the user's input back. Each case on a clock of its own.
TEST(DesktopRules, TheUsersOwnLastInput) {
    struct Step {
        const char* what;
        std::optional<std::pair<TickCount, TickCount>> own;  // injected before the read
        TickCount lastInput, now;
        std::optional<std::uint32_t> since;
    };
    using Own = std::pair<TickCount, TickCount>;
    const std::vector<std::vector<Step>> cases = {
        {
            {"the first read is the user's", {}, 1000, 1200, 200},
            {"own input stamped 5000", Own{5000, 5000}, 5000, 5100, 4100},
            {"a key of the user 1 ms after it", {}, 5001, 5100, 99},
            {"own input that took 2 ms to arrive", Own{9000, 9002}, 9002, 9100, 4099},
            {"an older stamp", {}, 4000, 9200, 4199},
            {"a stamp from the future", {}, 9900, 9300, 0},
            {"own input across the wrap", Own{0xFFFFFFFEu, 1}, 0, 70000, 60700},
            {"the same stamp 25 days on", {}, 0, 70000 + 2160000000u, 2160060700u},
            {"input 25 days after the last read", {}, 2160069900u, 70000 + 2160000000u, 100},
            {"input before the wrap, read after it", {}, 0xFFFFFF00u, 0x100, 0x200},
        },
        {{"only our own so far", Own{300, 300}, 300, 400, std::nullopt}},
        {
            {"the user's input just before the wrap", {}, 0xFFFFFFF0u, 0xFFFFFFF8u, 8},
            {"our own across it", Own{0xFFFFFFFEu, 3}, 2, 0x10, 0x20},
            {"a read after it", {}, 2, 0x100, 0x110},
        },
        {
            {"the user's input", {}, 100, 200, 100},
            {"our first batch, not arrived yet", Own{1000, 1000}, 100, 1001, 901},
            {"our second; the first arrives", Own{1005, 1005}, 1000, 1006, 906},
            {"the second arrives", {}, 1005, 1010, 910},
        },
        {
            {"a stamp 30 days old at the first reading", {}, 5000u - 2'592'000'000u, 5000, 2'592'000'000u},
            {"read again", {}, 5000u - 2'592'000'000u, 6000, 2'592'001'000u},
        },
    };
    for (const auto& steps : cases) {
        UserInputClock clock;
        for (const Step& step : steps) {
            if (step.own) clock.noteOwnInput(step.own->first, step.own->second);
            EXPECT_EQ(clock.sinceUserInput(step.lastInput, step.now), step.since) << step.what;
        }
    }
}

TEST(DesktopRules, AwayAfterAQuarterOfTheShortestTimeout) {
    struct Case {
        const char* what;
        LockTimeouts timeouts;
        std::uint32_t awayAfterMs;
    };
    const Case cases[] = {
        {"none in force", {}, 60000},
        {"a one-minute screen saver", {60, {}}, 15000},
        {"a ten-minute screen saver", {600, {}}, 60000},
        {"a two-minute inactivity limit", {{}, 120}, 30000},
        {"both: the shorter", {300, 60}, 15000},
        {"time-outs of 0 are off", {0, 0}, 60000},
        {"a time-out of one second", {1, {}}, 250},
        {"the largest time-out", {0xFFFFFFFFu, {}}, 60000},
    };
    for (const Case& c : cases) EXPECT_EQ(awayAfter(c.timeouts), c.awayAfterMs) << c.what;
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

// The shell's states as Windows gives them: "busy" also from a graphics
// driver's overlay at the bare desktop, "a store app" also while Start or
// Search is open.
TEST(DesktopRules, ShellStatesThatKeepTheForeground) {
    struct Case {
        std::int32_t state;
        FrontKind front;
        bool fullScreen, shellOpen;
    };
    const auto program = FrontKind::program, desktop = FrontKind::desktop, shell = FrontKind::shell;
    const Case cases[] = {
        {0, program, false, false}, {1, program, false, false}, {2, program, true, false},
        {2, desktop, false, false}, {2, shell, false, false},   {3, program, true, false},
        {3, desktop, true, false},  {4, program, true, false},  {4, shell, true, false},
        {5, program, false, false}, {5, shell, false, false},   {6, program, false, false},
        {7, program, false, false}, {7, desktop, false, false}, {7, shell, false, true},
        {99, shell, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shellSaysFullScreen(c.state, c.front), c.fullScreen) << c.state << " " << int(c.front);
        EXPECT_EQ(shellOpenInFront(c.state, c.front), c.shellOpen) << c.state << " " << int(c.front);
    }
    const std::pair<const wchar_t*, FrontKind> classes[] = {
        {L"Progman", desktop},       {L"WorkerW", desktop},
        {L"Shell_TrayWnd", shell},   {L"Shell_SecondaryTrayWnd", shell},
        {L"Windows.UI.Core.CoreWindow", shell},  // Start, Search, the notification centre
        {L"ApplicationFrameWindow", program},    // a store app's own window
        {L"IMWindowClass", program},
    };
    for (auto [name, kind] : classes) EXPECT_EQ(frontKind(name, false), kind) << std::wstring_view(name).size();
    EXPECT_EQ(frontKind(L"#32769", true), desktop) << "the desktop window, whatever its class";
}

TEST(DesktopRules, TheInputOnAnotherDesktop) {
    struct Case {
        const char* what;
        bool refused;
        std::optional<std::wstring_view> messengers, taking;
        bool another;
    };
    const Case cases[] = {
        {"refused: the lock screen or a secure desktop", true, {}, {}, true},
        {"refused, whatever the names", true, L"Default", L"Default", true},
        {"the messenger's own", false, L"Default", L"Default", false},
        {"the messenger's own in other letter case", false, L"Default", L"DEFAULT", false},
        {"a switcher's other desktop", false, L"Default", L"Desktop 2", true},
        {"a longer name", false, L"Default", L"Default2", true},
        {"the messenger's desktop not known", false, {}, L"Desktop 2", false},
        {"the input desktop not known", false, L"Default", {}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(inputOnAnotherDesktop(c.refused, c.messengers, c.taking), c.another) << c.what;
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
        {"Start open", with([](auto& f) { f.shellSurfaceOpen = true; }), UserActivity::menuOpen},
        {"14.9 s without input, away after 15 s", with([](auto& f) {
             f.sinceUserInput = 14999;
             f.awayAfterMs = 15000;
         }), UserActivity::idle},
        {"15 s without input, away after 15 s", with([](auto& f) {
             f.sinceUserInput = 15000;
             f.awayAfterMs = 15000;
         }), UserActivity::away},
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

// What became of a batch of keys, from what the watch on the conversation's
// thread saw and, only where it matters, what the window system says now.
TEST(DesktopRules, TheFateOfABatchOfKeys) {
    struct Case {
        const char* what;
        BatchSeen seen;
        TickCount pressedAt, now;
        BatchFate fate;
        bool otherInFront = false, answers = false, hung = false, partial = false, watched = true, gone = false;
    };
    const auto unread = BatchFate::unread, read = BatchFate::read, lost = BatchFate::lost;
    const BatchSeen nothing{}, arrived{true, false, false}, readThere{true, true, false}, onTheWay{true, false, true};
    const Case cases[] = {
        {"read at once", readThere, 1000, 1010, read},
        {"a key taken for another window", onTheWay, 1000, 1010, lost},
        {"read, but a key of it taken elsewhere first", {true, true, true}, 1000, 1010, lost},
        {"the window gone", arrived, 1000, 1010, lost, false, false, false, false, true, true},
        {"not yet, 1.9 s", nothing, 1000, 2999, unread, false, true},
        {"nothing came in 2 s, the thread answers", nothing, 1000, 3000, lost, false, true},
        {"nothing came in 2 s, the thread busy", nothing, 1000, 3000, unread},
        {"a key came, not yet read, 2 s", arrived, 1000, 3000, unread, false, true},
        {"another window in front", nothing, 1000, 1100, lost, true},
        {"another window in front, the conversation hung", arrived, 1000, 1100, unread, true, false, true},
        {"29.9 s", arrived, 1000, 30999, unread},
        {"30 s", arrived, 1000, 31000, lost},
        {"30 s, the conversation hung", arrived, 1000, 31000, unread, false, false, true},
        {"an hour, the conversation hung", arrived, 1000, 3601000, unread, false, false, true},
        {"taken in part, 1.9 s", arrived, 1000, 2999, unread, false, false, false, true},
        {"taken in part, 2 s", arrived, 1000, 3000, lost, false, false, false, true},
        {"taken in part, its Alt-up read", readThere, 1000, 3000, lost, false, false, false, true},
        {"not watched, 1.9 s", nothing, 1000, 2999, unread, false, false, false, false, false},
        {"not watched, 2 s", nothing, 1000, 3000, read, false, false, false, false, false},
        {"across the wrap, 0.5 s", nothing, 0xFFFFFF00u, 0x100, unread, false, true},
        {"across the wrap, 2.5 s, nothing came", nothing, 0xFFFFF800u, 0x200, lost, false, true},
        {"across the wrap, 2.5 s, busy", nothing, 0xFFFFF800u, 0x200, unread},
        {"across the wrap, 94 s", arrived, 0xFFFF0000u, 0x7000, lost},
        {"across the wrap, 94 s, hung", arrived, 0xFFFF0000u, 0x7000, unread, false, false, true},
    };
    for (const Case& c : cases) {
        int threadAsked = 0;
        BatchFacts facts{c.seen, c.gone, c.partial, c.watched, c.pressedAt, c.now, [&] { return c.otherInFront; },
                         [&] {
                             ++threadAsked;
                             return c.answers;
                         },
                         [&] { return c.hung; }};
        EXPECT_EQ(batchFate(facts), c.fate) << c.what;
        if (c.now - c.pressedAt < keysReadFallbackMs) {
            EXPECT_EQ(threadAsked, 0) << c.what << ": asked too soon";
        }
    }
}

}  // namespace
}  // namespace sonarel::testing
