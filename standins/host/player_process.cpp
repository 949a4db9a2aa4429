#include "standins/host/player_process.h"

#include <stdexcept>

#include "standins/host/plugin_host.h"

namespace sonarel::standin {

PlayerProcess::PlayerProcess(const std::wstring& exePath) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE childIn = nullptr, ourIn = nullptr, ourOut = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &ourIn, &inherit, 0) || !CreatePipe(&ourOut, &childOut, &inherit, 0))
        throw std::runtime_error("cannot create the player's pipes");
    UniqueHandle childInOwner(childIn), childOutOwner(childOut);
    input_.reset(ourIn);
    output_.reset(ourOut);
    SetHandleInformation(ourIn, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(ourOut, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = childOut;
    PROCESS_INFORMATION info{};
    std::wstring line = L"\"" + exePath + L"\"";
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start the stand-in player");
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
}

PlayerProcess::~PlayerProcess() {
    input_.reset();  // the player ends at the end of its input
    if (WaitForSingleObject(process_.get(), 3000) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 1);
}

bool PlayerProcess::command(const std::string& line, unsigned deadlineMs) {
    std::string data = line + "\n";
    DWORD written = 0;
    if (!WriteFile(input_.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr)) return false;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < deadlineMs) {
        auto answer = nextLine(deadlineMs - (GetTickCount() - start));
        if (answer && *answer == "ok") return true;
    }
    return false;
}

std::optional<std::string> PlayerProcess::nextLine(unsigned deadlineMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        DWORD available = 0;
        if (PeekNamedPipe(output_.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            std::string chunk(available, '\0');
            DWORD read = 0;
            if (ReadFile(output_.get(), chunk.data(), available, &read, nullptr)) pending_.append(chunk.data(), read);
            continue;
        }
        if (GetTickCount() - start >= deadlineMs) return std::nullopt;
        pumpMessagesFor(10);
    }
}

}  // namespace sonarel::standin
