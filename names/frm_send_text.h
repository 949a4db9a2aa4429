#pragma once
// The hidden name-switching form: the plug-in's link to the messenger. It
// records the open conversation windows from the messenger's events, and
// composes the "/name " commands and has the host send them.
#include <memory>
#include <optional>
#include <string>

#include "common/com.h"
#include "names/imessenger.h"
#include "names/messenger_events.h"
#include "names/messenger_link.h"
#include "names/name_switch.h"
#include "names/quick_text_registry.h"
#include "names/win32_window_system.h"
#include "settings/settings.h"
#include "watcher/watcher.h"

namespace sonarel {

class frmSendText final : public NameSwitcher {
public:
    frmSendText(const Settings& settings, ConversationWindows& imWindows);
    frmSendText(const frmSendText&) = delete;
    frmSendText& operator=(const frmSendText&) = delete;
    ~frmSendText() override;

    // The load handler: creates oIMWindows and connects to the messenger.
    // Never fails; without a messenger no window is recorded.
    void load();
    void changeName() override;
    void changeNameBack() override;

    void oMessengerAPI_OnIMWindowCreated(IDispatch* pIMWindow);
    void oMessengerAPI_OnIMWindowDestroyed(IDispatch* pIMWindow);

    // The last composed command (Text2); none before the first composition.
    const std::optional<std::wstring>& commandText() const { return nameSwitch_.commandText(); }
    // True once the messenger's events are connected.
    bool messengerConnected() const { return events_ != nullptr; }

private:
    ConversationWindows& imWindows_;
    ComPtr<IDispatch> oMessengerAPI;
    ComPtr<IMessenger> oIMWindows;
    std::unique_ptr<MessengerEventConnection> events_;
    ComMessengerLink messenger_{oMessengerAPI, oIMWindows};
    Win32WindowSystem windowSystem_;
    CurrentUserQuickTexts quickTexts_;
    NameSwitch nameSwitch_;
};

}  // namespace sonarel
