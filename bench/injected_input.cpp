#include "bench/injected_input.h"

#include <windows.h>

namespace sonarel::bench {
namespace {

std::atomic<long> injected{0};

LRESULT CALLBACK keyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && (reinterpret_cast<KBDLLHOOKSTRUCT*>(lParam)->flags & LLKHF_INJECTED)) ++injected;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK mouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && (reinterpret_cast<MSLLHOOKSTRUCT*>(lParam)->flags & LLMHF_INJECTED)) ++injected;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

InjectedInputCounter::InjectedInputCounter() {
    std::promise<void> ready;
    std::future<void> hooksSet = ready.get_future();
    thread_ = std::thread([this, ready = std::move(ready)]() mutable { run(std::move(ready)); });
    hooksSet.wait();
}

InjectedInputCounter::~InjectedInputCounter() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
}

long InjectedInputCounter::events() const { return injected; }

void InjectedInputCounter::run(std::promise<void> ready) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    HHOOK keys = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHook, module, 0);
    HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, mouseHook, module, 0);
    hooked_ = keys && mouse;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, for WM_QUIT
    threadId_ = GetCurrentThreadId();
    ready.set_value();
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (keys) UnhookWindowsHookEx(keys);
    if (mouse) UnhookWindowsHookEx(mouse);
}

}  // namespace sonarel::bench
