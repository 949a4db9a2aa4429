#include "standins/support/piped_process.h"

#include <stdexcept>

namespace sonarel {

PipedProcess::PipedProcess(const std::wstring& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE childIn = nullptr, ourIn = nullptr, ourOut = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &ourIn, &inherit, 0)) throw std::runtime_error("cannot create a pipe");
    UniqueHandle childInOwner(childIn);
    input_.reset(ourIn);
    if (!CreatePipe(&ourOut, &childOut, &inherit, 0)) throw std::runtime_error("cannot create a pipe");
    UniqueHandle childOutOwner(childOut);
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
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start a child process");
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
}

PipedProcess::~PipedProcess() {
    input_.reset();
    if (WaitForSingleObject(process_.get(), 3000) != WAIT_OBJECT_0) TerminateProcess(process_.get(), 1);
}

bool PipedProcess::sendLine(const std::string& line) {
    std::string data = line + "\n";
    DWORD written = 0;
    return WriteFile(input_.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) != FALSE;
}

bool PipedProcess::readLines(std::vector<std::string>& lines) {
    DWORD available = 0;
    if (!PeekNamedPipe(output_.get(), nullptr, 0, nullptr, &available, nullptr) || available == 0) return false;
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (!ReadFile(output_.get(), chunk.data(), available, &read, nullptr)) return false;
    pending_.append(chunk.data(), read);
    for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        std::string line = pending_.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        pending_.erase(0, end + 1);
    }
    return true;
}

bool PipedProcess::hasExited() const { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }

unsigned long PipedProcess::exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

}  // namespace sonarel
