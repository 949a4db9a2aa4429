#pragma once
// The window system's rules as the name switch applies them: whose input
// the last input was and how long ago, whether the user is away or at
// work, whether the window in front covers its monitor, where the keyboard
// goes when the window that had it is gone, which keys to let go after a
// batch of keys went in only in part, and what became of a batch. Free of
// windows.h: the window system gathers the facts, and these rules decide.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "common/window_handle.h"

namespace sonarel {

// Milliseconds, as the window system counts them; they wrap every 49.7 days.
using TickCount = std::uint32_t;

// A stamp ahead of now by more than this is no stamp from the future but
// one from 24.8 to 49.7 days ago, read across the wrap.
inline constexpr std::uint32_t furthestFutureStampMs = 86'400'000;

// How long ago the stamp was at `now`. A stamp a little later than now (the
// window system does not promise ever-increasing stamps, and injected input
// may carry its own) is input just now, not 49 days ago; one more than a
// day ahead is that old, and so at least as old as the away time.
std::uint32_t millisecondsSince(TickCount stamp, TickCount now);

// The user's own last input, told apart from this process's own: the
// window system counts injected input as input, but the user made none.
class UserInputClock {
public:
    // Input this process injected, stamped `stamp`. A window system that
    // stamps input as it arrives gives it a tick up to `arrivedBy`.
    void noteOwnInput(TickCount stamp, TickCount arrivedBy);
    // Milliseconds since the user's own last input, from the last-input
    // stamp read at `now`; none while no input of the user's has been seen.
    std::optional<std::uint32_t> sinceUserInput(TickCount lastInput, TickCount now);

private:
    bool isOwn(TickCount stamp) const;
    std::uint64_t extend(TickCount now);

    // Times on a 64-bit count that does not wrap: an input 25 days old is
    // still 25 days old, not one from the future. Reads come far more
    // often than every 49 days.
    std::optional<std::uint64_t> userLast_;
    std::optional<TickCount> lastReading_;
    std::uint64_t now_ = std::uint64_t{1} << 32;  // room for any stamp before the first read
    std::optional<TickCount> lastNow_;
    // The last few batches of own input: a batch of keys may follow a
    // mouse move of our own within the same attempt.
    std::array<std::pair<TickCount, TickCount>, 4> own_{};
    std::size_t ownCount_ = 0;
};

// Input within this long counts as the user at work.
inline constexpr std::uint32_t quietBeforeKeysMs = 1000;
// No input of the user's own for this long counts as away at the latest:
// the shortest time-out the screen saver's settings offer.
inline constexpr std::uint32_t longestAwayAfterMs = 60000;

// The time-outs that injected input would hold off, in seconds; none where
// not in force (a screen saver switched off, no inactivity limit).
struct LockTimeouts {
    std::optional<std::uint32_t> screenSaverSeconds;
    std::optional<std::uint32_t> inactivityLimitSeconds;  // the machine's policy
};

// After how long without input the user counts as away: a quarter of the
// shortest time-out in force, so that the plug-in's input can put off the
// screen saver or the lock by that quarter at most, and never later than
// longestAwayAfterMs.
std::uint32_t awayAfter(const LockTimeouts& timeouts);

// What the window system shows of the user at one moment.
struct DesktopFacts {
    std::optional<std::uint32_t> sinceUserInput;  // none: not known
    std::uint32_t awayAfterMs = longestAwayAfterMs;
    bool modifierHeld = false;                     // Shift, Ctrl, Alt or a Windows key
    bool mouseButtonHeld = false;
    // The thread of the window in front.
    bool frontInMenu = false;
    bool frontInPopupMenu = false;
    bool frontMovingOrSizing = false;
    bool frontCapturesMouse = false;
    bool shellSurfaceOpen = false;  // Start, Search or the notification centre in front
    // The session.
    bool sessionLocked = false;
    bool sessionNotActive = false;        // disconnected, or switched out
    bool otherDesktopTakesInput = false;  // the secure desktop of a log-on or elevation prompt
    bool shellSaysNotPresent = false;
};

// The Windows version as the system reports it.
struct WindowsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};

// The extended session information, level 1, as Windows lays it out for a
// 32-bit program: a level, then a union that holds 64-bit times and so
// starts at offset 8.
inline constexpr std::size_t sessionLevelOffset = 0;
inline constexpr std::size_t sessionIdOffset = 8;
inline constexpr std::size_t sessionStateOffset = 12;
inline constexpr std::size_t sessionFlagsOffset = 16;
inline constexpr std::uint32_t sessionActive = 0;      // WTSActive
inline constexpr std::int32_t sessionFlagLocked = 0;   // WTS_SESSIONSTATE_LOCK
inline constexpr std::int32_t sessionFlagUnlocked = 1;  // WTS_SESSIONSTATE_UNLOCK

struct SessionFacts {
    bool locked = false;
    bool notActive = false;  // disconnected, or switched out
};

// The session from those bytes. Windows 7 and Server 2008 R2 (6.1) report
// the lock flag the other way round, and a program in a compatibility mode
// may be told 6.1 or less on a later Windows (the information itself comes
// only from 6.1 on): unless the version says 6.2 or later, the flag is not
// relied on, and a lock is seen by the input desktop and the shell's state
// instead. What cannot be read counts as present.
SessionFacts sessionFacts(std::span<const std::byte> info, std::optional<WindowsVersion> version);

// The shell's notification state (SHQueryUserNotificationState).
enum class ShellState : std::int32_t {
    notPresent = 1,      // locked, the screen saver, or switched out
    busy = 2,            // a program in full screen
    gameFullScreen = 3,  // a game in exclusive full screen
    presentation = 4,    // presentation mode
    acceptsNotifications = 5,
    quietTime = 6,
    app = 7,
};

// What the window in front is, by its class.
enum class FrontKind {
    program,
    desktop,  // the desktop window, or the shell's desktop (Progman, WorkerW)
    shell,    // the task bar, or the shell's own surfaces: Start, Search, the notification centre
};
FrontKind frontKind(std::wstring_view windowClass, bool desktopWindow);

// A presentation, a game or a busy full-screen program: taking the
// foreground would interrupt it, whatever its window covers. Graphics
// drivers' overlays make the shell say "busy" at the bare desktop too, so
// "busy" counts only while a program is in front.
bool shellSaysFullScreen(std::int32_t state, FrontKind front);

// Windows 10 and 11 say "a store app" while Start, Search or the
// notification centre is open, which taking the foreground would close;
// a store app's own window in front is a program like any other.
bool shellOpenInFront(std::int32_t state, FrontKind front);

// Whether another desktop than the messenger's takes the input: one that
// refuses us (the lock screen's, or the secure desktop of a log-on or
// elevation prompt), or another that a desktop switcher shows. Desktop
// names ignore letter case; names not known tell nothing.
bool inputOnAnotherDesktop(bool inputDesktopRefused, std::optional<std::wstring_view> messengers,
                           std::optional<std::wstring_view> taking);

enum class UserActivity {
    idle,
    away,             // no input for the away time, or the session is locked or elsewhere
    typing,           // input of the user's own in the last second
    keyHeld,          // Shift, Ctrl, Alt or a Windows key is down
    mouseButtonHeld,  // a drag, a selection, a push-to-talk button
    menuOpen,         // a menu, a pop-up menu or a drop-down of the window in front, or Start
    movingOrSizing,   // the window in front is being moved or sized
    mouseCaptured,    // the window in front holds the mouse
};

// Away comes first: then nothing may be injected at all.
UserActivity userActivity(const DesktopFacts& facts);

struct ScreenRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct FrontWindowFacts {
    bool desktopOrShell = false;  // the desktop and the shell's windows cover it without being a program
    bool maximisedWithCaption = false;
    ScreenRect window;
    ScreenRect monitor;
};

// True for a program in full screen: its window covers its whole monitor.
// A maximised window with a caption overlaps the monitor with its frame.
bool coversItsMonitor(const FrontWindowFacts& front);

// A top-level window as the Alt+Tab list judges it.
struct TopLevelWindow {
    WindowHandle handle = 0;
    bool visible = false;
    bool enabled = false;
    bool minimised = false;
    bool cloaked = false;  // on another virtual desktop, or hidden by the shell
    bool toolWindow = false;
    bool noActivate = false;
    bool taskBar = false;
    // Alt+Tab shows an owner chain once: walking from the root owner along
    // the last active pop-ups, past hidden ones, to the first visible one.
    WindowHandle rootOwner = 0;
    WindowHandle lastActivePopup = 0;
};

// The first window in Z order that Alt+Tab would show, other than the
// hidden one; none when there is none. Minimised windows are passed over:
// the keyboard in a minimised window reaches nothing the user sees.
std::optional<WindowHandle> altTabChoice(const std::vector<TopLevelWindow>& zOrder, WindowHandle hidden);

struct KeyEvent {
    std::uint16_t key = 0;
    bool up = false;
    bool operator==(const KeyEvent&) const = default;
};

// The key-ups that let go of what went down when the window system took
// only the first `taken` events of a batch: last down, first up.
std::vector<KeyEvent> releasesAfterPartialInput(const std::vector<KeyEvent>& batch, std::size_t taken);

// Injects keys and answers how many the window system took.
using KeySender = std::function<std::size_t(const std::vector<KeyEvent>&)>;

// Sends the batch; when fewer were taken, what went down is let go at
// once, so that no Alt key stays held for the user. True when all went in.
bool pressKeys(const std::vector<KeyEvent>& batch, const KeySender& send);

// Injected keys are delivered from the conversation's message queue. Where
// its thread cannot be watched, a batch counts as read after this long; a
// watched one unread this long, of which nothing reached a thread that
// answers, never will be read.
inline constexpr std::uint32_t keysReadFallbackMs = 2000;
// A batch unread this long counts as lost unless the conversation itself
// stopped answering.
inline constexpr std::uint32_t keysReadLongestWaitMs = 30000;

// What the watch on the conversation's thread saw of a batch.
struct BatchSeen {
    bool arrived = false;       // a key of it reached the thread, taken or only looked at
    bool readThere = false;     // its last key was taken for the conversation or a child of it
    bool lostOnTheWay = false;  // a key of it was taken for another window, or input stamped after it first
};

enum class BatchFate {
    unread,  // the conversation may still read it
    read,    // the conversation read it
    lost,    // it will not reach the conversation
};

struct BatchFacts {
    BatchSeen seen;
    bool windowGone = false;
    bool partial = false;  // the window system took only part of it
    bool watched = false;  // the conversation's thread could be watched
    TickCount pressedAt = 0;
    TickCount now = 0;
    // Each asks the window system, so it is asked only when the answer
    // matters.
    std::function<bool()> otherWindowInFront;
    std::function<bool()> answersWithNothingArrived;  // the thread answers, and nothing of the batch came
    std::function<bool()> hung;                       // the conversation stopped answering
};

// What became of the batch. While the conversation itself does not answer,
// it may still read the keys: they stay unread.
BatchFate batchFate(const BatchFacts& facts);

}  // namespace sonarel
