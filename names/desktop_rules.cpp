#include "names/desktop_rules.h"

#include <algorithm>

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

std::optional<std::uint32_t> UserInputClock::sinceUserInput(TickCount lastInput, TickCount now) {
    // Stamps need not increase: an older one does not move the user's last input back.
    if (!isOwn(lastInput) && (!userLast_ || static_cast<std::int32_t>(lastInput - *userLast_) > 0))
        userLast_ = lastInput;
    if (!userLast_) return std::nullopt;
    return millisecondsSince(*userLast_, now);
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

std::optional<WindowHandle> altTabChoice(const std::vector<TopLevelWindow>& zOrder, WindowHandle hidden) {
    for (const TopLevelWindow& w : zOrder) {
        bool shown = w.visible && w.enabled && !w.minimised && !w.cloaked && !w.toolWindow && !w.noActivate &&
                     !w.taskBar && w.rootOwnersLastActivePopup == w.handle;
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

}  // namespace sonarel
