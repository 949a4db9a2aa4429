#pragma once
// The stand-in player, run as a child process and driven by its commands.
#include <string>

#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {

class StandInPlayer {
public:
    StandInPlayer();

    // Sends one command and waits for its "ok": the windows show its effect
    // by then. Throws with the player's reply when it is anything else.
    void run(const std::string& command);
    // The same with a title argument given as Unicode text.
    void run(const std::string& command, const std::wstring& text);
    // Sends one command and returns the player's reply as it stands.
    std::string reply(const std::string& command);

    ChildProcess& process() { return process_; }

private:
    ChildProcess process_;
};

std::string toUtf8(const std::wstring& text);

}  // namespace sonarel::testing
