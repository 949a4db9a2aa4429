// Stand-in for the media player: opens and closes its top-level windows
// and sets their titles as the commands on standard input say, answering
// each command with one line once the windows show its effect.
#include <windows.h>

#include <optional>
#include <string>

#include "common/win32.h"
#include "standins/player/command_input.h"
#include "standins/player/commands.h"
#include "standins/support/window_class.h"

namespace {

using namespace sonarel::player;

constexpr wchar_t commandWindowClass[] = L"SonarelStandInPlayerCommands";

// What the command window works on.
struct CommandLoop {
    Session session;
    std::optional<CommandInput> input;
};

void writeLine(const std::string& text) {
    std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Runs the waiting commands; false once the session has ended.
bool runWaitingCommands(CommandInput& input, Session& session) {
    while (auto line = input.next()) {
        if (line->endOfInput) {
            writeLine("bye");
            return false;
        }
        Reply reply = execute(session, line->text);
        writeLine(reply.text);
        if (reply.ends) return false;
    }
    return true;
}

LRESULT CALLBACK commandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* loop = reinterpret_cast<CommandLoop*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == CommandInput::linesWaiting && loop && loop->input) {
        if (!runWaitingCommands(*loop->input, loop->session)) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
    registerPlayerClasses();
    sonarel::registerWindowClass(commandWindowClass, commandWindowProc);
    CommandLoop loop;
    sonarel::UniqueWindow commands(CreateWindowExW(0, commandWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                   GetModuleHandleW(nullptr), &loop));
    if (!commands) return 1;
    loop.input.emplace(commands.get());
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
