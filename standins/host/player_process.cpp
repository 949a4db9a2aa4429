#include "standins/host/player_process.h"

#include "standins/host/plugin_host.h"

namespace sonarel::standin {

PlayerProcess::PlayerProcess(const std::wstring& exePath) : process_(L"\"" + exePath + L"\"") {}

bool PlayerProcess::command(const std::string& line, unsigned deadlineMs) {
    if (!process_.sendLine(line)) return false;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < deadlineMs) {
        auto answer = nextLine(deadlineMs - (GetTickCount() - start));
        if (answer && *answer == "ok") return true;
    }
    return false;
}

std::optional<std::string> PlayerProcess::reply(const std::string& line, unsigned deadlineMs) {
    if (!process_.sendLine(line)) return std::nullopt;
    return nextLine(deadlineMs);
}

std::optional<std::string> PlayerProcess::nextLine(unsigned deadlineMs) {
    DWORD start = GetTickCount();
    while (lines_.empty()) {
        if (process_.readLines(lines_)) continue;
        if (GetTickCount() - start >= deadlineMs) return std::nullopt;
        pumpMessagesFor(10);
    }
    std::string line = lines_.front();
    lines_.erase(lines_.begin());
    return line;
}

}  // namespace sonarel::standin
