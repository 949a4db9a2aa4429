#include "common/one_shot_timer.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "common/com.h"
#include "common/no_destructor.h"

namespace sonarel {
namespace {

// A few at a time, so a vector serves.
using Scheduled = std::vector<std::pair<UINT_PTR, std::function<void()>>>;

// Per thread, since the timers are thread timers. Never destroyed: a
// thread-exit destructor would pull the threads runtime into the DLL.
Scheduled& scheduled() {
    thread_local NoDestructor<Scheduled> actions;
    return actions.get();
}

Scheduled::iterator entryOf(Scheduled& actions, UINT_PTR timer) {
    return std::find_if(actions.begin(), actions.end(), [&](const auto& entry) { return entry.first == timer; });
}

VOID CALLBACK fire(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    auto& actions = scheduled();
    auto it = entryOf(actions, timer);
    if (it == actions.end()) return;
    std::function<void()> action = std::move(it->second);
    actions.erase(it);
    callbackBoundary(action);
}

}  // namespace

bool runOnceAfter(unsigned delayMs, std::function<void()> action) {
    UINT_PTR timer = SetTimer(nullptr, 0, delayMs, fire);
    if (timer == 0) return false;
    auto& actions = scheduled();
    auto it = entryOf(actions, timer);
    if (it != actions.end())
        it->second = std::move(action);
    else
        actions.emplace_back(timer, std::move(action));
    return true;
}

std::size_t pendingOneShots() { return scheduled().size(); }

}  // namespace sonarel
