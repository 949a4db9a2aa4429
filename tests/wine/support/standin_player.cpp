#include "tests/wine/support/standin_player.h"

#include <stdexcept>

namespace sonarel::testing {

StandInPlayer::StandInPlayer() : process_(L"\"" + besideTestProgram(L"sonarel-player.exe") + L"\"") {}

std::string StandInPlayer::reply(const std::string& command) {
    process_.sendLine(command);
    return process_.readLine().value_or("(no reply)");
}

void StandInPlayer::run(const std::string& command) {
    std::string answer = reply(command);
    if (answer != "ok") throw std::runtime_error("player: " + command.substr(0, 60) + " -> " + answer);
}

void StandInPlayer::run(const std::string& command, const std::wstring& text) {
    run(command + " " + toUtf8(text));
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

}  // namespace sonarel::testing
