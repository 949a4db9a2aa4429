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

bool inputQuiet() {
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    return GetLastInputInfo(&last) && GetTickCount() - last.dwTime > 1100;
}

}  // namespace sonarel
