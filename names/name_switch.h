#pragma once
// changeName and changeNameBack: compose the "/name " command, store it in
// the host's quick-text entry and press the host's hot key in a
// conversation window, so that the host sends it. Free of windows.h: the
// messenger, the window system and the registry are reached through the
// narrow interfaces below, so that every decision can be tested with fakes.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/name_switcher.h"
#include "common/text_set.h"
#include "common/window_handle.h"
#include "names/desktop_rules.h"
#include "names/name_composition.h"
#include "names/quick_text_entry.h"
#include "names/unconfirmed_names.h"
#include "settings/name_record.h"
#include "settings/settings.h"

namespace sonarel {

// The pseudo-contact of the hidden conversation that carries the commands.
inline constexpr std::wstring_view commandContact = L"Debug.Window";

// A messenger conversation window. Reads throw when they fail.
class Conversation {
public:
    virtual ~Conversation() = default;
    virtual WindowHandle hWnd() = 0;
    virtual std::wstring firstContactSigninName() = 0;
    // Records the conversation among the open windows, under the key its
    // creation event would use; one recorded already stays as it is.
    virtual void record() = 0;
    // Drops a recorded conversation from the record of open windows.
    virtual void forget() = 0;
};

// What the name switch uses of the messenger. Calls throw when they fail.
class MessengerLink {
public:
    virtual ~MessengerLink() = default;
    virtual std::wstring myFriendlyName() = 0;
    virtual std::wstring mySigninName() = 0;
    // The recorded conversation windows, in the order they opened.
    virtual std::vector<std::unique_ptr<Conversation>> conversations() = 0;
    // Opens a conversation with the contact; null when none was opened.
    virtual std::unique_ptr<Conversation> instantMessage(std::wstring_view contact) = 0;
};

// What became of the last hot-key batch pressed.
enum class KeysFate {
    unread,  // the conversation may still read them
    read,    // the conversation's thread has read them
    lost,    // they never reached it, or can no longer (the window is gone)
};

// What the name switch uses of the window system.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // Keys injected while the user is at work would land in their work, and
    // any input injected while the user is away holds off the screen saver
    // and the lock.
    virtual UserActivity userActivity() = 0;
    // True when the window in front is a full-screen program, which taking
    // the foreground would minimise or take out of full screen.
    virtual bool fullScreenInFront() = 0;
    // Makes this process the source of the last input event, with an event
    // that no program takes as a key or a click, so that the window system
    // lets it bring a window to the front.
    virtual void claimLastInput() = 0;
    virtual WindowHandle foregroundWindow() = 0;
    virtual bool exists(WindowHandle window) = 0;
    // False when the window system refused at once (the foreground lock).
    virtual bool setForegroundWindow(WindowHandle window) = 0;
    // Hides the window once the keys already pressed have reached it. If it
    // is the foreground window still, the foreground goes back to the window
    // that had it before, so that no invisible window keeps the keyboard.
    virtual void hide(WindowHandle window, WindowHandle previousForeground) = 0;
    // Runs a hide still waiting from an earlier switch now, so that it does
    // not hand the keyboard back in the middle of the next one, unless the
    // conversation in front may still hold unread keys of ours: then false,
    // and the hide waits for them.
    virtual bool finishPendingHide() = 0;
    // Waits up to the time given until the window's thread answers; false
    // when it did not (busy all that time, or hung). A busy thread takes an
    // activation only once it is free, and may take it a moment after it
    // answered.
    virtual bool waitUntilAnswering(WindowHandle window, std::chrono::milliseconds within) = 0;
    // Presses Alt+0 in the window, which must be in front, and returns at
    // once. False when it is not in front, or when the window system took
    // fewer keys than it was given; then the keys that went down are let go
    // at once.
    virtual bool pressHotKey(WindowHandle into) = 0;
    // The fate of the last batch pressHotKey sent, in whole or in part;
    // read when none was sent.
    virtual KeysFate lastKeys() = 0;
};

// How long the switch keeps asking for a conversation to come to the front,
// and how long in all it waits for a busy conversation's thread meanwhile:
// it does so on the host's own thread. A refusal, or a thread busy still,
// is retried on a later tick, so one attempt stays short.
struct BringToFrontLimit {
    int attempts = 300;
    std::chrono::milliseconds duration{100};
    std::chrono::milliseconds threadWait{500};
};

// Takes one line of the trace.
using SwitchTrace = std::function<void(std::wstring_view line)>;

// The keys read, only the name showing tells that the host sent it: it is
// looked for on this many ticks, the one that finds the keys read first,
// before the send counts as unconfirmed.
inline constexpr int confirmationTicks = 3;

// A name given up as unconfirmed may still land, late: for this long, or
// until another name shows, the switch looks for it.
inline constexpr std::chrono::minutes lateNameWatch{5};

// The settings hold the user's choices, the record of the name that a
// listening name replaced, and the user's quick text while it is borrowed.
//
// A send is one transaction: the user's quick text kept, the command
// written, the keys pressed and read, the name looked for. Until the name
// shows, goes unconfirmed or its keys are lost, no other command is written
// or pressed, and the quick text stays on loan; then it is given back.
class NameSwitch {
public:
    NameSwitch(Settings& settings, MessengerLink& messenger, WindowSystem& windows, QuickTextRegistry& registry,
               BringToFrontLimit limit = {}, ClockReader now = WatchClock::now)
        : settings_(settings),
          messenger_(messenger),
          windows_(windows),
          registry_(registry),
          limit_(limit),
          now_(std::move(now)),
          loan_(settings, registry) {}

    // Failures the switch steps past are traced here, once until they pass.
    void traceTo(SwitchTrace trace) { trace_ = std::move(trace); }

    SendOutcome changeName();
    SendOutcome changeNameBack();
    LeftBehind listeningNameLeftBehind();
    FlightNews followNameOnItsWay();
    void giveBackEveryQuickText();

    // The last composed command; none until the first composition.
    const std::optional<std::wstring>& commandText() const { return commandText_; }
    // True while a name is on its way.
    bool nameOnItsWay() const { return flight_.has_value(); }

private:
    struct Flight {
        std::wstring signin;
        std::wstring name;
        bool plain = false;
        // Taken only in part: whatever its keys did, the name was not asked for.
        bool keysRefused = false;
        bool keysRead = false;
        int ticksLookedFor = 0;
    };
    struct LateName {
        std::wstring signin;
        std::wstring name;
        bool plain = false;
        WatchClock::time_point until;
    };

    ShowingName nameShowing();
    std::optional<std::wstring> displayName();
    std::optional<std::wstring> signinName();
    std::optional<SendOutcome> whileOnItsWay(std::wstring_view name) const;
    SendOutcome emptyName();
    SendOutcome send(const std::wstring& name, const ListeningNameChoice* listening);
    SendOutcome pressIn(Conversation& conversation, const std::wstring& name, const ListeningNameChoice* listening);
    SendOutcome writeAndPress(Conversation& conversation, const std::wstring& signin, const std::wstring& name,
                              const ListeningNameChoice* listening);
    bool remember(const std::wstring& signin, const ListeningNameChoice& listening);
    void notePlainNameBack(std::wstring_view signin);
    bool markAutoSend();
    bool storeMessage(const std::wstring& command);
    std::unique_ptr<Conversation> commandConversation(std::optional<SendOutcome>& unusable);
    SendOutcome openCommandConversation(WindowHandle front);
    bool bringToFront(Conversation& conversation);
    bool waitForItsThread(Conversation& conversation, std::chrono::steady_clock::time_point until);
    std::optional<SendOutcome> waitForTheUser();
    bool fullScreenInFront();
    std::optional<std::wstring> keyPath();
    std::optional<FlightNews> otherAccount();
    FlightNews followFlight();
    FlightNews endFlight(FlightNews::What how);
    FlightNews lookForLateName();
    void giveBack(std::wstring_view signin);
    void giveBackOwed();
    template <class Step>
    void tracingFailure(std::wstring_view what, Step&& step);
    void noteWhetherItWorked(std::wstring_view what, bool worked);
    void traceFailure(std::wstring_view what);

    Settings& settings_;
    MessengerLink& messenger_;
    WindowSystem& windows_;
    QuickTextRegistry& registry_;
    BringToFrontLimit limit_;
    ClockReader now_;
    QuickTextLoan loan_;
    SwitchTrace trace_;
    TextSet failing_;  // traced already
    std::optional<std::wstring> commandText_;
    std::optional<Flight> flight_;
    UnconfirmedNames unconfirmed_;
    std::optional<LateName> lateName_;
    // The account last seen signed in, as records key it.
    std::optional<std::wstring> account_;
    // Sign-in names whose quick text could not be given back yet.
    TextSet giveBacksOwed_;
    // Failed reads of the command conversation's window in a row.
    int unreadableReads_ = 0;
};

// A recorded command conversation whose window cannot be read this many
// times in a row is forgotten, and a new one opened.
inline constexpr int unreadableReadsBeforeForgetting = 5;

}  // namespace sonarel
