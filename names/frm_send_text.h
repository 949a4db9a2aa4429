#pragma once
// The hidden name-switching form: the plug-in's link to the messenger. It
// records the open conversation windows from the messenger's events, and
// composes the "/name " commands and has the host send them.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/com.h"
#include "common/name_switcher.h"
#include "names/imessenger.h"
#include "names/messenger_events.h"
#include "names/messenger_link.h"
#include "names/name_switch.h"
#include "names/quick_text_registry.h"
#include "names/win32_window_system.h"
#include "settings/settings.h"

namespace sonarel {

// How often a messenger that was not there is looked for again.
inline constexpr unsigned messengerRetryIntervalMs = 10000;

class frmSendText final : public NameSwitcher {
public:
    frmSendText(Settings& settings, ConversationWindows& imWindows);
    frmSendText(const frmSendText&) = delete;
    frmSendText& operator=(const frmSendText&) = delete;
    ~frmSendText() override;

    // The load handler: creates oIMWindows and connects to the messenger.
    // Never fails; without a messenger no window is recorded until a later
    // switch finds one.
    void load();
    SendOutcome changeName() override;
    SendOutcome changeNameBack() override;
    LeftBehind listeningNameLeftBehind() override;
    FlightNews followNameOnItsWay() override;
    void giveBackEveryQuickText() override;
    // Failures the name switch steps past are traced here.
    void traceTo(SwitchTrace trace) { nameSwitch_.traceTo(std::move(trace)); }

    void oMessengerAPI_OnIMWindowCreated(IDispatch* pIMWindow);
    void oMessengerAPI_OnIMWindowDestroyed(IDispatch* pIMWindow);

    // Runs the handler from the message loop shortly after the messenger
    // reported a command conversation and it was recorded.
    void whenCommandConversationOpens(std::function<void()> handler);

    // The last composed command (Text2); none before the first composition.
    const std::optional<std::wstring>& commandText() const { return nameSwitch_.commandText(); }
    // True while a name is on its way.
    bool nameOnItsWay() const { return nameSwitch_.nameOnItsWay(); }
    // True once the messenger's events are connected.
    bool messengerConnected() const { return events_ != nullptr; }
    // True once there is a messenger object to open conversations through.
    bool messengerCreated() const { return oMessengerAPI != nullptr; }

private:
    // Asks the name switch, with a messenger looked for again when due; a
    // call that fails answers `otherwise`.
    template <class Answer>
    Answer throughMessenger(Answer (NameSwitch::*call)(), Answer otherwise);
    void connectMessenger();
    void reconnectIfDue();
    void noteCommandConversation(IDispatch* window);

    ConversationWindows& imWindows_;
    ComPtr<IDispatch> oMessengerAPI;
    ComPtr<IMessenger> oIMWindows;
    std::unique_ptr<MessengerEventConnection> events_;
    unsigned long long lastConnectAttempt_ = 0;
    // Shared with the scheduled runs, which find it gone once the form is.
    std::shared_ptr<std::function<void()>> conversationReady_;
    ComMessengerLink messenger_{oMessengerAPI, oIMWindows};
    Win32WindowSystem windowSystem_;
    CurrentUserQuickTexts quickTexts_;
    NameSwitch nameSwitch_;
};

}  // namespace sonarel
