#pragma once
// Reads what programs of the session write with OutputDebugString, as a
// debug-output viewer does (DBWIN_BUFFER): the plug-in's trace, for tests
// that check why it waited. One reader at a time in a session.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace sonarel::testing {

class DebugTrace {
public:
    DebugTrace();
    DebugTrace(const DebugTrace&) = delete;
    DebugTrace& operator=(const DebugTrace&) = delete;
    ~DebugTrace();

    bool reading() const { return thread_ != nullptr; }
    // The lines of this process so far.
    std::vector<std::string> lines() const;
    bool contains(const std::string& text) const;

private:
    static DWORD WINAPI run(void* self);
    HANDLE bufferReady_ = nullptr, dataReady_ = nullptr, mapping_ = nullptr, stop_ = nullptr, thread_ = nullptr;
    const BYTE* view_ = nullptr;
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
};

}  // namespace sonarel::testing
