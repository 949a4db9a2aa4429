#pragma once
// Standard input, read line by line on a thread of its own so that the
// window thread never blocks on it and keeps its windows responsive.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace sonarel::player {

// One line of input, or the end of the input.
struct InputLine {
    bool endOfInput = false;
    std::string text;  // without the line break
};

class CommandInput {
public:
    // Posted to the command window whenever lines are waiting. A window's
    // message, unlike a thread's, is delivered by any message loop, also
    // by a menu's while the user has one open.
    static constexpr UINT linesWaiting = WM_APP + 1;

    // Starts reading.
    explicit CommandInput(HWND commandWindow);

    // The next waiting line, if any.
    std::optional<InputLine> next();

private:
    struct Queue;
    static void readLines(Queue& queue, HANDLE input);
    std::shared_ptr<Queue> queue_;  // shared with the reading thread
};

}  // namespace sonarel::player
