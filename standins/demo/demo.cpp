// sonarel-demo: the live demo. The stand-in host, messenger and player, and
// the real plug-in with its real timer, printing a timeline of what the
// player shows and what the display name becomes. It ends with 0 when every
// check held.
#include <functional>
#include <optional>
#include <vector>

#include "StandInMessenger.h"
#include "settings/settings_store.h"
#include "standins/host/player_process.h"
#include "standins/host/plugin_host.h"
#include "standins/host/quick_text_host.h"
#include "standins/messenger/standin_messenger.h"
#include "standins/support/key_counting_window.h"
#include "standins/support/user_input.h"

namespace sonarel::standin {
namespace {

constexpr wchar_t signin[] = L"ann@example.test";
constexpr wchar_t plainName[] = L"Ann";
constexpr wchar_t tag[] = L"I'm listening to:";
constexpr wchar_t listeningName[] = L"Ann I'm listening to: (!WAT)";
constexpr wchar_t kListeningCommand[] = L"/name Ann I'm listening to: (!WAT)";

std::optional<std::wstring> playerTitle() {
    HWND player = FindWindowW(L"Winamp v1.x", nullptr);
    if (!player) return std::nullopt;
    wchar_t text[512] = {};
    GetWindowTextW(player, text, 512);
    return std::wstring(text);
}

class Timeline {
public:
    explicit Timeline(StandInMessenger& messenger) : messenger_(messenger), start_(GetTickCount()) {}

    void print(const std::wstring& source, const std::wstring& text) {
        wchar_t stamp[32];
        swprintf(stamp, 32, L"[%5.1f s] ", (GetTickCount() - start_) / 1000.0);
        printLine(stamp + source + L"  " + text);
    }

    // Notes what changed since the last look.
    void look() {
        auto title = playerTitle();
        if (title != title_) {
            title_ = title;
            if (title) ++titles;
            print(L"player   ", !title           ? L"(no player window)"
                               : title->empty() ? L"(window without a title)"
                                                : L"\"" + *title + L"\"");
        }
        std::wstring name = messenger_.friendlyName();
        if (name != name_) {
            if (!name_.empty()) ++nameChanges;
            name_ = name;
            print(L"name     ", L"\"" + name + L"\"");
        }
        size_t open = messenger_.conversations().size();
        if (open != conversations_) {
            if (open > conversations_) print(L"messenger", L"a conversation with Debug.Window opened (the command conversation)");
            conversations_ = open;
        }
    }

    // Lets the plug-in run until the condition holds or the time is up.
    bool waitFor(const std::function<bool()>& condition, unsigned deadlineMs) {
        DWORD begin = GetTickCount();
        for (;;) {
            look();
            if (condition()) return true;
            if (GetTickCount() - begin >= deadlineMs) return false;
            pumpMessagesFor(20);
        }
    }

    int titles = 0;
    int nameChanges = 0;

private:
    StandInMessenger& messenger_;
    DWORD start_;
    std::optional<std::wstring> title_;
    std::wstring name_;
    size_t conversations_ = 0;
};

std::wstring seconds(DWORD milliseconds) {
    wchar_t text[16];
    swprintf(text, 16, L"%.1f s", milliseconds / 1000.0);
    return text;
}

void prepareSettings() {
    SettingsStore settings;
    settings.WriteSetting(keys::CurrentName, L"1");
    settings.WriteSetting(keys::CustomName, L"0");
    settings.WriteSetting(keys::CurrentTag, tag);
    RegDeleteTreeW(HKEY_CURRENT_USER, quickTextPath(signin).c_str());  // a fresh quick-text entry
}

int runDemo() {
    printLine(L"Sonarel demo: stand-in host, messenger and player, the real plug-in and its timer");
    std::wstring playerExe = besideProgram(L"sonarel-player.exe");
    if (GetFileAttributesW(playerExe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        printLine(L"The stand-in player is missing: " + playerExe);
        return 1;
    }

    StandInMessenger messenger(signin, plainName);
    messenger.registerClassObject();
    QuickTextHost host(messenger);
    Timeline timeline(messenger);
    DWORD lastSendAt = 0;
    host.onSent = [&](const SentText& sent) {
        lastSendAt = GetTickCount();
        timeline.print(L"host     ", L"sent \"" + sent.text + L"\"");
    };

    prepareSettings();
    printLine(L"settings: CurrentName=\"1\" CustomName=\"0\" CurrentTag=\"" + std::wstring(tag) + L"\"");
    PluginHost plugin(besideProgram(L"SonarelPL.dll"));
    // The host hands the plug-in its own messenger object.
    ComPtr<IDispatch> messengerObject;
    CoCreateInstance(CLSID_Messenger, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&messengerObject));
    long commandCount = 0;
    plugin.initialize(1, signin, messengerObject.Get());
    printLine(L"plug-in: \"" + plugin.publishedName(&commandCount) + L"\"");
    CommandResult on = plugin.parseCommand(L"/xwinampon");
    printLine(std::wstring(L"/xwinampon -> ") + (on.handled ? L"True" : L"False"));

    PlayerProcess player(playerExe);
    auto listening = [&] { return messenger.friendlyName() == listeningName; };
    auto plain = [&] { return messenger.friendlyName() == plainName; };
    bool playerOk = true;
    bool sendsOk = true;
    // Runs a player command and lets the plug-in work until the name has
    // settled.
    auto step = [&](const std::string& command, const wchar_t* expectation, const std::function<bool()>& settled,
                    unsigned deadlineMs) {
        timeline.look();
        timeline.print(L"demo     ", L"player command: " + std::wstring(command.begin(), command.end()));
        timeline.print(L"         ", expectation);
        playerOk = player.command(command) && playerOk;
        timeline.waitFor(settled, deadlineMs);
    };
    auto never = [] { return false; };
    auto check = [&](bool ok, const std::wstring& what) {
        sendsOk = sendsOk && ok;
        timeline.print(L"check    ", what + L" - " + (ok ? L"OK" : L"FAILED"));
    };
    auto sentSince = [&](size_t before) {
        std::vector<std::wstring> texts;
        for (size_t i = before; i < host.sent().size(); ++i) texts.push_back(host.sent()[i].text);
        return texts;
    };
    // A pause, a stop or the watch switched off sends the plain name once,
    // and nothing else follows it on the next tick.
    auto expectOnePlainSend = [&](const std::wstring& what, const std::function<void()>& act) {
        size_t before = host.sent().size();
        act();
        timeline.waitFor(plain, 2500);
        timeline.waitFor(never, 1200);
        auto texts = sentSince(before);
        check(texts == std::vector<std::wstring>{L"/name Ann"},
              std::to_wstring(texts.size()) + L" send(s) after " + what + L", the plain name only");
    };
    auto playerStep = [&](const std::string& command, const wchar_t* expectation) {
        return [&, command, expectation] { step(command, expectation, never, 0); };
    };
    auto hostCommand = [&](const wchar_t* command, const wchar_t* expectation) {
        timeline.look();
        CommandResult result = plugin.parseCommand(command);
        timeline.print(L"demo     ", std::wstring(L"host command: ") + command + L" -> " +
                                         (result.handled ? L"True" : L"False"));
        timeline.print(L"         ", expectation);
    };

    timeline.look();
    step("open2", L"(the player opens)", never, 1500);
    {
        size_t before = host.sent().size();
        step("play2 Bright Morning",
             L"(the first song: the hidden command conversation opens and carries the listening name)", listening,
             2500);
        size_t first = host.sent().size() - before;
        step("play2 Second Song", L"(the next song: the listening name shows already, nothing is sent)", never, 1500);
        step("play2 Night Drive", L"(and the one after it)", never, 1500);
        size_t next = host.sent().size() - before - first;
        check(listening() && first == 1 && next == 0,
              L"a run of 3 songs: " + std::to_wstring(first) + L" send for the first, " + std::to_wstring(next) +
                  L" for the next ones");
    }
    expectOnePlainSend(L"pause2", playerStep("pause2", L"(paused: the plain name comes back)"));
    step("resume2", L"(playing again: the listening name)", listening, 2500);
    expectOnePlainSend(L"/xwinampoff", [&] {
        hostCommand(L"/xwinampoff", L"(the watch is switched off while a song plays: the plain name comes back)");
    });
    {
        size_t before = host.sent().size();
        hostCommand(L"/xwinampon", L"(on again: the song that plays shows the listening name, without a new song)");
        bool back = timeline.waitFor(listening, 2500);
        check(back && sentSince(before) == std::vector<std::wstring>{kListeningCommand},
              L"switched on again, the listening name came back without a new song");
    }
    expectOnePlainSend(L"stop2", playerStep("stop2", L"(stopped: the plain name)"));

    // The user types in the host's window every 300 ms for 3 s, and the
    // player starts a song after the first second.
    {
        // A window of the host's own, away from the screen's centre, where
        // the pointer rests.
        KeyCountingWindow notes(L"Notes", WS_OVERLAPPEDWINDOW, RECT{820, 300, 1220, 500});
        notes.bringToFront();
        timeline.waitFor(inputQuiet, 3000);
        timeline.print(L"demo     ", L"the user types in the host's Notes window every 300 ms for 3 s");
        size_t before = host.sent().size();
        DWORD lastKey = 0;
        for (int key = 0; key < 10; ++key) {
            if (key == 3) step("play2 Third Song", L"(a song while the user types: the name waits)", never, 0);
            typeKey('A');
            lastKey = GetTickCount();
            timeline.waitFor(never, 300);
        }
        bool waited = host.sent().size() == before;
        timeline.print(L"demo     ", L"the user stops typing");
        bool followed = timeline.waitFor(listening, 4000) && lastSendAt - lastKey <= 2100;
        check(waited && followed && notes.keys() == 10,
              std::wstring(waited ? L"nothing sent while the user typed" : L"SENT while the user typed") +
                  L"; the listening name " + seconds(lastSendAt - lastKey) + L" after the last key; " +
                  std::to_wstring(notes.keys()) + L" of 10 keys in the Notes window");
    }

    // Another program in front, and the window system's foreground lock on.
    player.command("work");
    messenger.lockForeground(true);
    timeline.waitFor(inputQuiet, 3000);
    timeline.print(L"demo     ", L"the user works in a document of another program; the foreground is locked");
    step("stop2", L"(stopped: the plain name comes through the locked foreground)", plain, 4000);
    std::string desk;
    timeline.waitFor([&] { return (desk = player.reply("desk").value_or("")) == "ok keys=0 front=document"; }, 2000);
    check(plain() && desk == "ok keys=0 front=document",
          L"the document has the keyboard again and got no key (" + std::wstring(desk.begin(), desk.end()) + L")");
    messenger.lockForeground(false);

    step("close2", L"(closed: the name is already plain)", never, 2000);
    player.command("quit", 3000);
    timeline.waitFor(never, 300);

    plugin.uninitialize();
    std::wstring finalName = messenger.friendlyName();
    int repeated = 0;  // a name command the same as the one before it
    for (size_t i = 1; i < host.sent().size(); ++i) repeated += host.sent()[i].text == host.sent()[i - 1].text;
    bool ok = playerOk && sendsOk && timeline.nameChanges >= 4 && finalName == plainName && repeated == 0;
    printLine(L"summary: " + std::to_wstring(timeline.titles) + L" player titles, " +
              std::to_wstring(host.sent().size()) + L" name commands sent by the host, " +
              (repeated ? std::to_wstring(repeated) + L" the same as the one before" : L"no two the same in a row") +
              L", " + std::to_wstring(timeline.nameChanges) + L" display-name changes, final name \"" + finalName +
              L"\" - " + (ok ? L"OK" : L"FAILED"));
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace sonarel::standin

int wmain() { return sonarel::standin::runHostProgram("sonarel-demo", sonarel::standin::runDemo); }
