#include "tests/wine/hardening/hardening_support.h"

#include "common/one_shot_timer.h"

namespace sonarel::testing {

void showAndTick(DirectChain& chain, const std::wstring& title) {
    chain.player.show(title);
    chain.tick();
    // Keys already pressed are delivered before the timers of the hides.
    waitUntil([] { return pendingOneShots() == 0; }, 2s);
    pumpMessagesFor(20ms);
}

void switchAndRestore(DirectChain& chain, Titles& titles) {
    showAndTick(chain, titles.playing());
    showAndTick(chain, titles.stopped());
    chain.tick();
    waitUntil([] { return pendingOneShots() == 0; }, 2s);
}

bool deliversAgain(DirectChain& chain, Titles& titles) {
    bool switched = false;
    for (int attempt = 0; attempt < 3 && !switched; ++attempt) {
        showAndTick(chain, titles.playing());
        switched = waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, 1s);
    }
    // Only ever the listening command; none at all when it showed already.
    if (!switched || (!chain.host.sent().empty() && chain.host.sent().back().text != kListeningCommand)) return false;
    long long before = chain.host.sentCount();
    chain.player.show(titles.stopped());
    // A tick a second, as the timer gives them: a restore that waits a
    // moment (a busy machine, keys still being read) goes out on a later one.
    for (int tick = 0; tick < 4; ++tick) {
        chain.tick();
        if (waitUntil([&] {
                return chain.host.sentCount() > before && chain.host.sent().back().text == L"/name Ann" &&
                       chain.messenger.friendlyName() == kPlainName;
            }, 1s))
            return true;
    }
    return false;
}

}  // namespace sonarel::testing
