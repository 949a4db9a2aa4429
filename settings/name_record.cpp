#include "settings/name_record.h"

#include "common/hresult_error.h"
#include "settings/stored_fields.h"

namespace sonarel {
namespace {

constexpr std::size_t recordFields = 4;
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
    auto text = joinedFields({std::wstring(mark), record.signinName, record.plainName, record.listeningName});
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
    return record;
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
