#include "standins/player/command_input.h"

#include <deque>
#include <mutex>
#include <thread>

namespace sonarel::player {

struct CommandInput::Queue {
    std::mutex mutex;
    std::deque<InputLine> lines;
    HWND commandWindow = nullptr;

    void push(InputLine line) {
        {
            std::lock_guard lock(mutex);
            lines.push_back(std::move(line));
        }
        PostMessageW(commandWindow, linesWaiting, 0, 0);
    }
};

// Blocks on standard input until it ends; splits it into lines.
void CommandInput::readLines(Queue& queue, HANDLE input) {
    std::string pending;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(input, chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        pending.append(chunk, read);
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            queue.push({false, std::move(line)});
            pending.erase(0, end + 1);
        }
    }
    if (!pending.empty()) queue.push({false, std::move(pending)});
    queue.push({true, {}});
}

CommandInput::CommandInput(HWND commandWindow) : queue_(std::make_shared<Queue>()) {
    queue_->commandWindow = commandWindow;
    // The thread may still be blocked in ReadFile when the program ends; it
    // holds its own share of the queue, so nothing it touches goes away.
    std::thread([queue = queue_] { readLines(*queue, GetStdHandle(STD_INPUT_HANDLE)); }).detach();
}

std::optional<InputLine> CommandInput::next() {
    std::lock_guard lock(queue_->mutex);
    if (queue_->lines.empty()) return std::nullopt;
    InputLine line = std::move(queue_->lines.front());
    queue_->lines.pop_front();
    return line;
}

}  // namespace sonarel::player
