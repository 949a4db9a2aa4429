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

}  // namespace

void pressKey(WORD key, bool up) {
    INPUT input = keyInput(key, up);
    SendInput(1, &input, sizeof(input));
}

void typeKey(WORD key) {
    INPUT keys[] = {keyInput(key, false), keyInput(key, true)};
    SendInput(2, keys, sizeof(INPUT));
}

bool inputQuiet() {
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    return GetLastInputInfo(&last) && GetTickCount() - last.dwTime > 1100;
}

}  // namespace sonarel
