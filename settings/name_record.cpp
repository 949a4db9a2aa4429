#include "settings/name_record.h"

#include <algorithm>

#include "common/hresult_error.h"
#include "settings/stored_fields.h"

namespace sonarel {
namespace {

constexpr std::size_t recordFields = 5;
constexpr std::int32_t invalidArgument = static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG

std::optional<NameRecord> legacyRecord(const Settings& settings, std::wstring_view signinName) {
    if (!isSet(settings.ReadSetting(keys::RecordListeningSent))) return std::nullopt;
    NameRecord record{settings.ReadSetting(keys::RecordSigninName), settings.ReadSetting(keys::RecordPlainName),
                      settings.ReadSetting(keys::RecordListeningName)};
    if (record.plainName.empty() || record.listeningName.empty() ||
        foldedSignin(record.signinName) != foldedSignin(signinName))
        return std::nullopt;
    return record;
}

void forgetLegacyRecord(Settings& settings, std::wstring_view signinName) {
    if (legacyRecord(settings, signinName)) settings.WriteSetting(keys::RecordListeningSent, flagClear);
}

std::wstring recordText(std::wstring_view mark, const NameRecord& record) {
    std::vector<std::wstring> fields{std::wstring(mark), record.signinName, record.plainName, record.listeningName};
    fields.insert(fields.end(), record.earlierListeningNames.begin(), record.earlierListeningNames.end());
    // The earlier names are the last fields, so that a record of one earlier name reads as before.
    if (record.earlierListeningNames.empty()) fields.emplace_back();
    auto text = joinedFields(fields);
    if (!text) throw HResultError(invalidArgument);  // a name holds the field separator
    return *text;
}

}  // namespace

std::wstring nameRecordKey(std::wstring_view signinName) {
    return std::wstring(keys::NameRecordPrefix) + foldedSignin(signinName);
}

std::optional<NameRecord> readNameRecord(const Settings& settings, std::wstring_view signinName) {
    std::wstring text = settings.ReadSetting(nameRecordKey(signinName));
    if (text.empty()) return legacyRecord(settings, signinName);
    auto fields = splitFields(text, recordFields);
    if (!fields || !isSet((*fields)[0])) return std::nullopt;
    NameRecord record{(*fields)[1], (*fields)[2], (*fields)[3]};
    if (record.plainName.empty() || record.listeningName.empty()) return std::nullopt;
    for (std::wstring_view rest = (*fields)[4]; !rest.empty();) {
        auto end = std::min(rest.find(fieldSeparator), rest.size());
        if (end > 0) record.earlierListeningNames.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return record;
}

NameRecord nextNameRecord(const std::optional<NameRecord>& earlier, NameRecord next) {
    if (!earlier) return next;
    std::vector<std::wstring> names{earlier->listeningName};
    names.insert(names.end(), earlier->earlierListeningNames.begin(), earlier->earlierListeningNames.end());
    for (std::wstring& name : names) {
        bool known = name == next.listeningName ||
                     std::find(next.earlierListeningNames.begin(), next.earlierListeningNames.end(), name) !=
                         next.earlierListeningNames.end();
        if (!known && next.earlierListeningNames.size() < earlierListeningNamesKept)
            next.earlierListeningNames.push_back(std::move(name));
    }
    return next;
}

void writeNameRecord(Settings& settings, const NameRecord& record) {
    settings.WriteSetting(nameRecordKey(record.signinName), recordText(flagSet, record));
    forgetLegacyRecord(settings, record.signinName);
}

void markPlainNameBack(Settings& settings, std::wstring_view signinName) {
    if (auto record = readNameRecord(settings, signinName)) {
        settings.WriteSetting(nameRecordKey(signinName), recordText(flagClear, *record));
        forgetLegacyRecord(settings, signinName);
    }
}

}  // namespace sonarel
