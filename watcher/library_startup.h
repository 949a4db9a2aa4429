#pragma once
// Everything the library keeps per thread, and the start-up that creates it.
#include <memory>
#include <optional>

#include "common/com.h"
#include "names/frm_send_text.h"
#include "names/window_keys.h"
#include "settings/settings_store.h"
#include "watcher/watcher.h"
#include "watcher/win32_player_windows.h"

namespace sonarel {

// The thread's single name-switching form, created and loaded on first use.
class SendTextFormSlot final : public NameSwitcher {
public:
    explicit SendTextFormSlot(Settings& settings) : settings_(settings) {}
    frmSendText& form();
    SendOutcome changeName() override { return form().changeName(); }
    SendOutcome changeNameBack() override { return form().changeNameBack(); }
    LeftBehind listeningNameLeftBehind() override { return form().listeningNameLeftBehind(); }
    FlightNews followNameOnItsWay() override { return form().followNameOnItsWay(); }
    void giveBackEveryQuickText() override { form().giveBackEveryQuickText(); }

private:
    Settings& settings_;
    std::unique_ptr<frmSendText> form_;
};

// The watcher's trace goes to the debugger, or a debug-output viewer.
void writeDebugTrace(std::wstring_view line);

struct ThreadLibrary {
    SettingsStore settings;
    Win32PlayerWindows playerWindows;
    SendTextFormSlot sendText{settings};
    Watcher watcher{settings, playerWindows, sendText, WatchClock::now, writeDebugTrace};
    // The open conversation windows; created by start-up.
    std::optional<KeyedCollection<ComPtr<IDispatch>>> imWindows;
    bool started = false;
};

// The calling thread's library state, created on first use.
ThreadLibrary& threadLibrary();

// Runs once per thread, before the first object is handed to the host.
void libraryStartup();

// Starts the one-second thread timer, at most once per thread.
void startPollTimer();

// True once any thread's timer runs; the module then stays loaded.
bool anyPollTimerStarted();

}  // namespace sonarel
