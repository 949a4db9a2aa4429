#pragma once
// Shared steps of the hardening tests: switches driven through a
// DirectChain, and the proof that a chain still delivers afterwards.
#include <functional>
#include <string>

#include "tests/wine/names/direct_chain.h"

namespace sonarel::testing {

// A fresh playing or stopped title for each call.
class Titles {
public:
    std::wstring playing() { return std::to_wstring(++n_) + L". Artist - Song - Winamp"; }
    std::wstring stopped() { return std::to_wstring(++n_) + L". Artist - Song - Winamp [Stopped]"; }

private:
    int n_ = 0;
};

// Shows the title and ticks, then lets the hot keys and hides run out.
void showAndTick(DirectChain& chain, const std::wstring& title);

// A switch and a restore, and the tick after the restore, with whatever
// the messenger or the registry does meanwhile.
void switchAndRestore(DirectChain& chain, Titles& titles);

// Ticks once a second, as the timer does, until the condition holds;
// false when it still does not after the last of the ticks.
bool tickUntil(DirectChain& chain, int ticks, const std::function<bool()>& condition);

// True when, within a few switches (the first may have to open the command
// conversation), the display name becomes the listening name, through the
// host's listening command or shown already; then a restore must bring
// back the plain name through the host. This is what "nothing lost" means
// for the switches to come.
bool deliversAgain(DirectChain& chain, Titles& titles);

}  // namespace sonarel::testing
