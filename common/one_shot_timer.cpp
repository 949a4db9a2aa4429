#include "common/one_shot_timer.h"

#include <windows.h>

#include <map>

#include "common/com.h"
#include "common/no_destructor.h"

namespace sonarel {
namespace {

// Per thread, since the timers are thread timers. Never destroyed: a
// thread-exit destructor would pull the threads runtime into the DLL.
std::map<UINT_PTR, std::function<void()>>& scheduled() {
    thread_local NoDestructor<std::map<UINT_PTR, std::function<void()>>> actions;
    return actions.get();
}

VOID CALLBACK fire(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    auto& actions = scheduled();
    auto it = actions.find(timer);
    if (it == actions.end()) return;
    std::function<void()> action = std::move(it->second);
    actions.erase(it);
    callbackBoundary(action);
}

}  // namespace

bool runOnceAfter(unsigned delayMs, std::function<void()> action) {
    UINT_PTR timer = SetTimer(nullptr, 0, delayMs, fire);
    if (timer == 0) return false;
    scheduled()[timer] = std::move(action);
    return true;
}

std::size_t pendingOneShots() { return scheduled().size(); }

}  // namespace sonarel
