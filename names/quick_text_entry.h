#pragma once
// The host's quick-text entry that the hot key sends, and the registry
// through which the plug-in borrows it. Free of windows.h.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/kept_quick_text.h"
#include "settings/settings.h"

namespace sonarel {

// The host's quick-text entry of a user, below HKEY_CURRENT_USER. None for
// a sign-in name that is empty or holds a backslash or a control character
// (NUL included): the registry would read such a name as a path into
// another key of the host, or cut it short.
std::optional<std::wstring> quickTextKeyPath(std::wstring_view signinName);

inline constexpr std::wstring_view autoSendValue = L"AutoSend";
inline constexpr std::wstring_view messageValue = L"Message";

// modReg below HKEY_CURRENT_USER. A write is false when nothing was stored.
class QuickTextRegistry {
public:
    virtual ~QuickTextRegistry() = default;
    virtual std::int32_t readDword(std::wstring_view keyPath, std::wstring_view valueName) = 0;
    virtual bool writeDword(std::wstring_view keyPath, std::wstring_view valueName, std::int32_t data) = 0;
    virtual bool writeString(std::wstring_view keyPath, std::wstring_view valueName, std::wstring_view data) = 0;
    // The value exactly as stored; none when it does not exist. Throws when
    // it exists but cannot be read.
    virtual std::optional<RegistryValue> read(std::wstring_view keyPath, std::wstring_view valueName) = 0;
    virtual bool write(std::wstring_view keyPath, std::wstring_view valueName, const RegistryValue& value) = 0;
    // True once the value is gone, or when it was not there.
    virtual bool remove(std::wstring_view keyPath, std::wstring_view valueName) = 0;
};

// The hot key's entry is the user's: many users keep a text of their own on
// Alt+0. The plug-in borrows it for each name it sends, and gives it back
// exactly as it was once that send is over. A text in the entry that the
// plug-in did not write is the user's, whatever it says: it is never
// deleted or overwritten by a give-back.
class QuickTextLoan {
public:
    QuickTextLoan(Settings& settings, QuickTextRegistry& registry) : settings_(settings), registry_(registry) {}

    // Keeps what the entry holds and notes `command` as the one about to be
    // written, before it is. A loan still open from an earlier send is given
    // back first. False when the entry cannot be kept: then it must not be
    // written.
    bool borrow(std::wstring_view signinName, std::wstring_view command);
    // Puts the entry back as it was while it holds the command the loan
    // notes; a text the user wrote since stays. False while it is kept still.
    bool giveBack(std::wstring_view signinName);
    // Every sign-in name's loan; the sign-in names whose give-back failed.
    std::vector<std::wstring> giveBackEvery();

private:
    std::optional<KeptQuickText> kept(std::wstring_view signinName);
    bool putBack(std::wstring_view path, std::wstring_view valueName, const std::optional<RegistryValue>& value);

    Settings& settings_;
    QuickTextRegistry& registry_;
};

}  // namespace sonarel
