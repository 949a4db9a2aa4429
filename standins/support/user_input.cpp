#include "standins/support/user_input.h"

namespace sonarel {
namespace {

INPUT keyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT characterInput(wchar_t character, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = character;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    return input;
}

void send(std::vector<INPUT>& inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// A move of the pointer to a point of the primary screen, whose corners are
// 0 and 65535 in absolute coordinates.
INPUT pointerTo(POINT point) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(point.x, 65536, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = MulDiv(point.y, 65536, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

INPUT extraButton(bool up) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.mouseData = XBUTTON1;
    input.mi.dwFlags = up ? MOUSEEVENTF_XUP : MOUSEEVENTF_XDOWN;
    return input;
}

// Where the pointer rested before the button was held.
POINT pointerBeforeHold{};

}  // namespace

void pressKey(WORD key, bool up) {
    INPUT input = keyInput(key, up);
    SendInput(1, &input, sizeof(input));
}

void typeChord(const std::vector<WORD>& keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(keyInput(key, false));
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(keyInput(*key, true));
    send(inputs);
}

void typeKey(WORD key) { typeChord({key}); }

void typeText(std::wstring_view text) {
    std::vector<INPUT> inputs;
    for (wchar_t character : text) {
        inputs.push_back(characterInput(character, false));
        inputs.push_back(characterInput(character, true));
    }
    send(inputs);
}

void moveMouseByNothing() {
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &move, sizeof(move));
}

void holdMouseButton() {
    GetCursorPos(&pointerBeforeHold);
    RECT front{};
    GetWindowRect(GetForegroundWindow(), &front);
    std::vector<INPUT> inputs{pointerTo({(front.left + front.right) / 2, (front.top + front.bottom) / 2}),
                              extraButton(false)};
    send(inputs);
}

void releaseMouseButton() {
    std::vector<INPUT> inputs{extraButton(true), pointerTo(pointerBeforeHold)};
    send(inputs);
}

void openWindowMenu() { typeChord({VK_MENU, VK_SPACE}); }

void closeMenu() {
    std::vector<INPUT> inputs{keyInput(VK_ESCAPE, false), keyInput(VK_ESCAPE, true), keyInput(VK_ESCAPE, false),
                              keyInput(VK_ESCAPE, true)};
    send(inputs);
}

bool inputQuiet() { return GetTickCount() - lastInputTick() > 1100; }

DWORD lastInputTick() {
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    return GetLastInputInfo(&last) ? last.dwTime : GetTickCount();
}

}  // namespace sonarel
