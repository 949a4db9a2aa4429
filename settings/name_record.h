#pragma once
// The record of the display name that a listening name replaced: kept in
// the settings store, one value per sign-in name, so that the plain name
// comes back exactly, and comes back after a process that ended while a
// song played. Free of windows.h.
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace sonarel {

namespace keys {
// + the sign-in name in lower case: "1" or "0" (may the listening name
// still show), the sign-in name, the plain name, the listening name and
// the earlier listening names.
inline constexpr std::wstring_view NameRecordPrefix = L"NameRecord ";
// The record as earlier versions kept it, for one sign-in name: still read,
// and cleared once a record of the new kind replaces it.
inline constexpr std::wstring_view RecordSigninName = L"RecordSigninName";
inline constexpr std::wstring_view RecordPlainName = L"RecordPlainName";
inline constexpr std::wstring_view RecordListeningName = L"RecordListeningName";
inline constexpr std::wstring_view RecordListeningSent = L"RecordListeningSent";
}  // namespace keys

struct NameRecord {
    std::wstring signinName;     // whose display name it was
    std::wstring plainName;      // the name the listening name replaced
    std::wstring listeningName;  // the listening name sent
    // Listening names of the plug-in's sent before it, the latest first:
    // one may show until the new one does, or land late after it was given
    // up, and is no name of the user's.
    std::vector<std::wstring> earlierListeningNames{};
    bool operator==(const NameRecord&) const = default;
};

// How many earlier listening names a record keeps.
inline constexpr std::size_t earlierListeningNamesKept = 4;

// The record for a new listening name: the earlier one's listening names,
// when it is still marked, become its earlier ones.
NameRecord nextNameRecord(const std::optional<NameRecord>& earlier, NameRecord next);

std::wstring nameRecordKey(std::wstring_view signinName);

// The listening name sent for this sign-in name (any letter case) and not
// restored yet; none when the plain name is back or nothing was sent.
std::optional<NameRecord> readNameRecord(const Settings& settings, std::wstring_view signinName);

// One write: the store holds the old record or the new one, never a mix.
// Throws when the store refuses it or a name cannot be recorded.
void writeNameRecord(Settings& settings, const NameRecord& record);

// The plain name is back for this sign-in name; another's record stays.
// Throws when the store refuses it.
void markPlainNameBack(Settings& settings, std::wstring_view signinName);

}  // namespace sonarel
