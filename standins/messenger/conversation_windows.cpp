// The stand-in's windows: conversation windows of the messenger's class,
// each with its input box, a hidden window that delivers events from the
// message loop, and the guard that can keep conversations out of the
// foreground, always or as the window system's foreground lock does.
#include <optional>

#include "standins/messenger/messenger_state.h"
#include "standins/support/window_class.h"

namespace sonarel::standin {
namespace {

constexpr wchar_t conversationClass[] = L"IMWindowClass";
constexpr wchar_t notifierClass[] = L"SonarelStandInMessengerEvents";
constexpr UINT eventNotice = WM_APP + 1;
constexpr UINT_PTR nameTimer = 1;
constexpr UINT callNotice = WM_APP + 2;
constexpr UINT busyNotice = WM_APP + 3;
constexpr UINT createRequest = WM_APP + 4;
constexpr UINT contactMessageNotice = WM_APP + 5;
constexpr wchar_t commandTitle[] = L"Conversation - Debug.Window";
constexpr int inputBoxId = 1;
constexpr int inputBoxHeight = 24;

MessengerState* stateOf(HWND window) {
    return reinterpret_cast<MessengerState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Alt+0: the "0" key goes down while Alt is held, not as a repeat.
bool isHotKeyDown(WPARAM key, LPARAM flags) {
    constexpr LPARAM altHeld = 1 << 29, repeat = 1 << 30;
    return key == '0' && (flags & altHeld) && !(flags & repeat);
}

// Told by its title, which the window's own thread may read at any time.
bool isCommandConversation(HWND conversation) {
    wchar_t title[64] = {};
    GetWindowTextW(conversation, title, 64);
    return wcscmp(title, commandTitle) == 0;
}

// The keys of the hot key that reach a conversation of the user's.
void countHotKeyKeys(HWND conversation, UINT message, WPARAM key) {
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    MessengerState* state = stateOf(conversation);
    if (down && (key == VK_MENU || key == '0') && state && !isCommandConversation(conversation))
        ++state->hotKeyKeysElsewhere;
}

// The host's hot key, in the conversation window or in its input box. Its
// own keys make no mnemonic beep, and Alt going up starts no menu mode.
std::optional<LRESULT> hotKeyKeys(HWND conversation, UINT message, WPARAM wParam, LPARAM lParam) {
    countHotKeyKeys(conversation, message, wParam);
    switch (message) {
        case WM_SYSKEYDOWN:
            if (isHotKeyDown(wParam, lParam)) {
                if (MessengerState* state = stateOf(conversation))
                    state->fromWindowThread([state, conversation] { state->hotKeyPressed(conversation); });
                return 0;
            }
            if (wParam == VK_MENU) return 0;
            break;
        case WM_SYSKEYUP:
        case WM_KEYUP:
            if (MessengerState* state = stateOf(conversation); wParam == '0' && state && state->busyAfterHotKeyMs > 0)
                postBusyNotice(conversation, static_cast<DWORD>(state->busyAfterHotKeyMs.load()));
            if (wParam == '0' || wParam == VK_MENU) return 0;
            break;
        case WM_SYSCHAR:
            if (wParam == '0' || wParam == VK_MENU) return 0;
            break;
    }
    return std::nullopt;
}

// Busy for a while, looking at the queue now and then where told to.
void beBusy(MessengerState& state, DWORD busy) {
    if (!state.peekWhileBusy) {
        Sleep(busy);
        return;
    }
    for (DWORD start = GetTickCount(); GetTickCount() - start < busy;) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        Sleep(20);
    }
}

// The box is an edit control whose own procedure is kept in its user data,
// which the edit control leaves alone.
LRESULT CALLBACK inputBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto handled = hotKeyKeys(GetParent(box), message, wParam, lParam)) return *handled;
    auto editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(box, GWLP_USERDATA));
    return CallWindowProcW(editProc, box, message, wParam, lParam);
}

void createInputBox(HWND conversation) {
    HWND box = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0,
                               0, 0, 0, conversation, reinterpret_cast<HMENU>(static_cast<INT_PTR>(inputBoxId)),
                               GetModuleHandleW(nullptr), nullptr);
    if (!box) return;
    LONG_PTR editProc = SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(inputBoxProc));
    SetWindowLongPtrW(box, GWLP_USERDATA, editProc);
}

// Across the foot of the window, as a conversation's input box lies.
void placeInputBox(HWND conversation, int width, int height) {
    MoveWindow(inputBoxOf(conversation), 0, height - inputBoxHeight, width, inputBoxHeight, TRUE);
}

LRESULT CALLBACK conversationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto handled = hotKeyKeys(window, message, wParam, lParam)) return *handled;
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
            break;
        case WM_CREATE:
            createInputBox(window);
            return 0;
        case WM_SIZE:
            placeInputBox(window, LOWORD(lParam), HIWORD(lParam));
            return 0;
        // The keyboard goes to the input box whenever the window gets it;
        // the box keeps its caret and selection meanwhile.
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE || HIWORD(wParam)) break;
            SetFocus(inputBoxOf(window));
            // Posted messages come before input: the keys that follow the
            // activation wait in the queue while the thread is busy.
            // Busy once for a run of activations, as one slow task would be.
            if (MessengerState* state = stateOf(window); state && state->unreadMs > 0 && !state->busy.exchange(true))
                PostMessageW(window, busyNotice, 0, 0);
            if (MessengerState* state = stateOf(window); state && isCommandConversation(window))
                if (HWND contact = state->contactMessageTo.exchange(nullptr)) PostMessageW(contact, contactMessageNotice, 0, 0);
            return 0;
        // Busy for the time given, or else as after an activation.
        case busyNotice:
            if (MessengerState* state = stateOf(window)) {
                beBusy(*state, wParam ? static_cast<DWORD>(wParam) : static_cast<DWORD>(state->unreadMs.load()));
                if (!wParam) state->busy = false;
            }
            return 0;
        // A contact's message shows its conversation in front.
        case contactMessageNotice:
            if (MessengerState* state = stateOf(window)) ++state->contactMessages;
            SetForegroundWindow(window);
            return 0;
        case WM_SETFOCUS:
            SetFocus(inputBoxOf(window));
            return 0;
        case WM_DESTROY:
            if (MessengerState* state = stateOf(window))
                state->fromWindowThread([state, window] { state->windowDestroyed(window); });
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
    if (message == WM_TIMER && wParam == nameTimer) {
        KillTimer(window, nameTimer);
        if (MessengerState* state = stateOf(window)) state->landDueNames();
        return 0;
    }
    if (message == callNotice) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
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

HWND inputBoxOf(HWND conversation) { return GetDlgItem(conversation, inputBoxId); }

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

void postBusyNotice(HWND conversation, DWORD milliseconds) {
    PostMessageW(conversation, busyNotice, milliseconds, 0);
}

void landNamesAfter(HWND notifier, DWORD milliseconds) { SetTimer(notifier, nameTimer, milliseconds, nullptr); }

void callOnNotifierThread(HWND notifier, const std::function<void()>& call) {
    SendMessageW(notifier, callNotice, 0, reinterpret_cast<LPARAM>(&call));
}

namespace {

struct CreateRequest {
    MessengerState* state;
    const std::wstring* contact;
    int cascade;
};

LRESULT CALLBACK factoryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != createRequest) return DefWindowProcW(window, message, wParam, lParam);
    const auto& request = *reinterpret_cast<const CreateRequest*>(lParam);
    return reinterpret_cast<LRESULT>(createConversationWindow(*request.state, *request.contact, request.cascade));
}

}  // namespace

ConversationThread::ConversationThread(MessengerState& state) : state_(state) {
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    if (thread_) WaitForSingleObject(ready_, INFINITE);
}

// Its windows are closed first, on their own thread.
ConversationThread::~ConversationThread() {
    if (thread_) {
        PostMessageW(factory_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (ready_) CloseHandle(ready_);
}

HWND ConversationThread::create(const std::wstring& contact, int cascade) {
    CreateRequest request{&state_, &contact, cascade};
    return factory_ ? reinterpret_cast<HWND>(SendMessageW(factory_, createRequest, 0, reinterpret_cast<LPARAM>(&request)))
                    : nullptr;
}

DWORD WINAPI ConversationThread::run(void* self) {
    auto& thread = *static_cast<ConversationThread*>(self);
    registerWindowClass(L"SonarelStandInConversationFactory", factoryProc);
    thread.factory_ = CreateWindowExW(0, L"SonarelStandInConversationFactory", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    SetEvent(thread.ready_);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (thread.factory_) DestroyWindow(thread.factory_);
    return 0;
}

HHOOK installActivationGuard(MessengerState& state) {
    guardedState = &state;
    return SetWindowsHookExW(WH_CBT, activationGuard, nullptr, GetCurrentThreadId());
}

void removeActivationGuard(HHOOK hook) {
    if (hook) UnhookWindowsHookEx(hook);
    guardedState = nullptr;
}

}  // namespace sonarel::standin
