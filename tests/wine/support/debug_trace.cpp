#include "tests/wine/support/debug_trace.h"

#include <algorithm>
#include <cstring>

namespace sonarel::testing {
namespace {

// The buffer: the writer's process id, then its text, NUL-terminated.
constexpr DWORD bufferSize = 4096;

}  // namespace

DebugTrace::DebugTrace() {
    bufferReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    dataReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bufferSize, L"DBWIN_BUFFER");
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!bufferReady_ || !dataReady_ || !mapping_ || !stop_) return;
    view_ = static_cast<const BYTE*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, bufferSize));
    if (view_) thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

DebugTrace::~DebugTrace() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (view_) UnmapViewOfFile(view_);
    for (HANDLE handle : {bufferReady_, dataReady_, mapping_, stop_})
        if (handle) CloseHandle(handle);
}

DWORD WINAPI DebugTrace::run(void* self) {
    auto& trace = *static_cast<DebugTrace*>(self);
    HANDLE waits[] = {trace.stop_, trace.dataReady_};
    for (;;) {
        SetEvent(trace.bufferReady_);
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
        DWORD process = 0;
        std::memcpy(&process, trace.view_, sizeof(process));
        const char* text = reinterpret_cast<const char*>(trace.view_ + sizeof(process));
        std::string line(text, strnlen(text, bufferSize - sizeof(process)));
        if (process != GetCurrentProcessId()) continue;
        std::lock_guard<std::mutex> hold(trace.lock_);
        trace.lines_.push_back(std::move(line));
    }
}

std::vector<std::string> DebugTrace::lines() const {
    std::lock_guard<std::mutex> hold(lock_);
    return lines_;
}

bool DebugTrace::contains(const std::string& text) const {
    auto all = lines();
    return std::any_of(all.begin(), all.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

}  // namespace sonarel::testing
