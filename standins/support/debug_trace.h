#pragma once
// Reads what programs write with OutputDebugString, as a debug monitor
// does: through the system-wide DBWIN buffer, on a thread of its own. The
// plug-in writes its trace lines there. One reader at a time per session.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/win32.h"

namespace sonarel {

class DebugTraceReader {
public:
    DebugTraceReader();
    DebugTraceReader(const DebugTraceReader&) = delete;
    DebugTraceReader& operator=(const DebugTraceReader&) = delete;
    ~DebugTraceReader();

    // False when the buffer could not be set up (another monitor has it).
    bool reading() const { return thread_.joinable(); }
    // Every line read so far, oldest first, each as written (with its "\n").
    std::vector<std::string> lines() const;
    // Lines so far that begin with the text.
    std::vector<std::string> linesStartingWith(const std::string& text) const;
    // True once a line so far holds the text.
    bool contains(const std::string& text) const;

private:
    void read();

    UniqueHandle mutex_, mapping_, bufferReady_, dataReady_;
    const char* buffer_ = nullptr;
    mutable std::mutex linesLock_;
    std::vector<std::string> lines_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace sonarel
