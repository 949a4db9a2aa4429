// What the Options window loads from the store and what "Save!!!" writes.
#include "ui/options_logic.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

namespace sonarel::testing {
namespace {

// A store that remembers every read and write in order.
class RecordingSettings final : public Settings {
public:
    explicit RecordingSettings(std::map<std::wstring, std::wstring> values = {}) : values_(std::move(values)) {}

    std::wstring ReadSetting(std::wstring_view key) const override {
        reads.emplace_back(key);
        auto it = values_.find(std::wstring(key));
        return it == values_.end() ? std::wstring() : it->second;
    }
    void WriteSetting(std::wstring_view key, std::wstring_view value) override {
        writes.emplace_back(std::wstring(key), std::wstring(value));
        values_[std::wstring(key)] = value;
    }
    void RemoveSetting(std::wstring_view key) override { values_.erase(std::wstring(key)); }
    std::vector<std::wstring> ListSettings(std::wstring_view) const override { return {}; }

    mutable std::vector<std::wstring> reads;
    std::vector<std::pair<std::wstring, std::wstring>> writes;

private:
    std::map<std::wstring, std::wstring> values_;
};

TEST(OptionsLoad, ReadsFlagsThenAllFourTextsInOrder) {
    RecordingSettings store;
    loadOptions(store);
    EXPECT_EQ(store.reads, (std::vector<std::wstring>{L"CurrentName", L"CurrentName", L"CustomName",
                                                      L"CustomNameNotPl", L"CustomNamePl", L"CurrentTag",
                                                      L"CustomTagPl"}));
    EXPECT_TRUE(store.writes.empty());
}

TEST(OptionsLoad, ModeAndFirstOpeningFromTheStoredFlags) {
    struct Case {
        const wchar_t* name;
        std::optional<std::wstring> currentName, customName;
        bool neverSaved;
        NameMode mode;
    };
    const Case cases[] = {
        {L"empty store", {}, {}, true, NameMode::CurrentName},
        {L"current-name mode", L"1", L"0", false, NameMode::CurrentName},
        {L"custom-name mode", L"0", L"1", false, NameMode::CustomName},
        {L"custom flag alone", {}, L"1", true, NameMode::CustomName},
        {L"both flags set", L"1", L"1", false, NameMode::CustomName},
        {L"0 written by hand", L"0", {}, false, NameMode::CurrentName},
        {L"neither flag exactly 1", L" 1", L"yes", false, NameMode::CurrentName},
        {L"a blank is not empty", L" ", {}, false, NameMode::CurrentName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name);
        std::map<std::wstring, std::wstring> values;
        if (c.currentName) values[L"CurrentName"] = *c.currentName;
        if (c.customName) values[L"CustomName"] = *c.customName;
        RecordingSettings store(values);
        OptionsChoices choices = loadOptions(store);
        EXPECT_EQ(choices.neverSaved, c.neverSaved);
        EXPECT_EQ(choices.mode, c.mode);
    }
}

TEST(OptionsLoad, FillsEveryTextWhicheverModeIsChosen) {
    RecordingSettings store({{L"CurrentName", L"1"},
                             {L"CustomNameNotPl", L" away "},
                             {L"CustomNamePl", L"Ann"},
                             {L"CurrentTag", L"\u266a"},
                             {L"CustomTagPl", L""}});
    OptionsChoices choices = loadOptions(store);
    EXPECT_EQ(choices.texts, (OptionsTexts{L" away ", L"Ann", L"\u266a", L""}));
}

TEST(OptionsSave, WritesTheChosenModeOnlyInOrder) {
    const OptionsTexts texts{L"not playing", L" playing ", L"tag", L""};
    using Writes = std::vector<std::pair<std::wstring, std::wstring>>;

    RecordingSettings current;
    saveOptions(current, NameMode::CurrentName, texts);
    EXPECT_EQ(current.writes, (Writes{{L"CurrentName", L"1"}, {L"CustomName", L"0"}, {L"CurrentTag", L"tag"}}));

    RecordingSettings custom;
    saveOptions(custom, NameMode::CustomName, texts);
    EXPECT_EQ(custom.writes, (Writes{{L"CurrentName", L"0"},
                                     {L"CustomName", L"1"},
                                     {L"CustomNameNotPl", L"not playing"},
                                     {L"CustomNamePl", L" playing "},
                                     {L"CustomTagPl", L""}}));
}

TEST(OptionsSave, ASavedWindowIsNoLongerOpenedAsTheFirstTime) {
    for (NameMode mode : {NameMode::CurrentName, NameMode::CustomName}) {
        RecordingSettings store;
        saveOptions(store, mode, {});
        OptionsChoices reloaded = loadOptions(store);
        EXPECT_FALSE(reloaded.neverSaved);
        EXPECT_EQ(reloaded.mode, mode);
    }
}

}  // namespace
}  // namespace sonarel::testing
