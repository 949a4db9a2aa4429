#pragma once
// The chain assembled in the calling thread from the plug-in's own parts,
// without the DLL and its one-second timer: the settings store, the player
// windows, the name-switching form and the watcher, with a player window,
// the stand-in messenger and the host's quick texts. Ticks are driven
// directly, so a test or a long run goes as fast as the chain allows.
#include <chrono>
#include <memory>

#include "names/frm_send_text.h"
#include "settings/settings_store.h"
#include "tests/wine/names/chain_support.h"
#include "watcher/library_startup.h"
#include "watcher/watcher.h"
#include "watcher/win32_player_windows.h"

namespace sonarel::testing {

// Counts the watcher's calls on their way to the form, and those that did
// not press the hot key.
class CountingNames final : public NameSwitcher {
public:
    explicit CountingNames(NameSwitcher& names) : names_(names) {}
    SendOutcome changeName() override {
        ++switches;
        return counted(names_.changeName());
    }
    SendOutcome changeNameBack() override {
        ++restores;
        return counted(names_.changeNameBack());
    }
    LeftBehind listeningNameLeftBehind() override { return names_.listeningNameLeftBehind(); }
    FlightNews followNameOnItsWay() override { return names_.followNameOnItsWay(); }
    void giveBackEveryQuickText() override { names_.giveBackEveryQuickText(); }
    long long calls() const { return switches + restores; }
    long long switches = 0;
    long long restores = 0;
    long long unsent = 0;

private:
    SendOutcome counted(SendOutcome outcome) {
        if (outcome != SendOutcome::sent) ++unsent;
        return outcome;
    }
    NameSwitcher& names_;
};

class DirectChain {
public:
    // Cleans the settings and the host's area, sets the mode, registers the
    // messenger (when running) and loads the form.
    explicit DirectChain(ChainOptions options = {});
    ~DirectChain();

    void tick() { watcher.pollTick(); }
    // Ticks once, and waits until the host has received a text for every
    // call so far that pressed the hot key. False when something did not
    // arrive in time.
    bool tickAndDeliver(std::chrono::milliseconds deadline = 5s);
    // Opens the command conversation through a first switch and waits until
    // it is recorded, the switch was sent through it and it is hidden again:
    // from then on every call sends.
    bool openCommandConversation(const std::wstring& title);
    // Ticks until the name on its way is through: shown, or given up.
    bool settle();
    // The open conversations with the command contact.
    std::vector<HWND> commandConversations() const;
    std::wstring quickTextPath() const { return standin::quickTextPath(messenger.signinName()); }

private:
    std::unique_ptr<CleanSettings> clean_;

public:
    standin::StandInMessenger messenger;
    standin::QuickTextHost host;
    PlayerWindow player;
    SettingsStore settings;
    ConversationWindows imWindows{std::in_place};
    frmSendText form{settings, imWindows};
    CountingNames names{form};
    Win32PlayerWindows playerWindows;
    // The decisions the watcher took, as its trace tells them.
    long long decisions = 0;
    Watcher watcher{settings, playerWindows, names, WatchClock::now, [this](std::wstring_view line) {
                        if (line.starts_with(L"Sonarel: switch to the")) ++decisions;
                        writeDebugTrace(line);
                    }};
};

}  // namespace sonarel::testing
