#include "watcher/watcher.h"

#include "common/decimal_text.h"

#include <algorithm>
#include <string>

#include "watcher/title_logic.h"

namespace sonarel {
namespace {

class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;
    ~ScopedFlag() { flag_ = false; }

private:
    bool& flag_;
};

}  // namespace

void Watcher::pollTick() {
    if (ticking_) return;
    ScopedFlag running(ticking_);

    decidedThisTick_ = false;
    if (!isSet(settings_.ReadSetting(keys::onOff))) {
        whileSwitchedOff();
        return;
    }
    switchedOnAgain();
    if (isFound(windows_.findTopLevel(playerClass::winamp3))) {
        checkWinamp3();
    } else if (isFound(windows_.findTopLevel(playerClass::winamp2))) {
        checkWinamp2();
    }
    restoreIfPlayerClosed();
    repairIfLeftBehind();
    // A tick's own decision replaces a pending one, so a tick sends once.
    if (!decidedThisTick_) retryPendingIfDue();
}

// Off means the plain name: once, at the first tick that finds the watch
// off, the plain name is put back when the listening name may show; that
// restore is retried like any other, and nothing else is sent while off.
void Watcher::whileSwitchedOff() {
    if (offSeen_) {
        retryPendingIfDue();
        return;
    }
    offSeen_ = true;
    if (pending_ && pending_->decision == NameDecision::listening) pending_.reset();
    bool mayShow = isSet(state_.winamp2Showing) || isSet(state_.winamp3Showing) ||
                   (!pending_ && names_.listeningNameLeftBehind() == LeftBehind::yes);
    if (!mayShow) {
        // A plain name still on its way gives the entry back once it shows.
        if (!pending_) names_.giveBackQuickText();
        return;
    }
    state_.winamp2Showing = flagClear;
    state_.winamp3Showing = flagClear;
    traceReason(L"the watch is off while the listening name may show");
    takeDecision(NameDecision::plain);
}

// A song that plays when the watch comes on again shows the listening
// name: the titles seen before are forgotten.
void Watcher::switchedOnAgain() {
    if (!offSeen_) return;
    offSeen_ = false;
    state_.winamp2Title.clear();
    state_.winamp3Title.clear();
}

// Any decision since start-up says what the name should be; without one by
// the second tick no song plays, and a listening name left behind by a
// process that ended while one played is put back as a stop would.
void Watcher::repairIfLeftBehind() {
    if (!repairDue_) return;
    if (decidedSinceStart_) {
        repairDue_ = false;
        return;
    }
    if (++ticksOn_ < 2) return;
    if (lastRepairLook_ && now_() - *lastRepairLook_ < slowRetryInterval) return;
    bool firstLook = !lastRepairLook_;
    lastRepairLook_ = now_();
    // A process that ended while it held the user's quick text gives it back.
    if (firstLook) names_.giveBackQuickText();
    LeftBehind leftBehind = names_.listeningNameLeftBehind();
    if (leftBehind == LeftBehind::cannotTell) {
        if (firstLook) traceReason(L"cannot tell yet whether a listening name was left behind; asking again every 10 s");
        return;
    }
    repairDue_ = false;
    if (leftBehind == LeftBehind::no) return;
    traceReason(L"a listening name was left behind");
    takeDecision(NameDecision::plain);
}

void Watcher::checkWinamp3() {
    std::optional<std::wstring> title = windows_.winamp3Title();
    if (!title || *title == state_.winamp3Title) return;
    state_.winamp3Title = *title;
    switchName(state_.winamp3Showing);
}

// A stopped or paused title only ever puts the plain name back, and only
// when the listening name may be showing, or at the first title seen: a
// player stopped at start-up may have left a listening name behind.
// Stepping through a stopped playlist sends nothing.
void Watcher::checkWinamp2() {
    std::optional<std::wstring> buffer = windows_.winamp2TitleBuffer();
    if (!buffer) return;  // closed since the tick looked; the restore step sees it
    std::wstring title = unscrolledTitle(winamp2TitleFromBuffer(*buffer), state_.winamp2Title);
    bool isNew = title != state_.winamp2Title;
    bool firstSeen = !winamp2Seen_;
    winamp2Seen_ = true;

    if (isStoppedOrPaused(title)) {
        state_.winamp2Title = title;
        if (isSet(state_.winamp2Showing) || (isNew && firstSeen)) restoreName(state_.winamp2Showing);
    } else if (isNew) {
        state_.winamp2Title = title;
        switchName(state_.winamp2Showing);
    }
}

// Winamp 2 is served first, and at most one restore runs per tick. Here a
// window is gone only when its handle is 0.
void Watcher::restoreIfPlayerClosed() {
    if (isSet(state_.winamp2Showing) && windows_.findTopLevel(playerClass::winamp2) == 0) {
        restoreName(state_.winamp2Showing);
        return;
    }
    if (isSet(state_.winamp3Showing) && windows_.findTopLevel(playerClass::winamp3) == 0) {
        restoreName(state_.winamp3Showing);
    }
}

void Watcher::switchName(std::wstring& showing) {
    takeDecision(NameDecision::listening);
    showing = flagSet;
}

void Watcher::restoreName(std::wstring& showing) {
    showing = flagClear;
    takeDecision(NameDecision::plain);
}

void Watcher::takeDecision(NameDecision decision) {
    decidedThisTick_ = true;
    decidedSinceStart_ = true;
    // A name sent and looked for that has not shown when the next decision
    // comes was refused, or is slow to show: names go out more slowly.
    if (pending_ && pending_->lastOutcome == SendOutcome::sent &&
        now_() - pending_->lastAttempt >= std::chrono::seconds{1} && !names_.nameSentShows())
        limit_.noteUnconfirmed(now_());
    pending_.reset();
    trace(decisionTraceLine(decision));
    SendOutcome outcome = attempt(decision);
    trace(outcomeTraceLine(decision, outcome));
    if (isSettled(outcome)) return;
    pending_ = PendingDecision{decision, outcome, 0, now_()};
    note(outcome, false);
}

// Not bound by the slow interval: it answers an opening that an attempt
// made, once, and never opens a second conversation on its own account.
void Watcher::commandConversationReady() {
    if (ticking_ || !pending_ || pending_->lastOutcome != SendOutcome::conversationOpened ||
        pending_->openingAnswered)
        return;
    ScopedFlag running(ticking_);
    // While off, only the plain name goes out.
    if (pending_->decision == NameDecision::plain || isSet(settings_.ReadSetting(keys::onOff))) retryPending(true);
}

// One attempt a tick; after a run of failures, one every slow interval. A
// decision that waits for the user goes out as soon as the user lets it.
void Watcher::retryPendingIfDue() {
    if (!pending_) return;
    if (pending_->lastOutcome == SendOutcome::sent) {
        confirmSent();
        return;
    }
    bool slowed = pending_->failedAttempts >= quickRetries && !waitsForUser(pending_->lastOutcome);
    if (slowed && now_() - pending_->lastAttempt < slowRetryInterval) return;
    retryPending(false);
}

// A send is through once the name shows; a slow messenger may show it
// while its next try is still to come.
void Watcher::confirmSent() {
    if (names_.nameSentShows()) {
        pending_.reset();
        return;
    }
    if (pending_->nextTry) {
        if (now_() >= *pending_->nextTry) retryPending(false);
        return;
    }
    if (--pending_->confirmationsLeft > 0) return;
    giveUpSend();
}

// A send that never shows was lost (the keys reached another window, the
// host dropped them) or the messenger refused or rewrote the name. It
// counts as a failure, the host has had its time to read the entry, and
// the next try waits.
void Watcher::giveUpSend() {
    auto wait = unconfirmedRetryWaits[std::min<std::size_t>(pending_->unconfirmedSends, unconfirmedRetryWaits.size() - 1)];
    ++pending_->unconfirmedSends;
    ++pending_->failedAttempts;
    pending_->nextTry = now_() + wait;
    limit_.noteUnconfirmed(now_());
    names_.giveBackQuickText();
    traceReason(std::wstring(nameOf(pending_->decision)) + L" not confirmed; next try in " +
                decimalText(wait.count()) + L" s");
}

// A wait writes its line when its reason changes, not on every tick.
void Watcher::retryPending(bool answeringOpening) {
    SendOutcome outcome = attempt(pending_->decision);
    if (!waitsForUser(outcome) || outcome != pending_->lastOutcome)
        trace(outcomeTraceLine(pending_->decision, outcome));
    if (isSettled(outcome)) {
        pending_.reset();
        return;
    }
    note(outcome, answeringOpening);
}

void Watcher::note(SendOutcome outcome, bool answeringOpening) {
    pending_->lastOutcome = outcome;
    pending_->lastAttempt = now_();
    pending_->openingAnswered = answeringOpening;
    if (outcome == SendOutcome::sent) {
        pending_->confirmationsLeft = confirmationTicks;
        pending_->nextTry.reset();
    } else if (!waitsForUser(outcome)) {
        ++pending_->failedAttempts;
    }
}

SendOutcome Watcher::attempt(NameDecision decision) {
    if (!limit_.allows(now_())) return SendOutcome::tooManyNames;
    SendOutcome outcome = decision == NameDecision::listening ? names_.changeName() : names_.changeNameBack();
    if (outcome == SendOutcome::sent) limit_.noteSent(now_());
    return outcome;
}

void NameCommandLimit::noteSent(WatchClock::time_point at) { sent_.push_back(at); }

void NameCommandLimit::noteUnconfirmed(WatchClock::time_point at) { lastUnconfirmed_ = at; }

bool NameCommandLimit::allows(WatchClock::time_point now) {
    while (!sent_.empty() && now - sent_.front() >= window) sent_.pop_front();
    if (lastUnconfirmed_ && now - *lastUnconfirmed_ >= window) lastUnconfirmed_.reset();
    return !lastUnconfirmed_ || sent_.size() < namesPerWindow;
}

// Each line ends with a line end, so that a debug viewer shows it alone.
void Watcher::trace(const std::wstring& line) {
    if (trace_) trace_(line + L"\n");
}

namespace {

constexpr std::wstring_view tracePrefix = L"Sonarel: ";

}  // namespace

void Watcher::traceReason(std::wstring_view reason) { trace(std::wstring(tracePrefix) + std::wstring(reason)); }

std::wstring_view nameOf(NameDecision decision) {
    return decision == NameDecision::listening ? L"listening name" : L"plain name";
}

std::wstring decisionTraceLine(NameDecision decision) {
    return std::wstring(tracePrefix) + L"switch to the " + std::wstring(nameOf(decision));
}

std::wstring outcomeTraceLine(NameDecision decision, SendOutcome outcome) {
    return std::wstring(tracePrefix) + std::wstring(nameOf(decision)) + L" " + std::wstring(describe(outcome));
}

}  // namespace sonarel
