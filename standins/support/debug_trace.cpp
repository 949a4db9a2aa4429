#include "standins/support/debug_trace.h"

#include <algorithm>

namespace sonarel {
namespace {

constexpr DWORD bufferSize = 4096;  // a process id, then the text

}  // namespace

DebugTraceReader::DebugTraceReader() {
    // Writers serialise on the mutex and wait for the buffer to be ready.
    mutex_.reset(CreateMutexW(nullptr, FALSE, L"DBWinMutex"));
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bufferSize, L"DBWIN_BUFFER"));
    // Another reader has the buffer: holding it open as well would leave
    // every writer waiting its full timeout for a reader that never reads.
    if (mapping_ && GetLastError() == ERROR_ALREADY_EXISTS) mapping_.reset();
    if (!mapping_) return;
    bufferReady_.reset(CreateEventW(nullptr, FALSE, TRUE, L"DBWIN_BUFFER_READY"));
    dataReady_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
    buffer_ = static_cast<const char*>(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, bufferSize));
    if (mutex_ && bufferReady_ && dataReady_ && buffer_) thread_ = std::thread([this] { read(); });
}

DebugTraceReader::~DebugTraceReader() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (buffer_) UnmapViewOfFile(buffer_);
}

void DebugTraceReader::read() {
    while (!stop_) {
        if (WaitForSingleObject(dataReady_.get(), 50) != WAIT_OBJECT_0) continue;
        const char* text = buffer_ + sizeof(DWORD);
        std::string line(text, strnlen(text, bufferSize - sizeof(DWORD)));
        {
            std::lock_guard lock(linesLock_);
            lines_.push_back(std::move(line));
        }
        SetEvent(bufferReady_.get());
    }
}

std::vector<std::string> DebugTraceReader::lines() const {
    std::lock_guard lock(linesLock_);
    return lines_;
}

std::vector<std::string> DebugTraceReader::linesStartingWith(const std::string& text) const {
    std::vector<std::string> found;
    for (auto& line : lines())
        if (line.starts_with(text)) found.push_back(line);
    return found;
}

bool DebugTraceReader::contains(const std::string& text) const {
    auto all = lines();
    return std::any_of(all.begin(), all.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

}  // namespace sonarel
