#include "names/desktop_rules.h"

#include <algorithm>
#include <limits>

namespace sonarel {

std::uint32_t millisecondsSince(TickCount stamp, TickCount now) {
    auto elapsed = static_cast<std::int32_t>(now - stamp);
    return elapsed < 0 ? 0 : static_cast<std::uint32_t>(elapsed);
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

bool shellSaysFullScreen(std::int32_t state) {
    auto shell = static_cast<ShellState>(state);
    return shell == ShellState::busy || shell == ShellState::gameFullScreen || shell == ShellState::presentation;
}

UserActivity userActivity(const DesktopFacts& facts) {
    bool idleLong = facts.sinceUserInput && *facts.sinceUserInput >= awayAfterMs;
    if (idleLong || facts.sessionLocked || facts.sessionNotActive || facts.otherDesktopTakesInput ||
        facts.shellSaysNotPresent)
        return UserActivity::away;
    if (facts.sinceUserInput && *facts.sinceUserInput < quietBeforeKeysMs) return UserActivity::typing;
    if (facts.modifierHeld) return UserActivity::keyHeld;
    if (facts.mouseButtonHeld) return UserActivity::mouseButtonHeld;
    if (facts.frontInMenu || facts.frontInPopupMenu) return UserActivity::menuOpen;
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

}  // namespace sonarel
