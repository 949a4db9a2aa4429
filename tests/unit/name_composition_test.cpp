// Composition of the listening and the plain display names.
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

TEST_P(CurrentNameMode, ComposesBothNames) {
    const auto& c = GetParam();
    FakeSettings settings{{L"CurrentName", L"1"}, {L"CurrentTag", c.tag}};
    ShowingName showing{c.friendlyName};
    auto listening = composeListeningName(settings, showing);
    ASSERT_TRUE(listening);
    EXPECT_EQ(listening->name, c.listening);
    EXPECT_EQ(listening->replacedName, c.plain);
    EXPECT_EQ(composePlainName(settings, showing), std::optional<std::wstring>(c.plain));
    // What the listening name cuts back to is the plain name.
    EXPECT_EQ(composePlainName(settings, ShowingName{listening->name}), std::optional<std::wstring>(c.plain));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CurrentNameMode,
    ::testing::Values(
        CurrentNameCase{L"Ann", kTag.c_str(), L"Ann I'm listening to:  (!WAT)", L"Ann"},
        CurrentNameCase{L"Ann I'm listening to:  (!WAT)", kTag.c_str(), L"Ann I'm listening to:  (!WAT)", L"Ann"},
        CurrentNameCase{L"Ann - away I'm listening to: x I'm listening to: y", kTag.c_str(),
                        L"Ann - away I'm listening to:  (!WAT)", L"Ann - away"},
        CurrentNameCase{L"Ann I'm listening to:  Some Song", kTag.c_str(), L"Ann I'm listening to:  (!WAT)", L"Ann"},
        // The tag in other letter case is not cut, so it is added once more.
        CurrentNameCase{L"Ann i'm listening to:  x", kTag.c_str(), L"Ann i'm listening to:  x I'm listening to:  (!WAT)",
                        L"Ann i'm listening to:  x"},
        // An empty or blank tag cuts nothing at a bare blank.
        CurrentNameCase{L"Ann Lee", L"", L"Ann Lee  (!WAT)", L"Ann Lee"},
        CurrentNameCase{L"Ann", L"", L"Ann  (!WAT)", L"Ann"},
        CurrentNameCase{L"Ann Lee  (!WAT)", L"", L"Ann Lee  (!WAT)", L"Ann Lee"},
        CurrentNameCase{L"Ann Lee", L"  ", L"Ann Lee    (!WAT)", L"Ann Lee"},
        CurrentNameCase{L"Ann Lee   x", L"  ", L"Ann Lee   x    (!WAT)", L"Ann Lee   x"},
        // A messenger that collapses blanks shows the empty tag's two as one:
        // still cut there, so that the name does not grow by " (!WAT)".
        CurrentNameCase{L"Ann Lee (!WAT)", L"", L"Ann Lee  (!WAT)", L"Ann Lee"},
        CurrentNameCase{L"Ann  Lee", L"", L"Ann  Lee  (!WAT)", L"Ann  Lee"}));

// A listening name this plug-in sent gives back the name it replaced,
// also where the listening name had to be shortened.
TEST(Composition, TheReplacedNameComesBackWhole) {
    FakeSettings settings{{L"CurrentName", L"1"}, {L"CurrentTag", L"plays"}};
    std::wstring longName(125, L'a');
    ShowingName showing{L"short\u2026 plays (!WAT)", longName};
    EXPECT_EQ(composePlainName(settings, showing), longName);
    EXPECT_EQ(composeListeningName(settings, showing)->name, std::wstring(115, L'a') + L"\u2026 plays (!WAT)");
    EXPECT_EQ(composeListeningName(settings, showing)->replacedName, longName);

    FakeSettings custom{{L"CustomName", L"1"}, {L"CustomNamePl", L"DJ"}, {L"CustomTagPl", L"on"}};
    EXPECT_EQ(composeListeningName(custom, showing)->replacedName, longName);
    EXPECT_EQ(composeListeningName(custom, ShowingName{L"Ann"})->replacedName, L"Ann") << "what showed before";
}

// Names fit the messenger's 129 UTF-16 units: the name gives way first,
// then the tag; " (!WAT)" always stays, and no surrogate pair is split.
TEST(Composition, NamesAreShortenedToFit) {
    const std::wstring pair{wchar_t(0xD83C), wchar_t(0xDFB5)};
    const std::wstring tag = L"I'm listening to:";  // 17: the name has 104 units
    const std::wstring a(1, L'a');
    auto times = [](size_t n, const std::wstring& s) {
        std::wstring text;
        for (size_t i = 0; i < n; ++i) text += s;
        return text;
    };
    struct Case {
        std::wstring name, tag, listening;
    };
    const Case cases[] = {
        {times(104, a), tag, times(104, a) + L" " + tag + L" (!WAT)"},
        {times(105, a), tag, times(103, a) + L"\u2026 " + tag + L" (!WAT)"},
        {times(102, a) + pair, tag, times(102, a) + pair + L" " + tag + L" (!WAT)"},
        {times(102, a) + pair + L"b", tag, times(102, a) + L"\u2026 " + tag + L" (!WAT)"},
        {times(52, pair) + L"b", tag, times(51, pair) + L"\u2026 " + tag + L" (!WAT)"},
        {L"Ann", times(120, a), L"\u2026 " + times(120, a) + L" (!WAT)"},
        {L"Ann", times(121, a), L"\u2026 " + times(119, a) + L"\u2026 (!WAT)"},
        {L"", times(130, a), L" " + times(120, a) + L"\u2026 (!WAT)"},
        {pair, times(130, a), L"\u2026 " + times(119, a) + L"\u2026 (!WAT)"},
    };
    for (const Case& c : cases) {
        std::wstring name = listeningName(c.name, c.tag);
        EXPECT_EQ(name, c.listening) << c.name.size() << " " << c.tag.size();
        EXPECT_LE(name.size(), maxDisplayNameLength);
    }
    FakeSettings custom{{L"CustomName", L"1"}, {L"CustomNameNotPl", times(130, a)}};
    EXPECT_EQ(composePlainName(custom, {}), times(128, a) + L"\u2026");
    FakeSettings current{{L"CurrentName", L"1"}, {L"CurrentTag", tag}};
    EXPECT_EQ(composePlainName(current, ShowingName{times(129, a)}), times(129, a));
}

TEST(Composition, NothingWithoutAModeFlag) {
    for (const wchar_t* flag : {L"", L"0", L" 1", L"yes"}) {
        FakeSettings settings{{L"CurrentName", flag}, {L"CustomName", flag}, {L"CustomNamePl", L"X"}};
        ShowingName showing{L"Ann"};
        EXPECT_FALSE(nameModeChosen(settings));
        EXPECT_EQ(composeListeningName(settings, showing), std::nullopt);
        EXPECT_EQ(composePlainName(settings, showing), std::nullopt);
    }
}

TEST(Composition, EmptyOrUnreadableDisplayNameComposesNothingInCurrentNameMode) {
    FakeSettings settings{{L"CurrentName", L"1"}, {L"CurrentTag", kTag}};
    for (ShowingName showing : {ShowingName{L""}, ShowingName{}}) {
        EXPECT_EQ(composeListeningName(settings, showing), std::nullopt);
        EXPECT_EQ(composePlainName(settings, showing), std::nullopt);
    }
}

TEST(Composition, CustomNameModeUsesTextsExactlyAsStored) {
    FakeSettings settings{{L"CustomName", L"1"},
                          {L"CustomNamePl", L" DJ Ann "},
                          {L"CustomTagPl", L"plays"},
                          {L"CustomNameNotPl", L"Ann "}};
    ShowingName unreadable{};
    EXPECT_EQ(composeListeningName(settings, unreadable)->name, L" DJ Ann  plays (!WAT)");
    EXPECT_EQ(composePlainName(settings, unreadable), L"Ann ");
}

TEST(Composition, CustomNameModeWithEmptyTexts) {
    FakeSettings settings{{L"CustomName", L"1"}};
    ShowingName showing{L"Ann"};
    EXPECT_EQ(nameCommand(composeListeningName(settings, showing)->name), L"/name   (!WAT)");
    EXPECT_EQ(nameCommand(*composePlainName(settings, showing)), L"/name ");
}

TEST(Composition, BothFlagsSetCustomNameWins) {
    FakeSettings settings{{L"CurrentName", L"1"}, {L"CustomName", L"1"}, {L"CurrentTag", kTag},
                          {L"CustomNamePl", L"DJ"}, {L"CustomTagPl", L"on air"}, {L"CustomNameNotPl", L"Off"}};
    ShowingName showing{L"Ann"};
    EXPECT_EQ(composeListeningName(settings, showing)->name, L"DJ on air (!WAT)");
    EXPECT_EQ(composePlainName(settings, showing), L"Off");
}

}  // namespace
}  // namespace sonarel::testing
