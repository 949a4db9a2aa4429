// Stand-in for the media player: opens and closes its top-level windows
// and sets their titles as the commands on standard input say, answering
// each command with one line once the windows show its effect.
#include <windows.h>

#include <string>

#include "standins/player/command_input.h"
#include "standins/player/commands.h"

namespace {

void writeLine(const std::string& text) {
    std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Runs the waiting commands; false once the session has ended.
bool runWaitingCommands(sonarel::player::CommandInput& input, sonarel::player::Session& session) {
    while (auto line = input.next()) {
        if (line->endOfInput) {
            writeLine("bye");
            return false;
        }
        sonarel::player::Reply reply = sonarel::player::execute(session, line->text);
        writeLine(reply.text);
        if (reply.ends) return false;
    }
    return true;
}

}  // namespace

int main() {
    using namespace sonarel::player;
    MSG msg;
    // The queue must exist before the input thread posts to it.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    registerPlayerClasses();

    Session session;
    CommandInput input(GetCurrentThreadId());
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == CommandInput::linesWaiting) {
            if (!runWaitingCommands(input, session)) return 0;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
