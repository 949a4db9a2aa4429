#pragma once
// The stand-in player, driven line by line through its standard input; it
// answers "ok" to each command. While waiting, this thread's messages are
// processed, so the plug-in's timer keeps ticking.
#include <optional>
#include <string>

#include "common/win32.h"

namespace sonarel::standin {

class PlayerProcess {
public:
    explicit PlayerProcess(const std::wstring& exePath);
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;
    ~PlayerProcess();

    // Sends a command and waits for its "ok"; false when none came in time.
    bool command(const std::string& line, unsigned deadlineMs = 10000);

private:
    std::optional<std::string> nextLine(unsigned deadlineMs);
    UniqueHandle process_;
    UniqueHandle input_;
    UniqueHandle output_;
    std::string pending_;
};

}  // namespace sonarel::standin
