#pragma once
// The record of the display name that a listening name replaced: kept in
// the settings store, so that the plain name comes back exactly, and comes
// back after a process that ended while a song played. Free of windows.h.
#include <optional>
#include <string>

#include "settings/settings.h"

namespace sonarel {

namespace keys {
inline constexpr std::wstring_view RecordSigninName = L"RecordSigninName";
inline constexpr std::wstring_view RecordPlainName = L"RecordPlainName";
inline constexpr std::wstring_view RecordListeningName = L"RecordListeningName";
// "1" from the send of the listening name until the plain name is back.
inline constexpr std::wstring_view RecordListeningSent = L"RecordListeningSent";
}  // namespace keys

struct NameRecord {
    std::wstring signinName;     // whose display name it was
    std::wstring plainName;      // the name the listening name replaced
    std::wstring listeningName;  // the listening name sent
};

// The listening name sent and not restored yet; none when the plain name is
// back, nothing was sent, or the record is incomplete.
std::optional<NameRecord> readNameRecord(const Settings& settings);

// True while a listening name sent may still show: one read.
bool listeningNameRecorded(const Settings& settings);

// The sent mark is cleared first and set last, so that a record written
// only in part is never taken for a whole one. Throws when the store
// refuses a value.
void writeNameRecord(Settings& settings, const NameRecord& record);

// The plain name is back. Throws when the store refuses it.
void markPlainNameBack(Settings& settings);

}  // namespace sonarel
