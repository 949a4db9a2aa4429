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

bool tickUntil(DirectChain& chain, int ticks, const std::function<bool()>& condition) {
    for (int tick = 0; tick < ticks; ++tick) {
        chain.tick();
        if (waitUntil(condition, 1s)) return true;
    }
    return false;
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
    // A restore that waits a moment (a busy machine, keys still being read)
    // goes out on a later tick.
    return tickUntil(chain, 4, [&] {
        return chain.host.sentCount() > before && chain.host.sent().back().text == L"/name Ann" &&
               chain.messenger.friendlyName() == kPlainName;
    });
}

}  // namespace sonarel::testing
