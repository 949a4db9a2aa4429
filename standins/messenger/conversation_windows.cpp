// The stand-in's windows: conversation windows of the messenger's class,
// a hidden window that delivers events from the message loop, and the
// guard that can keep conversations out of the foreground, always or as
// the window system's foreground lock does.
#include "standins/messenger/messenger_state.h"
#include "standins/support/window_class.h"

namespace sonarel::standin {
namespace {

constexpr wchar_t conversationClass[] = L"IMWindowClass";
constexpr wchar_t notifierClass[] = L"SonarelStandInMessengerEvents";
constexpr UINT eventNotice = WM_APP + 1;

MessengerState* stateOf(HWND window) {
    return reinterpret_cast<MessengerState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Alt+0: the "0" key goes down while Alt is held, not as a repeat.
bool isHotKeyDown(WPARAM key, LPARAM flags) {
    constexpr LPARAM altHeld = 1 << 29, repeat = 1 << 30;
    return key == '0' && (flags & altHeld) && !(flags & repeat);
}

LRESULT CALLBACK conversationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
            break;
        case WM_SYSKEYDOWN:
            if (isHotKeyDown(wParam, lParam)) {
                if (MessengerState* state = stateOf(window)) state->hotKeyPressed(window);
                return 0;
            }
            if (wParam == VK_MENU) return 0;
            break;
        case WM_SYSCHAR:
        case WM_SYSKEYUP:
        case WM_KEYUP:
            // The hot key's own keys: no mnemonic beep, and no menu mode
            // when Alt goes up.
            if (wParam == '0' || wParam == VK_MENU) return 0;
            break;
        case WM_DESTROY:
            if (MessengerState* state = stateOf(window)) state->windowDestroyed(window);
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK notifierProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    if (message == eventNotice) {
        if (MessengerState* state = stateOf(window)) state->raisePendingEvents();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

thread_local MessengerState* guardedState = nullptr;

// The foreground lock. The window in front counts as having taken the
// foreground when it was first seen there. Under Wine a refused activation
// leaves no window in front, so the last one seen stands meanwhile.
bool foregroundLocked(MessengerState& state) {
    if (!state.lockForeground) return false;
    if (HWND now = GetForegroundWindow()) state.noteForeground(now);
    HWND front = state.foregroundWindow;
    DWORD process = 0;
    if (!IsWindow(front) || !GetWindowThreadProcessId(front, &process) || process == GetCurrentProcessId())
        return false;
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    return !GetLastInputInfo(&last) || static_cast<LONG>(last.dwTime - state.foregroundSince) <= 0;
}

LRESULT CALLBACK activationGuard(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && guardedState && guardedState->isConversation(reinterpret_cast<HWND>(wParam)) &&
        (guardedState->refuseActivation || foregroundLocked(*guardedState)))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

HWND createConversationWindow(MessengerState& state, const std::wstring& contact, int cascade) {
    registerWindowClass(conversationClass, conversationProc);
    std::wstring title = L"Conversation - " + contact;
    int offset = 40 + 30 * cascade;
    return CreateWindowExW(0, conversationClass, title.c_str(), WS_OVERLAPPEDWINDOW, offset, offset, 360, 240,
                           nullptr, nullptr, GetModuleHandleW(nullptr), &state);
}

HWND createNotifierWindow(MessengerState& state) {
    registerWindowClass(notifierClass, notifierProc);
    return CreateWindowExW(0, notifierClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                           &state);
}

void postEventNotice(HWND notifier) { PostMessageW(notifier, eventNotice, 0, 0); }

HHOOK installActivationGuard(MessengerState& state) {
    guardedState = &state;
    return SetWindowsHookExW(WH_CBT, activationGuard, nullptr, GetCurrentThreadId());
}

void removeActivationGuard(HHOOK hook) {
    if (hook) UnhookWindowsHookEx(hook);
    guardedState = nullptr;
}

}  // namespace sonarel::standin
