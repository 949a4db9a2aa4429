#include "settings/name_record.h"

namespace sonarel {

std::optional<NameRecord> readNameRecord(const Settings& settings) {
    if (!listeningNameRecorded(settings)) return std::nullopt;
    NameRecord record{settings.ReadSetting(keys::RecordSigninName), settings.ReadSetting(keys::RecordPlainName),
                      settings.ReadSetting(keys::RecordListeningName)};
    if (record.signinName.empty() || record.plainName.empty() || record.listeningName.empty()) return std::nullopt;
    return record;
}

bool listeningNameRecorded(const Settings& settings) {
    return isSet(settings.ReadSetting(keys::RecordListeningSent));
}

void writeNameRecord(Settings& settings, const NameRecord& record) {
    settings.WriteSetting(keys::RecordListeningSent, flagClear);
    settings.WriteSetting(keys::RecordSigninName, record.signinName);
    settings.WriteSetting(keys::RecordPlainName, record.plainName);
    settings.WriteSetting(keys::RecordListeningName, record.listeningName);
    settings.WriteSetting(keys::RecordListeningSent, flagSet);
}

void markPlainNameBack(Settings& settings) { settings.WriteSetting(keys::RecordListeningSent, flagClear); }

}  // namespace sonarel
