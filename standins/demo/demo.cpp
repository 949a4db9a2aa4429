// sonarel-demo: the live demo. The stand-in host, messenger and player, and
// the real plug-in with its real timer, printing a timeline of what the
// player shows and what the display name becomes. It ends with 0 when every
// check held.
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "StandInMessenger.h"
#include "names/desktop_rules.h"
#include "settings/settings_store.h"
#include "standins/support/debug_trace.h"
#include "standins/host/player_process.h"
#include "standins/host/plugin_host.h"
#include "standins/host/quick_text_host.h"
#include "standins/messenger/standin_messenger.h"
#include "standins/support/key_counting_window.h"
#include "standins/support/user_input.h"
#include "standins/support/windows_answers.h"

namespace sonarel::standin {
namespace {

constexpr wchar_t signin[] = L"ann@example.test";
constexpr wchar_t plainName[] = L"Ann";
constexpr wchar_t tag[] = L"I'm listening to:";
constexpr wchar_t listeningName[] = L"Ann I'm listening to: (!WAT)";
constexpr wchar_t kListeningCommand[] = L"/name Ann I'm listening to: (!WAT)";
constexpr wchar_t tagWithALink[] = L"on www.radio.test";
constexpr wchar_t usersQuickText[] = L"brb, 5 min";

// How soon a name follows: the tick that notices the change (once a second),
// and the send itself, which opens the command conversation on a machine
// that may be busy. After the user's own input the plug-in first waits for
// a quiet second, and the tick after it may come up to a second later.
constexpr unsigned tickMs = 1000;
constexpr unsigned sendMs = 1500;
constexpr unsigned followsMs = tickMs + sendMs;
constexpr unsigned followsInputMs = quietBeforeKeysMs + tickMs + sendMs;

std::optional<std::wstring> playerTitle() {
    HWND player = FindWindowW(L"Winamp v1.x", nullptr);
    if (!player) return std::nullopt;
    wchar_t text[512] = {};
    GetWindowTextW(player, text, 512);
    return std::wstring(text);
}

// The plug-in's trace lines that tell of a name that did not go as asked.
bool tellsOfTrouble(const std::string& line) {
    for (const char* words : {"not confirmed", "five names", "not sent"})
        if (line.find(words) != std::string::npos) return true;
    return false;
}

class Timeline {
public:
    Timeline(StandInMessenger& messenger, const DebugTraceReader& trace)
        : messenger_(messenger), trace_(trace), start_(GetTickCount()) {}

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
        size_t open = 0;  // command conversations: the user's own are the user's business
        for (const auto& conversation : messenger_.conversations()) open += conversation.contact == L"Debug.Window";
        if (open != conversations_) {
            if (open > conversations_) print(L"messenger", L"a conversation with Debug.Window opened (the command conversation)");
            conversations_ = open;
        }
        auto lines = trace_.lines();
        for (; traceLines_ < lines.size(); ++traceLines_) {
            const std::string& line = lines[traceLines_];
            if (tellsOfTrouble(line)) print(L"trace    ", std::wstring(line.begin(), line.end() - (line.ends_with('\n'))));
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
    const DebugTraceReader& trace_;
    size_t traceLines_ = 0;
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

// A user who has not chosen how the name is built yet.
void prepareSettings() {
    SettingsStore settings;
    for (auto key : {keys::CurrentName, keys::CustomName, keys::CurrentTag}) settings.RemoveSetting(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, quickTextPath(signin).c_str());  // a fresh quick-text entry
}

// The Options window's controls, as the user finds them.
constexpr int optionCurrentName = 101, tagBox = 102, saveButton = 108;

// While the Options window's modal loop runs, the user chooses "Use
// Current name and...", types the tag and clicks "Save!!!".
VOID CALLBACK chooseCurrentNameMode(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND options = FindWindowW(L"SonarelOptions", nullptr);
    if (!options || !IsWindowVisible(options)) return;
    KillTimer(nullptr, timer);
    SendDlgItemMessageW(options, optionCurrentName, BM_CLICK, 0, 0);
    SetDlgItemTextW(options, tagBox, tag);
    SendDlgItemMessageW(options, saveButton, BM_CLICK, 0, 0);
}

// The demo's parts, each with its check, run one after the other against
// one plug-in, messenger, host and player.
class Demo {
public:
    explicit Demo(const std::wstring& playerExe)
        : host_(messenger_), timeline_(messenger_, trace_), plugin_(startPlugin()), player_(playerExe) {
        host_.onSent = [this](const SentText& sent) {
            lastSendAt_ = GetTickCount();
            timeline_.print(L"host     ", L"sent \"" + sent.text + L"\"");
        };
    }

    int run() {
        userAtTheDesk();
        timeline_.look();
        step("open2", L"(the player opens)", never, 1500);
        modeChosenWhileASongPlays();
        runOfSongs();
        expectOnePlainSend(L"pause2", playerStep("pause2", L"(paused: the plain name comes back)"));
        step("resume2", L"(playing again: the listening name)", listening(), followsMs);
        watchOffAndOn();
        expectOnePlainSend(L"stop2", playerStep("stop2", L"(stopped: the plain name)"));
        typingInTheNotes();
        draftInTheUsersConversation();
        lockedForeground();
        contactsMessageAsTheKeysGoOut();
        refusedName();
        usersQuickTextKept();
        stopAfterTheRefusedName();
        lockedSession();
        step("close2", L"(closed: the plain name comes back)", plain(), followsMs);
        player_.command("quit", 3000);
        timeline_.waitFor(never, 300);
        plugin_.uninitialize();
        return summary();
    }

private:
    static bool never() { return false; }
    std::function<bool()> listening() {
        return [this] { return messenger_.friendlyName() == listeningName; };
    }
    std::function<bool()> plain() {
        return [this] { return messenger_.friendlyName() == plainName; };
    }

    PluginHost startPlugin() {
        messenger_.registerClassObject();
        prepareSettings();
        printLine(L"settings: no naming mode chosen yet");
        PluginHost plugin(besideProgram(L"SonarelPL.dll"));
        // The host hands the plug-in its own messenger object.
        ComPtr<IDispatch> messengerObject;
        CoCreateInstance(CLSID_Messenger, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_PPV_ARGS(&messengerObject));
        long commandCount = 0;
        plugin.initialize(1, signin, messengerObject.Get());
        printLine(L"plug-in: \"" + plugin.publishedName(&commandCount) + L"\"");
        CommandResult on = plugin.parseCommand(L"/xwinampon");
        printLine(std::wstring(L"/xwinampon -> ") + (on.handled ? L"True" : L"False"));
        return plugin;
    }

    // The plug-in injects nothing for a user away from the desk: the demo's
    // user moves the mouse by nothing first, and lets it rest.
    void userAtTheDesk() {
        moveMouseByNothing();
        timeline_.waitFor(inputQuiet, 3000);
    }

    // Runs a player command and lets the plug-in work until the name has
    // settled.
    void step(const std::string& command, const wchar_t* expectation, const std::function<bool()>& settled,
              unsigned deadlineMs) {
        timeline_.look();
        timeline_.print(L"demo     ", L"player command: " + std::wstring(command.begin(), command.end()));
        timeline_.print(L"         ", expectation);
        playerOk_ = player_.command(command) && playerOk_;
        timeline_.waitFor(settled, deadlineMs);
    }
    std::function<void()> playerStep(const std::string& command, const wchar_t* expectation) {
        return [this, command, expectation] { step(command, expectation, never, 0); };
    }
    void hostCommand(const wchar_t* command, const wchar_t* expectation) {
        timeline_.look();
        CommandResult result = plugin_.parseCommand(command);
        timeline_.print(L"demo     ", std::wstring(L"host command: ") + command + L" -> " +
                                          (result.handled ? L"True" : L"False"));
        timeline_.print(L"         ", expectation);
    }
    void check(bool ok, const std::wstring& what) {
        checksOk_ = checksOk_ && ok;
        timeline_.print(L"check    ", what + L" - " + (ok ? L"OK" : L"FAILED"));
    }
    std::vector<std::wstring> sentSince(size_t before) const {
        std::vector<std::wstring> texts;
        for (size_t i = before; i < host_.sent().size(); ++i) texts.push_back(host_.sent()[i].text);
        return texts;
    }

    // A pause, a stop or the watch switched off sends the plain name once,
    // and nothing else follows it on the next tick.
    void expectOnePlainSend(const std::wstring& what, const std::function<void()>& act) {
        size_t before = host_.sent().size();
        act();
        timeline_.waitFor(plain(), followsMs);
        timeline_.waitFor(never, 1200);
        auto texts = sentSince(before);
        check(texts == std::vector<std::wstring>{L"/name Ann"},
              std::to_wstring(texts.size()) + L" send(s) after " + what + L", the plain name only");
    }

    // A new user plays a song before choosing a naming mode: nothing is
    // sent. Once the Options window saves a mode, the song that plays shows
    // the listening name, without a new song.
    void modeChosenWhileASongPlays() {
        size_t traceBefore = trace_.lines().size();
        step("play2 Bright Morning", L"(the first song, with no naming mode chosen: nothing is sent)", never, 2100);
        auto lines = trace_.lines();
        bool told = std::any_of(lines.begin() + static_cast<std::ptrdiff_t>(traceBefore), lines.end(),
                                [](const std::string& line) { return line.find("no naming mode is chosen") != std::string::npos; });
        check(host_.sent().empty() && told, L"nothing sent, and the trace says that no naming mode is chosen");
        timeline_.print(L"demo     ", L"the user opens the Options window, chooses \"Use Current name and...\" with "
                                      L"the tag \"" + std::wstring(tag) + L"\" and clicks \"Save!!!\"");
        UINT_PTR typing = SetTimer(nullptr, 0, 200, chooseCurrentNameMode);
        CommandResult options = plugin_.parseCommand(L"/xwinampoptions");
        KillTimer(nullptr, typing);
        DWORD saved = GetTickCount();
        timeline_.print(L"demo     ", std::wstring(L"host command: /xwinampoptions -> ") +
                                          (options.handled ? L"True" : L"False") + L", saved");
        timeline_.print(L"         ", L"(the song that plays: the hidden command conversation opens and carries the "
                                      L"listening name)");
        // Within two ticks: Wine counts the Options window closing under the
        // pointer as the user's input, and the plug-in waits a quiet second.
        bool shown = timeline_.waitFor(listening(), followsInputMs);
        check(shown && host_.sent().size() == 1,
              L"the listening name " + seconds(GetTickCount() - saved) + L" after the save, without a new song");
    }

    void runOfSongs() {
        size_t before = host_.sent().size();
        step("play2 Second Song", L"(the next song: the listening name shows already, nothing is sent)", never,
             1500);
        step("play2 Night Drive", L"(and the one after it)", never, 1500);
        size_t next = host_.sent().size() - before;
        check(listening()() && next == 0, L"the next 2 songs while the listening name shows: " +
                                              std::to_wstring(next) + L" sends");
    }

    void watchOffAndOn() {
        expectOnePlainSend(L"/xwinampoff", [this] {
            hostCommand(L"/xwinampoff", L"(the watch is switched off while a song plays: the plain name comes back)");
        });
        size_t before = host_.sent().size();
        hostCommand(L"/xwinampon", L"(on again: the song that plays shows the listening name, without a new song)");
        bool back = timeline_.waitFor(listening(), followsMs);
        check(back && sentSince(before) == std::vector<std::wstring>{kListeningCommand},
              L"switched on again, the listening name came back without a new song");
    }

    // The user types in the host's window every 300 ms for 3 s, and the
    // player starts a song after the first second.
    void typingInTheNotes() {
        // A window of the host's own, away from the screen's centre, where
        // the pointer rests.
        KeyCountingWindow notes(L"Notes", WS_OVERLAPPEDWINDOW, RECT{820, 300, 1220, 500});
        notes.bringToFront();
        timeline_.waitFor(inputQuiet, 3000);
        timeline_.print(L"demo     ", L"the user types in the host's Notes window every 300 ms for 3 s");
        size_t before = host_.sent().size();
        DWORD lastKey = 0;
        for (int key = 0; key < 10; ++key) {
            if (key == 3) step("play2 Third Song", L"(a song while the user types: the name waits)", never, 0);
            typeKey('A');
            lastKey = GetTickCount();
            timeline_.waitFor(never, 300);
        }
        bool waited = host_.sent().size() == before;
        timeline_.print(L"demo     ", L"the user stops typing");
        bool followed = timeline_.waitFor(listening(), 4000) && lastSendAt_ - lastKey <= followsInputMs;
        check(waited && followed && notes.keys() == 10,
              std::wstring(waited ? L"nothing sent while the user typed" : L"SENT while the user typed") +
                  L"; the listening name " + seconds(lastSendAt_ - lastKey) + L" after the last key; " +
                  std::to_wstring(notes.keys()) + L" of 10 keys in the Notes window");
    }

    // The user writes to a contact and stops in the middle of a sentence,
    // while the player pauses: the name follows through the hidden
    // conversation, and the draft stays where it was.
    void draftInTheUsersConversation() {
        const std::wstring draft = L"see you at";
        HWND bob = messenger_.openConversation(L"bob@example.test");
        SetForegroundWindow(bob);
        timeline_.waitFor([&] { return messenger_.inputBoxHasFocus(bob); }, 2000);
        timeline_.print(L"demo     ", L"the user writes \"" + draft + L"\" to bob@example.test, a key every 200 ms");
        for (size_t at = 0; at < draft.size(); ++at) {
            if (at == 4) step("pause2", L"(paused while the user writes: the name waits)", never, 0);
            typeText(draft.substr(at, 1));
            timeline_.waitFor(never, 200);
        }
        timeline_.print(L"demo     ", L"the user stops in the middle of the sentence");
        bool followed = timeline_.waitFor(plain(), 4000);
        bool backInTheBox = timeline_.waitFor(
            [&] { return GetForegroundWindow() == bob && messenger_.inputBoxHasFocus(bob); }, 2000);
        Selection caret = messenger_.selection(bob);
        bool draftKept = messenger_.draft(bob) == draft && caret == Selection{10, 10};
        bool contactGotNothing = messenger_.messagesToContacts().empty();
        check(followed && draftKept && contactGotNothing && backInTheBox,
              std::wstring(followed ? L"the plain name came" : L"NO plain name") + L"; bob got " +
                  std::to_wstring(messenger_.messagesToContacts().size()) + L" message(s); the draft \"" +
                  messenger_.draft(bob) + L"\" with the caret at " + std::to_wstring(caret.start) +
                  (backInTheBox ? L"; the conversation has the keyboard again" : L"; the keyboard is ELSEWHERE"));
        messenger_.closeConversation(bob);
    }

    // Another program in front, and the window system's foreground lock on.
    void lockedForeground() {
        player_.command("work");
        messenger_.lockForeground(true);
        timeline_.waitFor(inputQuiet, 3000);
        timeline_.print(L"demo     ", L"the user works in a document of another program; the foreground is locked");
        step("resume2", L"(playing again: the listening name comes through the locked foreground)", listening(),
             4000);
        std::string desk;
        timeline_.waitFor([&] { return (desk = player_.reply("desk").value_or("")) == "ok keys=0 front=document"; },
                          2000);
        check(listening()() && desk == "ok keys=0 front=document",
              L"the document has the keyboard again and got no key (" + std::wstring(desk.begin(), desk.end()) + L")");
        messenger_.lockForeground(false);
    }

    // The keys taken out in bob's conversation count as lost, and the plain
    // name is pressed again on the next tick.
    static constexpr unsigned contactMessageFollowsMs = 8000;

    // The user has written to a contact and stopped; as the plug-in's keys go
    // out, a message from that contact arrives, and the messenger brings the
    // contact's conversation forward before its thread reads them. None of
    // the keys acts there, so the contact gets neither the command nor the
    // draft, and the name still follows.
    void contactsMessageAsTheKeysGoOut() {
        const std::wstring draft = L"see you at";
        HWND bob = messenger_.openConversation(L"bob@example.test");
        SetForegroundWindow(bob);
        timeline_.waitFor([&] { return messenger_.inputBoxHasFocus(bob); }, 2000);
        typeText(draft);
        timeline_.waitFor(inputQuiet, 3000);
        messenger_.messageFromContactWhenCommandComesForward(bob);
        timeline_.print(L"demo     ", L"the user has written \"" + draft +
                                          L"\" to bob@example.test; a message from bob will arrive as the keys go out");
        DWORD paused = GetTickCount();
        step("pause2", L"(paused: bob's message brings his conversation forward before the keys are read)", plain(),
             contactMessageFollowsMs);
        bool followed = plain()();
        DWORD took = GetTickCount() - paused;
        bool arrived = messenger_.messagesFromContacts() == 1;
        int keysThere = messenger_.hotKeyKeysInUserConversations();
        bool contactGotNothing = messenger_.messagesToContacts().empty() && messenger_.draft(bob) == draft;
        check(arrived && followed && keysThere == 0 && contactGotNothing,
              std::wstring(arrived ? L"bob's message arrived as the keys went out" : L"NO message from bob") + L"; " +
                  std::to_wstring(keysThere) + L" key(s) of the plug-in in bob's conversation; bob got " +
                  std::to_wstring(messenger_.messagesToContacts().size()) + L" message(s), the draft \"" +
                  messenger_.draft(bob) + L"\"; the plain name " +
                  (followed ? seconds(took) + L" after the pause" : std::wstring(L"did NOT follow")));
        messenger_.closeConversation(bob);
    }

    // The server refuses names that hold a link, and the tag now holds one:
    // for a minute the name is tried again after 10 s, then not before a
    // minute, instead of every few seconds, though the user skips to another
    // song every 3 s: the wait belongs to the name, not to the song.
    // The contact's part left the player paused, with the plain name.
    void refusedName() {
        messenger_.refuseLinks(true);
        SettingsStore().WriteSetting(keys::CurrentTag, tagWithALink);
        timeline_.print(L"demo     ", L"the tag is now \"" + std::wstring(tagWithALink) +
                                          L"\", and the server refuses names that hold a link");
        size_t before = host_.sent().size(), traceBefore = trace_.lines().size();
        step("resume2", L"(playing again: the server refuses the name; tried again after 10 s, then after a minute)",
             never, 0);
        timeline_.print(L"demo     ", L"the user skips to another song every 3 s for the minute");
        for (int skip = 1; skip < 20; ++skip) {
            if (skip % 10 == 0) moveMouseByNothing();  // the user stays at the desk
            timeline_.waitFor(never, 3000);
            playerOk_ = player_.command("play2 Skipped Song " + std::to_string(skip)) && playerOk_;
        }
        timeline_.waitFor(never, 3000);
        size_t commands = sentSince(before).size();
        size_t nextTries = 0;
        auto lines = trace_.lines();
        for (size_t i = traceBefore; i < lines.size(); ++i) nextTries += lines[i].find("next try") != std::string::npos;
        check(commands >= 1 && commands <= 3 && nextTries >= 1,
              std::to_wstring(commands) + L" name command(s) in 60 s while the server refused the name (at most 3), " +
                  std::to_wstring(nextTries) + L" \"next try\" line(s) traced");
        messenger_.refuseLinks(false);
        SettingsStore().WriteSetting(keys::CurrentTag, tag);
        timeline_.print(L"demo     ", L"the tag is \"" + std::wstring(tag) + L"\" again");
    }

    // After the refused name, a new song and a stop are decisions of their
    // own: neither waits for the next try.
    void stopAfterTheRefusedName() {
        step("stop2", L"(stopped: the plain name)", plain(), followsMs);
        check(plain()(), plain()() ? L"after the refused name, the stop brought the plain name"
                                   : L"after the refused name, NO plain name after the stop");
    }

    // The user keeps a text of their own on Alt+0: the plug-in borrows the
    // entry for the name, and gives it back once the name shows.
    void usersQuickTextKept() {
        putQuickText(signin, usersQuickText);
        const QuickTextEntry users = readQuickText(signin);
        timeline_.print(L"demo     ", L"the user keeps \"" + std::wstring(usersQuickText) + L"\" on Alt+0");
        step("play2 Fourth Song", L"(a new song: the listening name, through the user's Alt+0 for a moment)",
             listening(), 4000);
        DWORD shown = GetTickCount();
        bool back = timeline_.waitFor([&] { return readQuickText(signin) == users; }, 4000);
        check(listening()() && back,
              std::wstring(back ? L"the user's \"" : L"NOT the user's \"") + usersQuickText + L"\" on Alt+0 again, " +
                  seconds(GetTickCount() - shown) + L" after the listening name showed");
    }

    // The session locked, as Windows answers a locked Windows 11 (the
    // plug-in's imports answer for it: the lock flag, the input desktop
    // refused, the shell's "not present"): a song starts, nothing is sent
    // and nothing injected; the session unlocks and the name follows.
    // The stop before left the plain name.
    void lockedSession() {
        WindowsAnswers answers(L"SonarelPL.dll", pictures::windows11Locked());
        timeline_.waitFor(inputQuiet, 3000);
        timeline_.print(L"demo     ", L"the session locks (as Windows answers it)");
        size_t before = host_.sent().size();
        DWORD lastInput = lastInputTick();
        step("play2 Fifth Song", L"(a song while the session is locked: the name waits)", never, 3000);
        size_t sentWhileLocked = host_.sent().size() - before;
        bool injected = lastInputTick() != lastInput;
        answers.show(pictures::windows11Unlocked());
        DWORD unlockedAt = GetTickCount();
        timeline_.print(L"demo     ", L"the session unlocks");
        bool followed = timeline_.waitFor(listening(), 4000) && lastSendAt_ - unlockedAt <= followsMs;
        check(sentWhileLocked == 0 && !injected && followed,
              L"the session locked: " + std::to_wstring(sentWhileLocked) + L" send(s), " +
                  (injected ? L"input INJECTED" : L"no input injected") + L"; unlocked, the listening name " +
                  (followed ? seconds(lastSendAt_ - unlockedAt) + L" after" : std::wstring(L"did NOT follow")));
    }

    int summary() {
        std::wstring finalName = messenger_.friendlyName();
        int repeated = 0;  // a name command the same as the one before it, which showed
        auto refused = messenger_.refusals();
        auto wasRefused = [&](const std::wstring& text) {
            return std::any_of(refused.begin(), refused.end(),
                               [&](const RefusedName& r) { return text == L"/name " + r.name; });
        };
        for (size_t i = 1; i < host_.sent().size(); ++i)
            repeated += host_.sent()[i].text == host_.sent()[i - 1].text && !wasRefused(host_.sent()[i].text);
        bool ok = playerOk_ && checksOk_ && timeline_.nameChanges >= 4 && finalName == plainName && repeated == 0;
        printLine(L"summary: " + std::to_wstring(timeline_.titles) + L" player titles, " +
                  std::to_wstring(host_.sent().size()) + L" name commands sent by the host, " +
                  (repeated ? std::to_wstring(repeated) + L" the same as the one before" : L"no two the same in a row") +
                  L", " + std::to_wstring(timeline_.nameChanges) + L" display-name changes, final name \"" +
                  finalName + L"\" - " + (ok ? L"OK" : L"FAILED"));
        return ok ? 0 : 1;
    }

    DebugTraceReader trace_;  // first: the plug-in traces from its start
    StandInMessenger messenger_{signin, plainName};
    QuickTextHost host_;
    Timeline timeline_;
    PluginHost plugin_;
    PlayerProcess player_;
    DWORD lastSendAt_ = 0;
    bool playerOk_ = true;
    bool checksOk_ = true;
};

int runDemo() {
    printLine(L"Sonarel demo: stand-in host, messenger and player, the real plug-in and its timer");
    std::wstring playerExe = besideProgram(L"sonarel-player.exe");
    if (GetFileAttributesW(playerExe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        printLine(L"The stand-in player is missing: " + playerExe);
        return 1;
    }
    return Demo(playerExe).run();
}

}  // namespace
}  // namespace sonarel::standin

int wmain() { return sonarel::standin::runHostProgram("sonarel-demo", sonarel::standin::runDemo); }
