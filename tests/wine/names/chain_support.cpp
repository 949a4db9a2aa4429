#include "tests/wine/names/chain_support.h"

#include <algorithm>

#include "settings/settings_store.h"
#include "standins/host/plugin_host.h"
#include "standins/support/user_input.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

constexpr wchar_t playerClass[] = L"Winamp v1.x";
// The plug-in reads the title into a buffer of this many characters, once a
// tick; other reads of the window's text (the window system's, the plug-in's
// look at the windows in front) ask for other sizes.
constexpr WPARAM tickReadSize = 2048;
const std::wstring kHostRoot = L"Software\\Verdalt";

}  // namespace

PlayerWindow::PlayerWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = playerClass;
    RegisterClassW(&windowClass);
}

PlayerWindow::~PlayerWindow() { close(); }

void PlayerWindow::show(const std::wstring& title) {
    if (!window_) {
        window_ = CreateWindowExW(0, playerClass, title.c_str(), WS_OVERLAPPEDWINDOW, 500, 300, 300, 120, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), this);
        ShowWindow(window_, SW_SHOW);
        return;
    }
    SetWindowTextW(window_, title.c_str());
}

void PlayerWindow::close() {
    if (window_) DestroyWindow(std::exchange(window_, nullptr));
}

LRESULT CALLBACK PlayerWindow::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<PlayerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_SYSKEYDOWN && wParam == '0' && self) ++self->strayHotKeys_;
    if (message == WM_GETTEXT && wParam == tickReadSize && self) ++self->titleReads_;
    // Stray keys must not put the window into menu mode.
    bool altKeys = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR ||
                   (message == WM_KEYUP && wParam == VK_MENU);
    if (altKeys) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

Chain::Chain(ChainOptions options)
    : messenger(options.signinName, kPlainName), host(messenger), settings_(std::make_unique<CleanSettings>()) {
    deleteRegTree(HKEY_CURRENT_USER, kHostRoot);
    SettingsStore settings;
    if (options.currentNameMode) {
        settings.WriteSetting(keys::CurrentName, L"1");
        settings.WriteSetting(keys::CurrentTag, kTag);
    }
    messenger.failCreation(options.messengerCreation);
    if (options.messengerRunning) messenger.registerClassObject();
    keepUserPresent();
}

Chain::~Chain() {
    player.close();
    deleteRegTree(HKEY_CURRENT_USER, kHostRoot);
}

void Chain::startPlugin() { plugin_ = createPlugin(); }

void Chain::command(const std::wstring& text) { standin::parseCommand(plugin_.Get(), text); }

std::wstring Chain::quickTextPath() const { return standin::quickTextPath(messenger.signinName()); }

std::vector<HWND> Chain::commandConversations() const {
    std::vector<HWND> windows;
    for (const auto& c : messenger.conversations())
        if (c.contact == L"Debug.Window") windows.push_back(c.window);
    return windows;
}

bool Chain::anyVisible(const std::vector<HWND>& windows) const {
    return std::any_of(windows.begin(), windows.end(), [](HWND w) { return IsWindowVisible(w) != FALSE; });
}

bool Chain::passTicks(int n) const {
    int target = player.titleReads() + n;
    return waitUntil([&] { return player.titleReads() >= target; }, std::chrono::seconds(n + 3));
}

UsersProgram::UsersProgram() {
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    if (thread_) WaitForSingleObject(ready_, INFINITE);
}

UsersProgram::~UsersProgram() {
    if (thread_) {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (ready_) CloseHandle(ready_);
}

DWORD WINAPI UsersProgram::run(void* self) {
    auto& program = *static_cast<UsersProgram*>(self);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"SonarelTestUsersProgram";
    RegisterClassW(&windowClass);
    program.window_ = CreateWindowExW(0, windowClass.lpszClassName, L"Spreadsheet", WS_OVERLAPPEDWINDOW, 820, 560, 400,
                                      200, nullptr, nullptr, GetModuleHandleW(nullptr), &program);
    ShowWindow(program.window_, SW_SHOW);
    SetEvent(program.ready_);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

LRESULT CALLBACK UsersProgram::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<UsersProgram*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_ACTIVATE:
            if (self && LOWORD(wParam) != WA_INACTIVE) {
                std::lock_guard<std::mutex> hold(self->lock_);
                self->activations_.push_back(GetTickCount());
            }
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (self) ++self->keys_;
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::vector<DWORD> UsersProgram::activations() const {
    std::lock_guard<std::mutex> hold(lock_);
    return activations_;
}

std::optional<DWORD> UsersProgram::activatedSince(DWORD tick) const {
    for (DWORD at : activations())
        if (static_cast<LONG>(at - tick) >= 0) return at;
    return std::nullopt;
}

bool UsersProgram::bringToFront() {
    SetForegroundWindow(window_);
    return waitUntil([&] { return GetForegroundWindow() == window_; }, 2s);
}

std::vector<std::wstring> sentTexts(const Chain& chain) {
    std::vector<std::wstring> texts;
    for (const auto& sent : chain.host.sent()) texts.push_back(sent.text);
    return texts;
}

HWND userWritesToBob(Chain& chain, const std::wstring& draft) {
    HWND bob = chain.messenger.openConversation(L"bob@example.test");
    SetForegroundWindow(bob);
    if (!waitUntil([&] { return chain.messenger.inputBoxHasFocus(bob); }, 2s)) return nullptr;
    typeText(draft);
    return waitUntil([&] { return chain.messenger.draft(bob) == draft; }, 2s) ? bob : nullptr;
}

}  // namespace sonarel::testing
