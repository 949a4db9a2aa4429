// sonarel-host: a stand-in for the messenger add-on that hosts the plug-in.
//   sonarel-host.exe [--friendly NAME] [--signin NAME] [--seconds N]
//                    [--refuse-links] [--pace-changes] [--slow-server] [--collapse-blanks] [COMMAND...]
// (the line "crash" on standard input ends it the hard way; the switches
// make the messenger's server refuse names holding "www" or "http", refuse
// a change less than 10 s after the last, show names 2.5 s after their
// command, or collapse runs of blanks in names)
// It registers the plug-in beside it and the stand-in messenger, creates the
// plug-in by ProgID, prints what the plug-in publishes, hands each COMMAND
// to ParseCommand, and then runs its message loop for N seconds (without
// --seconds: until its standard input ends), printing each text the host
// sends on the quick-text hot key.
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "StandInMessenger.h"
#include "common/com.h"
#include "standins/host/plugin_host.h"
#include "standins/host/quick_text_host.h"
#include "standins/messenger/standin_messenger.h"

using namespace sonarel;
using namespace sonarel::standin;

namespace {

constexpr UINT crashExitCode = 3;

struct Options {
    std::wstring friendlyName = L"Ann";
    std::wstring signinName = L"ann@example.test";
    int seconds = -1;  // until standard input ends
    bool refuseLinks = false, paceChanges = false, slowServer = false, collapseBlanks = false;
    std::vector<std::wstring> commands;
};

Options parse(int argc, wchar_t** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--friendly" && hasValue) options.friendlyName = argv[++i];
        else if (arg == L"--signin" && hasValue) options.signinName = argv[++i];
        else if (arg == L"--seconds" && hasValue) options.seconds = _wtoi(argv[++i]);
        else if (arg == L"--refuse-links") options.refuseLinks = true;
        else if (arg == L"--pace-changes") options.paceChanges = true;
        else if (arg == L"--slow-server") options.slowServer = true;
        else if (arg == L"--collapse-blanks") options.collapseBlanks = true;
        else options.commands.push_back(arg);
    }
    return options;
}

// Posts WM_QUIT to the main thread when standard input ends. The line
// "crash" ends the host the hard way instead, as a crash would: nothing
// is torn down and the plug-in is told nothing.
void quitAtEndOfInput(DWORD mainThread) {
    std::thread([mainThread] {
        char buffer[256];
        while (fgets(buffer, sizeof(buffer), stdin)) {
            if (std::string_view(buffer).starts_with("crash")) TerminateProcess(GetCurrentProcess(), crashExitCode);
        }
        PostThreadMessageW(mainThread, WM_QUIT, 0, 0);
    }).detach();
}

void runMessageLoop(int seconds) {
    if (seconds >= 0) {
        pumpMessagesFor(static_cast<unsigned>(seconds) * 1000);
        return;
    }
    quitAtEndOfInput(GetCurrentThreadId());
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int host(const Options& options) {
    StandInMessenger messenger(options.signinName, options.friendlyName);
    messenger.refuseLinks(options.refuseLinks);
    messenger.paceChanges(options.paceChanges);
    if (options.slowServer) messenger.showNamesAfter(slowServerDelay);
    messenger.collapseBlanks(options.collapseBlanks);
    messenger.registerClassObject();
    QuickTextHost quickTexts(messenger);
    quickTexts.onSent = [&](const SentText& sent) {
        printLine(L"sent in " + sent.contact + L": " + sent.text);
        printLine(L"display name: " + messenger.friendlyName());
    };

    PluginHost plugin(besideProgram(L"SonarelPL.dll"));
    ComPtr<IDispatch> messengerObject;
    CoCreateInstance(CLSID_Messenger, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                     IID_PPV_ARGS(&messengerObject));
    plugin.initialize(1, options.signinName, messengerObject.Get());
    long commandCount = 0, tagCount = 0;
    std::wstring name = plugin.publishedName(&commandCount, &tagCount);
    printLine(L"plug-in: " + name + L" (" + std::to_wstring(commandCount) +
              L" commands, " + std::to_wstring(tagCount) + L" tags)");
    for (const auto& command : plugin.publishedCommands(commandCount))
        printLine(L"command " + std::to_wstring(command.index) + L": " + command.name + L" = " + command.value);
    for (const auto& command : options.commands) {
        CommandResult result = plugin.parseCommand(command);
        printLine(command + L" -> " + (result.handled ? L"True" : L"False") + L", result \"" + result.result + L"\"");
    }
    runMessageLoop(options.seconds);
    plugin.uninitialize();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    return runHostProgram("sonarel-host", [&] { return host(parse(argc, argv)); });
}
