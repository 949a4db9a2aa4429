#include "names/desktop_rules.h"

#include <algorithm>
#include <cwctype>
#include <limits>

namespace sonarel {

std::uint32_t millisecondsSince(TickCount stamp, TickCount now) {
    std::uint32_t age = now - stamp;
    if (static_cast<std::int32_t>(age) >= 0) return age;
    std::uint32_t ahead = stamp - now;
    return ahead <= furthestFutureStampMs ? 0 : age;
}

std::uint32_t awayAfter(const LockTimeouts& timeouts) {
    std::uint64_t away = longestAwayAfterMs;
    for (auto seconds : {timeouts.screenSaverSeconds, timeouts.inactivityLimitSeconds})
        if (seconds && *seconds > 0) away = std::min<std::uint64_t>(away, std::uint64_t{*seconds} * 1000 / 4);
    return static_cast<std::uint32_t>(away);
}

void UserInputClock::noteOwnInput(TickCount stamp, TickCount arrivedBy) {
    std::move_backward(own_.begin(), own_.end() - 1, own_.end());
    own_[0] = {stamp, arrivedBy};
    ownCount_ = std::min(ownCount_ + 1, own_.size());
}

bool UserInputClock::isOwn(TickCount stamp) const {
    return std::any_of(own_.begin(), own_.begin() + static_cast<std::ptrdiff_t>(ownCount_), [&](const auto& own) {
        return stamp - own.first <= own.second - own.first;  // within the batch's ticks, across a wrap too
    });
}

std::uint64_t UserInputClock::extend(TickCount now) {
    if (lastNow_) now_ += static_cast<TickCount>(now - *lastNow_);
    lastNow_ = now;
    return now_;
}

// A reading that changed is new input; a stamp from the future is input
// just now. Stamps need not increase: an older one does not move the
// user's last input back.
std::optional<std::uint32_t> UserInputClock::sinceUserInput(TickCount lastInput, TickCount now) {
    std::uint64_t now64 = extend(now);
    bool changed = lastReading_ != lastInput;
    lastReading_ = lastInput;
    if (changed && !isOwn(lastInput)) {
        std::uint64_t at = now64 - std::min<std::uint64_t>(millisecondsSince(lastInput, now), now64);
        if (!userLast_ || at > *userLast_) userLast_ = at;
    }
    if (!userLast_) return std::nullopt;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(now64 - *userLast_, std::numeric_limits<std::uint32_t>::max()));
}

namespace {

std::optional<std::uint32_t> readNumber(std::span<const std::byte> info, std::size_t offset) {
    if (info.size() < offset + 4) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::to_integer<std::uint32_t>(info[offset + i]) << (8 * i);
    return value;
}

}  // namespace

SessionFacts sessionFacts(std::span<const std::byte> info, std::optional<WindowsVersion> version) {
    SessionFacts facts;
    auto level = readNumber(info, sessionLevelOffset);
    auto state = readNumber(info, sessionStateOffset);
    auto flags = readNumber(info, sessionFlagsOffset);
    if (level != 1u || !state || !flags) return facts;
    facts.notActive = *state != sessionActive;
    bool from8 = version && (version->major > 6 || (version->major == 6 && version->minor >= 2));
    if (!from8) return facts;
    facts.locked = static_cast<std::int32_t>(*flags) == sessionFlagLocked;
    return facts;
}

FrontKind frontKind(std::wstring_view windowClass, bool desktopWindow) {
    if (desktopWindow || windowClass == L"Progman" || windowClass == L"WorkerW") return FrontKind::desktop;
    for (std::wstring_view shell : {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"Windows.UI.Core.CoreWindow"})
        if (windowClass == shell) return FrontKind::shell;
    return FrontKind::program;
}

bool shellSaysFullScreen(std::int32_t state, FrontKind front) {
    auto shell = static_cast<ShellState>(state);
    if (shell == ShellState::busy) return front == FrontKind::program;
    return shell == ShellState::gameFullScreen || shell == ShellState::presentation;
}

bool shellOpenInFront(std::int32_t state, FrontKind front) {
    return static_cast<ShellState>(state) == ShellState::app && front == FrontKind::shell;
}

bool inputOnAnotherDesktop(bool inputDesktopRefused, std::optional<std::wstring_view> messengers,
                           std::optional<std::wstring_view> taking) {
    if (inputDesktopRefused) return true;
    if (!messengers || !taking) return false;
    return !std::equal(messengers->begin(), messengers->end(), taking->begin(), taking->end(),
                       [](wchar_t a, wchar_t b) { return std::towupper(a) == std::towupper(b); });
}

UserActivity userActivity(const DesktopFacts& facts) {
    bool idleLong = facts.sinceUserInput && *facts.sinceUserInput >= facts.awayAfterMs;
    if (idleLong || facts.sessionLocked || facts.sessionNotActive || facts.otherDesktopTakesInput ||
        facts.shellSaysNotPresent)
        return UserActivity::away;
    if (facts.sinceUserInput && *facts.sinceUserInput < quietBeforeKeysMs) return UserActivity::typing;
    if (facts.modifierHeld) return UserActivity::keyHeld;
    if (facts.mouseButtonHeld) return UserActivity::mouseButtonHeld;
    if (facts.frontInMenu || facts.frontInPopupMenu || facts.shellSurfaceOpen) return UserActivity::menuOpen;
    if (facts.frontMovingOrSizing) return UserActivity::movingOrSizing;
    if (facts.frontCapturesMouse) return UserActivity::mouseCaptured;
    return UserActivity::idle;
}

bool coversItsMonitor(const FrontWindowFacts& front) {
    if (front.desktopOrShell || front.maximisedWithCaption) return false;
    const ScreenRect& w = front.window;
    const ScreenRect& m = front.monitor;
    bool monitorKnown = m.right > m.left && m.bottom > m.top;
    return monitorKnown && w.left <= m.left && w.top <= m.top && w.right >= m.right && w.bottom >= m.bottom;
}

namespace {

const TopLevelWindow* windowOf(const std::vector<TopLevelWindow>& zOrder, WindowHandle handle) {
    auto it = std::find_if(zOrder.begin(), zOrder.end(), [&](const TopLevelWindow& w) { return w.handle == handle; });
    return it == zOrder.end() ? nullptr : &*it;
}

// The window by which Alt+Tab shows the owner chain: from the root owner
// along the last active pop-ups, past hidden ones, to the first visible
// one; the root owner when none is visible. The walk is bounded, as a
// chain read window by window may change and loop meanwhile.
WindowHandle chainShownBy(const std::vector<TopLevelWindow>& zOrder, WindowHandle root) {
    WindowHandle walk = root;
    for (std::size_t step = 0; step < zOrder.size(); ++step) {
        const TopLevelWindow* at = windowOf(zOrder, walk);
        const TopLevelWindow* next = at ? windowOf(zOrder, at->lastActivePopup) : nullptr;
        if (!next || next->handle == walk) break;
        if (next->visible) return next->handle;
        walk = next->handle;
    }
    return root;
}

}  // namespace

std::optional<WindowHandle> altTabChoice(const std::vector<TopLevelWindow>& zOrder, WindowHandle hidden) {
    for (const TopLevelWindow& w : zOrder) {
        bool shown = w.visible && w.enabled && !w.minimised && !w.cloaked && !w.toolWindow && !w.noActivate &&
                     !w.taskBar && chainShownBy(zOrder, w.rootOwner) == w.handle;
        if (shown && w.handle != hidden) return w.handle;
    }
    return std::nullopt;
}

std::vector<KeyEvent> releasesAfterPartialInput(const std::vector<KeyEvent>& batch, std::size_t taken) {
    std::vector<KeyEvent> releases;
    taken = std::min(taken, batch.size());
    for (std::size_t i = taken; i-- > 0;) {
        const KeyEvent& event = batch[i];
        if (event.up) continue;
        bool letGo = std::any_of(batch.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                 batch.begin() + static_cast<std::ptrdiff_t>(taken),
                                 [&](const KeyEvent& later) { return later.up && later.key == event.key; });
        if (!letGo) releases.push_back({event.key, true});
    }
    return releases;
}

bool pressKeys(const std::vector<KeyEvent>& batch, const KeySender& send) {
    std::size_t taken = send(batch);
    if (taken >= batch.size()) return true;
    if (auto releases = releasesAfterPartialInput(batch, taken); !releases.empty()) send(releases);
    return false;
}

// In the order of what settles a batch soonest. A batch taken in part may
// still be read in part for a while, but never asked for the name. After
// the fallback time, a thread that answers has taken what reached it; when
// nothing did, the keys were swallowed on their way. Another window in
// front has the keyboard, so the conversation can no longer read them, and
// after the longest wait they count as lost; unless the conversation
// stopped answering, which holds them, and whose ghost Windows shows in
// its place.
BatchFate batchFate(const BatchFacts& facts) {
    if (facts.windowGone || facts.seen.lostOnTheWay) return BatchFate::lost;
    std::uint32_t waited = facts.now - facts.pressedAt;
    bool early = waited < keysReadFallbackMs;
    if (facts.partial) return early ? BatchFate::unread : BatchFate::lost;
    if (facts.seen.readThere) return BatchFate::read;
    if (!facts.watched) return early ? BatchFate::unread : BatchFate::read;
    if (facts.otherWindowInFront() && !facts.hung()) return BatchFate::lost;
    if (early) return BatchFate::unread;
    if (!facts.seen.arrived && facts.answersWithNothingArrived()) return BatchFate::lost;
    if (waited < keysReadLongestWaitMs || facts.hung()) return BatchFate::unread;
    return BatchFate::lost;
}

}  // namespace sonarel
