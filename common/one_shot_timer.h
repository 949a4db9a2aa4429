#pragma once
// Actions run once from the calling thread's message loop after a short
// delay. The loop delivers timer messages only when no input or posted
// message is waiting, so such an action runs after the keys already
// injected have been taken from the queue, and outside whatever call
// scheduled it.
#include <cstddef>
#include <functional>

namespace sonarel {

// False, and nothing scheduled, when the window system has no timer left.
bool runOnceAfter(unsigned delayMs, std::function<void()> action);

// Actions scheduled on this thread that have not run yet, so that a test or
// a long run can wait for a quiet moment and show that none is left behind.
std::size_t pendingOneShots();

}  // namespace sonarel
