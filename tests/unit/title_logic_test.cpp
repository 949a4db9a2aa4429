// The play-state test and the NUL cut over titles as the players show them.
#include <gtest/gtest.h>

#include "watcher/title_logic.h"

namespace sonarel {
namespace {

struct TitleCase {
    const wchar_t* title;
    bool stoppedOrPaused;
};

class PlayStateTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(PlayStateTest, Classifies) {
    EXPECT_EQ(isStoppedOrPaused(GetParam().title), GetParam().stoppedOrPaused);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, PlayStateTest,
    ::testing::Values(
        TitleCase{L"12. Artist - Title - Winamp", false},
        TitleCase{L"12. Artist - Title - Winamp [Stopped]", true},
        TitleCase{L"12. Artist - Title - Winamp [Paused]", true},
        TitleCase{L"Artist - Title (Stopped)", true},
        TitleCase{L"Artist - Title Paused.", true},
        TitleCase{L"Artist - Title Stopped", false},      // nothing after the word
        TitleCase{L"Artist - Title Paused", false},
        TitleCase{L"Artist - Title [Stopped]]", false},    // two characters after it
        TitleCase{L"Artist - Title [stopped]", false},     // lower case
        TitleCase{L"Artist - Title [paused]", false},
        TitleCase{L"Artist - Title [STOPPED]", false},
        TitleCase{L"*** 3. Artist - Title *** ", false},   // scrolling title
        TitleCase{L"tle *** *** 3. Artist - Ti", false},
        TitleCase{L"Stopped]", true},                      // exactly long enough
        TitleCase{L"Paused]", true},
        TitleCase{L"topped]", false},                      // too short
        TitleCase{L"aused]", false},
        TitleCase{L"]", false},
        TitleCase{L"", false},
        TitleCase{L"Ærøskøbing – Café Stopped]", true},      // non-ASCII before the ending
        TitleCase{L"Ærøskøbing – Café", false}));

TEST(NulCut, CutsAtTheFirstNul) {
    using namespace std::string_literals;
    EXPECT_EQ(cutAtFirstNul(L"\0abc"s), L"");
    EXPECT_EQ(cutAtFirstNul(L"abc\0def\0"s), L"abc");
    EXPECT_EQ(cutAtFirstNul(L"no nul, blanks kept   "), L"no nul, blanks kept   ");
    EXPECT_EQ(cutAtFirstNul(L""), L"");
}

TEST(NulCut, Winamp2BufferKeepsAtMost2047Characters) {
    std::wstring full(2047, L'a');
    EXPECT_EQ(winamp2TitleFromBuffer(full + L'\0'), full);
    EXPECT_EQ(winamp2TitleFromBuffer(std::wstring(3000, L'b')), std::wstring(2047, L'b'));
    std::wstring buffer(winamp2BufferChars, L' ');
    buffer.replace(0, 5, L"Title");
    buffer[5] = L'\0';
    EXPECT_EQ(winamp2TitleFromBuffer(buffer), L"Title");
}

}  // namespace
}  // namespace sonarel
