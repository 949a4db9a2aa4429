#pragma once
// The stand-in player, driven line by line through its standard input; it
// answers "ok" to each command. While waiting, this thread's messages are
// processed, so the plug-in's timer keeps ticking.
#include <optional>
#include <string>

#include <vector>

#include "standins/support/piped_process.h"

namespace sonarel::standin {

class PlayerProcess {
public:
    explicit PlayerProcess(const std::wstring& exePath);

    // Sends a command and waits for its "ok"; false when none came in time.
    bool command(const std::string& line, unsigned deadlineMs = 10000);
    // Sends a command and returns its reply; none when none came in time.
    std::optional<std::string> reply(const std::string& line, unsigned deadlineMs = 10000);

private:
    std::optional<std::string> nextLine(unsigned deadlineMs);
    PipedProcess process_;
    std::vector<std::string> lines_;
};

}  // namespace sonarel::standin
