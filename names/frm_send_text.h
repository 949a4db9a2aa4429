#pragma once
// The hidden name-switching form: composes the "/name " command and has the
// host send it.
#include <optional>
#include <string>

#include "common/com.h"
#include "names/window_keys.h"
#include "settings/settings.h"
#include "watcher/watcher.h"

namespace sonarel {

using ConversationWindows = std::optional<KeyedCollection<ComPtr<IDispatch>>>;

class frmSendText final : public NameSwitcher {
public:
    frmSendText(const Settings& settings, ConversationWindows& imWindows)
        : settings_(settings), imWindows_(imWindows) {}

    // The load handler: connects to the messenger. Never fails; without a
    // messenger no window is recorded.
    void load();
    void changeName() override;
    void changeNameBack() override;

private:
    const Settings& settings_;
    ConversationWindows& imWindows_;
};

}  // namespace sonarel
