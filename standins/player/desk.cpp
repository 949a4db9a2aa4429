#include "standins/player/desk.h"

#include "standins/player/player.h"

namespace sonarel::player {
namespace {

void bringToFront(std::optional<KeyCountingWindow>& window, const wchar_t* title, DWORD style, const RECT& area) {
    if (!window) window.emplace(title, style, area);
    if (!window->handle()) {
        window.reset();
        throw CommandError("cannot create the desk's window");
    }
    window->bringToFront();
}

bool inFront(const std::optional<KeyCountingWindow>& window, HWND front) {
    return window && front && front == window->handle();
}

int keysOf(const std::optional<KeyCountingWindow>& window) { return window ? window->keys() : 0; }

}  // namespace

void Desk::work() { bringToFront(document_, L"Document - Editor", WS_OVERLAPPEDWINDOW, RECT{820, 40, 1220, 260}); }

void Desk::fullScreen() {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    bringToFront(video_, L"Video", WS_POPUP, screen);
}

std::string Desk::report() const {
    HWND front = GetForegroundWindow();
    const char* name = inFront(document_, front) ? "document" : inFront(video_, front) ? "video" : "other";
    return "keys=" + std::to_string(keysOf(document_) + keysOf(video_)) + " front=" + name;
}

}  // namespace sonarel::player
