#pragma once
// The player watcher: the one-second tick, the two title readers and the
// decision when to switch the display name or put it back. Free of
// windows.h: the window system and the name switcher are reached through
// the narrow interfaces below, so the decisions can be tested with fakes.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/name_switcher.h"
#include "common/window_handle.h"
#include "settings/settings.h"

namespace sonarel {

namespace playerClass {
inline constexpr std::wstring_view winamp3 = L"studio";
inline constexpr std::wstring_view winamp3Root = L"basewindow_rootwnd";
inline constexpr std::wstring_view winamp2 = L"Winamp v1.x";
}  // namespace playerClass

// Per-thread watcher state. Flags are texts: only "1" counts as set.
struct WatcherState {
    std::uintptr_t pollTimerId = 0;
    std::wstring winamp2Title;
    std::wstring winamp3Title;
    std::wstring winamp2Showing;
    std::wstring winamp3Showing;
};

// The player's windows, as the window system shows them.
class PlayerWindows {
public:
    virtual ~PlayerWindows() = default;
    // The first top-level window of the class, or 0.
    virtual WindowHandle findTopLevel(std::wstring_view className) = 0;
    // Text of the window that owns the first "basewindow_rootwnd" window;
    // empty when there is none. No value when the window closed mid-read.
    virtual std::optional<std::wstring> winamp3Title() = 0;
    // The raw text buffer of the first "Winamp v1.x" window (title, NUL and
    // what the read left of the buffer). No value when the window is gone.
    virtual std::optional<std::wstring> winamp2TitleBuffer() = 0;
};

enum class NameDecision { listening, plain };

// Takes one line of the trace: why the name changed, or why it did not yet.
using TraceWriter = std::function<void(std::wstring_view line)>;

// "listening name" or "plain name".
std::wstring_view nameOf(NameDecision decision);

// "Sonarel: switch to the listening name", and for an attempt
// "Sonarel: listening name waits: the user is typing".
std::wstring decisionTraceLine(NameDecision decision);
std::wstring outcomeTraceLine(NameDecision decision, SendOutcome outcome);
// "Sonarel: listening name "Ann ..." not confirmed; next try in 10 s".
std::wstring unconfirmedTraceLine(NameDecision decision, std::wstring_view name, std::chrono::seconds nextTry);

// A decision whose name does not show yet: it is tried again on later
// ticks, or follows the name on its way until that shows.
struct PendingDecision {
    NameDecision decision;
    SendOutcome lastOutcome;
    int failedAttempts;  // in a row, the decision's own first call included; waits do not count
    WatchClock::time_point lastAttempt;
    // The last attempt was the one made when the command conversation it had
    // opened was reported; the next one waits for a tick.
    bool openingAnswered = false;
};

// How hard a pending decision is retried: once a tick at first, then,
// after this many failures in a row, at most once per slow interval. One
// that waits is tried on every tick.
inline constexpr int quickRetries = 5;
inline constexpr std::chrono::seconds slowRetryInterval{10};

// Once a name went unconfirmed, and until a whole minute passes in which
// every name sent showed, at most five name commands go out in any minute.
class NameCommandLimit {
public:
    static constexpr std::size_t namesPerWindow = 5;
    static constexpr std::chrono::seconds window{60};

    void noteSent(WatchClock::time_point at);
    void noteUnconfirmed(WatchClock::time_point at);
    bool allows(WatchClock::time_point now);

private:
    std::optional<WatchClock::time_point> lastUnconfirmed_;
    std::vector<WatchClock::time_point> sent_;  // the last minute's, a few
};

class Watcher {
public:
    Watcher(const Settings& settings, PlayerWindows& windows, NameSwitcher& names,
            ClockReader now = WatchClock::now, TraceWriter trace = nullptr)
        : settings_(settings), windows_(windows), names_(names), now_(std::move(now)), trace_(std::move(trace)) {}

    // One tick of the poll timer.
    void pollTick();
    void checkWinamp3();
    void checkWinamp2();
    // The messenger reported the command conversation: a decision that only
    // waited for it to open is sent now rather than on the next tick.
    void commandConversationReady();
    // The user saved new choices: the next tick decides again as if the
    // title had just changed, and with nothing playing puts the plain name.
    void decideAgain() { decideAgainDue_ = true; }

    WatcherState& state() { return state_; }
    const WatcherState& state() const { return state_; }
    const std::optional<PendingDecision>& pending() const { return pending_; }

private:
    void whileSwitchedOff();
    void switchedOnAgain();
    void repairIfLeftBehind();
    void repairAsAtStart();
    void restoreIfPlayerClosed();
    void switchName(std::wstring& showing);
    void restoreName(std::wstring& showing);
    void forgetTitles();
    void decideAgainIfDue();
    void takeDecision(NameDecision decision);
    void retryPendingIfDue();
    void retryPending(bool answeringOpening);
    void take(const FlightNews& news);
    void noteUnconfirmed(const FlightNews& news);
    bool followsFlight() const;
    SendOutcome attempt(NameDecision decision);
    void note(SendOutcome outcome, bool answeringOpening);
    void trace(const std::wstring& line);
    void traceReason(std::wstring_view reason);

    const Settings& settings_;
    PlayerWindows& windows_;
    NameSwitcher& names_;
    ClockReader now_;
    TraceWriter trace_;
    WatcherState state_;
    std::optional<PendingDecision> pending_;
    NameCommandLimit limit_;
    bool decidedThisTick_ = false;
    bool decidedSinceStart_ = false;
    // The name on its way ended this tick: a decision that waited for it
    // goes at once.
    bool flightEnded_ = false;
    // A listening name given up showed after all.
    bool lateListeningName_ = false;
    bool decideAgainDue_ = false;
    bool otherAccount_ = false;
    bool quickTextsGivenBack_ = false;
    bool winamp2Seen_ = false;  // a Winamp 2 title was read since start-up
    // Off: the ticks since the watch was switched off have looked whether
    // the listening name may show, and put the plain name back if so.
    bool offSeen_ = false;
    // Repair at start: a process that ended while a song played may have
    // left the listening name behind. Looked at once no song has played
    // by the second tick with the watch on, again and again while the
    // messenger cannot tell.
    bool repairDue_ = true;
    int ticksOn_ = 0;
    std::optional<WatchClock::time_point> lastRepairLook_;
    // A name switch can let messages through (outgoing COM calls); a tick
    // that arrives meanwhile must not start a second switch inside it.
    bool ticking_ = false;
};

}  // namespace sonarel
