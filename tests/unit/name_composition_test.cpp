// Composition of the listening and the plain "/name " commands.
#include <gtest/gtest.h>

#include "names/name_composition.h"
#include "tests/fakes/fake_settings.h"

namespace sonarel::testing {
namespace {

const std::wstring kTag = L"I'm listening to: ";

struct CurrentNameCase {
    const wchar_t* friendlyName;
    const wchar_t* tag;
    const wchar_t* listening;
    const wchar_t* plain;
};

class CurrentNameMode : public ::testing::TestWithParam<CurrentNameCase> {};

TEST_P(CurrentNameMode, ComposesBothCommands) {
    const auto& c = GetParam();
    FakeSettings settings{{L"CurrentName", L"1"}, {L"CurrentTag", c.tag}};
    FriendlyNameReader name = [&] { return std::wstring(c.friendlyName); };
    EXPECT_EQ(composeListeningCommand(settings, name), std::optional<std::wstring>(c.listening));
    EXPECT_EQ(composePlainCommand(settings, name), std::optional<std::wstring>(c.plain));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CurrentNameMode,
    ::testing::Values(
        CurrentNameCase{L"Ann", kTag.c_str(), L"/name Ann I'm listening to:  (!WAT)", L"/name Ann"},
        CurrentNameCase{L"Ann I'm listening to:  (!WAT)", kTag.c_str(), L"/name Ann I'm listening to:  (!WAT)",
                        L"/name Ann"},
        CurrentNameCase{L"Ann - away I'm listening to: x I'm listening to: y", kTag.c_str(),
                        L"/name Ann - away I'm listening to:  (!WAT)", L"/name Ann - away"},
        CurrentNameCase{L"Ann I'm listening to:  Some Song", kTag.c_str(), L"/name Ann I'm listening to:  (!WAT)",
                        L"/name Ann"},
        // The tag in other letter case is not cut, so it is added once more.
        CurrentNameCase{L"Ann i'm listening to:  x", kTag.c_str(),
                        L"/name Ann i'm listening to:  x I'm listening to:  (!WAT)",
                        L"/name Ann i'm listening to:  x"},
        // An empty tag cuts at the first blank.
        CurrentNameCase{L"Ann Lee", L"", L"/name Ann  (!WAT)", L"/name Ann"},
        CurrentNameCase{L"Ann", L"", L"/name Ann  (!WAT)", L"/name Ann"}));

TEST(Composition, NothingWithoutAModeFlag) {
    for (const wchar_t* flag : {L"", L"0", L" 1", L"yes"}) {
        FakeSettings settings{{L"CurrentName", flag}, {L"CustomName", flag}, {L"CustomNamePl", L"X"}};
        FriendlyNameReader name = [] { return std::wstring(L"Ann"); };
        EXPECT_EQ(composeListeningCommand(settings, name), std::nullopt);
        EXPECT_EQ(composePlainCommand(settings, name), std::nullopt);
    }
}

TEST(Composition, EmptyOrUnreadableFriendlyNameComposesNothingInCurrentNameMode) {
    FakeSettings settings{{L"CurrentName", L"1"}, {L"CurrentTag", kTag}};
    EXPECT_EQ(composeListeningCommand(settings, [] { return std::wstring(); }), std::nullopt);
    EXPECT_EQ(composePlainCommand(settings, [] { return std::wstring(); }), std::nullopt);
    auto failing = []() -> std::wstring { throw std::runtime_error("messenger gone"); };
    EXPECT_EQ(composeListeningCommand(settings, failing), std::nullopt);
    EXPECT_EQ(composePlainCommand(settings, failing), std::nullopt);
}

TEST(Composition, CustomNameModeUsesTextsExactlyAsStored) {
    FakeSettings settings{{L"CustomName", L"1"},
                          {L"CustomNamePl", L" DJ Ann "},
                          {L"CustomTagPl", L"plays"},
                          {L"CustomNameNotPl", L"Ann "}};
    bool nameRead = false;
    FriendlyNameReader name = [&] {
        nameRead = true;
        return std::wstring(L"unused");
    };
    EXPECT_EQ(composeListeningCommand(settings, name), L"/name  DJ Ann  plays (!WAT)");
    EXPECT_EQ(composePlainCommand(settings, name), L"/name Ann ");
    EXPECT_FALSE(nameRead);
}

TEST(Composition, CustomNameModeWithEmptyTexts) {
    FakeSettings settings{{L"CustomName", L"1"}};
    FriendlyNameReader name = [] { return std::wstring(L"Ann"); };
    EXPECT_EQ(composeListeningCommand(settings, name), L"/name   (!WAT)");
    EXPECT_EQ(composePlainCommand(settings, name), L"/name ");
}

TEST(Composition, BothFlagsSetCustomNameWins) {
    FakeSettings settings{{L"CurrentName", L"1"}, {L"CustomName", L"1"}, {L"CurrentTag", kTag},
                          {L"CustomNamePl", L"DJ"}, {L"CustomTagPl", L"on air"}, {L"CustomNameNotPl", L"Off"}};
    FriendlyNameReader name = [] { return std::wstring(L"Ann"); };
    EXPECT_EQ(composeListeningCommand(settings, name), L"/name DJ on air (!WAT)");
    EXPECT_EQ(composePlainCommand(settings, name), L"/name Off");
}

}  // namespace
}  // namespace sonarel::testing
