#include "watcher/watcher.h"

#include "common/decimal_text.h"

#include <algorithm>
#include <string>
#include <utility>

#include "watcher/title_logic.h"

namespace sonarel {
namespace {

NameDecision decisionOf(const FlightNews& news) { return news.plain ? NameDecision::plain : NameDecision::listening; }

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
    flightEnded_ = false;
    bool on = isSet(settings_.ReadSetting(keys::onOff));
    // A process that ended while it held a user's quick text gives it back
    // before anything else is sent.
    if (!std::exchange(quickTextsGivenBack_, true)) names_.giveBackEveryQuickText();
    take(names_.followNameOnItsWay());
    if (!on) {
        whileSwitchedOff();
        return;
    }
    switchedOnAgain();
    bool decidingAgain = std::exchange(decideAgainDue_, false) || std::exchange(lateListeningName_, false);
    bool anotherAccount = std::exchange(otherAccount_, false);
    if (decidingAgain || anotherAccount) forgetTitles();
    // Another account: a song that plays shows its listening name; with none,
    // a listening name it was left with is put back, as at start-up.
    if (anotherAccount) repairAsAtStart();
    if (isFound(windows_.findTopLevel(playerClass::winamp3))) {
        checkWinamp3();
    } else if (isFound(windows_.findTopLevel(playerClass::winamp2))) {
        checkWinamp2();
    }
    restoreIfPlayerClosed();
    repairIfLeftBehind();
    // Deciding again with no song to play puts the plain name.
    if (decidingAgain && !decidedThisTick_) takeDecision(NameDecision::plain);
    // A tick's own decision replaces a pending one, so a tick sends once.
    if (!decidedThisTick_) retryPendingIfDue();
}

// Off means the plain name: once, at the first tick that finds the watch
// off, the plain name is put back when the listening name may show; that
// restore is retried like any other, and nothing else is sent while off.
void Watcher::whileSwitchedOff() {
    bool lateListening = std::exchange(lateListeningName_, false);
    bool lookAgain = std::exchange(decideAgainDue_, false) || std::exchange(otherAccount_, false) || lateListening;
    if (offSeen_ && !lookAgain) {
        retryPendingIfDue();
        return;
    }
    offSeen_ = true;
    if (pending_ && pending_->decision == NameDecision::listening) pending_.reset();
    bool mayShow = lateListening || isSet(state_.winamp2Showing) || isSet(state_.winamp3Showing);
    if (!mayShow && !pending_) {
        LeftBehind leftBehind = names_.listeningNameLeftBehind();
        // Signed out, or no messenger: looked at again on the next tick.
        offSeen_ = leftBehind != LeftBehind::cannotTell;
        mayShow = leftBehind == LeftBehind::yes;
    }
    if (!mayShow) return;
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
    forgetTitles();
}

// The next title read counts as new, and as the first one seen.
void Watcher::forgetTitles() {
    state_.winamp2Title.clear();
    state_.winamp3Title.clear();
    winamp2Seen_ = false;
}

void Watcher::repairAsAtStart() {
    repairDue_ = true;
    decidedSinceStart_ = false;
    ticksOn_ = 1;  // looks this tick, once the player has been read
    lastRepairLook_.reset();
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

// True while the pending decision waits for the name on its way to end:
// its own, or another.
bool Watcher::followsFlight() const {
    return pending_ &&
           (followsNameOnItsWay(pending_->lastOutcome) || pending_->lastOutcome == SendOutcome::otherNameOnItsWay);
}

// What became of the name on its way. Once it is through, a decision that
// waited for it goes out at once; one given up counts towards the limit.
void Watcher::take(const FlightNews& news) {
    using What = FlightNews::What;
    switch (news.what) {
    case What::underWay: return;
    case What::nothing:
        // Nothing is on its way: a decision that waited for it goes.
        flightEnded_ = followsFlight();
        return;
    case What::shown:
        if (pending_ && followsNameOnItsWay(pending_->lastOutcome)) pending_.reset();
        break;
    case What::unconfirmed:
        noteUnconfirmed(news);
        if (pending_ && followsNameOnItsWay(pending_->lastOutcome)) ++pending_->failedAttempts;
        break;
    case What::lost:
        traceReason(std::wstring(nameOf(decisionOf(news))) + L" \"" + news.name +
                    L"\": its keys did not reach the command conversation; pressed again");
        if (pending_ && followsNameOnItsWay(pending_->lastOutcome)) ++pending_->failedAttempts;
        break;
    case What::shownLate:
        traceReason(L"\"" + news.name + L"\", given up, shows after all");
        if (!news.plain) lateListeningName_ = true;
        decideAgainDue_ = true;
        break;
    case What::otherAccount:
        // Its name was looked for still: it may have been refused.
        if (news.nextTry.count() > 0) noteUnconfirmed(news);
        traceReason(L"another account signed in: the name is decided afresh");
        otherAccount_ = true;
        break;
    }
    flightEnded_ = true;
}

// Each name given up is traced, with when it may go again, and slows the
// names that follow.
void Watcher::noteUnconfirmed(const FlightNews& news) {
    limit_.noteUnconfirmed(now_());
    trace(unconfirmedTraceLine(decisionOf(news), news.name, news.nextTry));
}

// One attempt a tick; after a run of failures, one every slow interval. A
// decision that waits goes out as soon as its wait is over; one that
// follows a name on its way, once that has ended.
void Watcher::retryPendingIfDue() {
    if (!pending_) return;
    if (followsFlight() && !flightEnded_) return;
    bool slowed = pending_->failedAttempts >= quickRetries && !waits(pending_->lastOutcome);
    if (slowed && now_() - pending_->lastAttempt < slowRetryInterval) return;
    retryPending(false);
}

// A wait writes its line when its reason changes, not on every tick.
void Watcher::retryPending(bool answeringOpening) {
    SendOutcome outcome = attempt(pending_->decision);
    if (!waits(outcome) || outcome != pending_->lastOutcome) trace(outcomeTraceLine(pending_->decision, outcome));
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
    if (!waits(outcome) && !followsNameOnItsWay(outcome)) ++pending_->failedAttempts;
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
    std::erase_if(sent_, [&](WatchClock::time_point at) { return now - at >= window; });
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

std::wstring unconfirmedTraceLine(NameDecision decision, std::wstring_view name, std::chrono::seconds nextTry) {
    return std::wstring(tracePrefix) + std::wstring(nameOf(decision)) + L" \"" + std::wstring(name) +
           L"\" not confirmed; next try in " + decimalText(nextTry.count()) + L" s";
}

std::wstring outcomeTraceLine(NameDecision decision, SendOutcome outcome) {
    return std::wstring(tracePrefix) + std::wstring(nameOf(decision)) + L" " + std::wstring(describe(outcome));
}

}  // namespace sonarel
