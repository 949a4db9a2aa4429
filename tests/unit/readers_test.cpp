// The two title readers, tick by tick, with a recording name switcher.
#include "tests/unit/watcher_fixture.h"

namespace sonarel::testing {
namespace {

class ReaderTest : public WatcherFixture {
protected:
    Calls tick(const std::wstring& title) {
        windows.winamp2Text = title;
        windows.winamp3Text = title;
        watcher.pollTick();
        return names.take();
    }
};

// A stopped or paused title only ever restores; a scrolling text counts
// as the title it scrolls.
TEST_F(ReaderTest, Winamp2SequenceTable) {
    windows.open(playerClass::winamp2);
    struct Step {
        const wchar_t* title;
        Calls calls;
        const wchar_t* flagAfter;
    };
    const Step steps[] = {
        {L"1. A - Song - Winamp [Stopped]", {kRestore}, L"0"},                 // stopped at first sight
        {L"1. A - Song - Winamp [Stopped]", {}, L"0"},
        {L"1. A - Song - Winamp", {kSwitch}, L"1"},                            // plays
        {L"2. B - Other - Winamp", {kSwitch}, L"1"},                           // next song
        {L"Other - Winamp *** 2. B - Other - Winamp", {}, L"1"},               // scrolled: the same title
        {L"p *** 2. B - Other - Winamp", {}, L"1"},
        {L" *** 2. B - Other - Winamp", {}, L"1"},
        {L"2. B - Other - Winamp [Paused]", {kRestore}, L"0"},                 // pause: one restore
        {L"2. B - Other - Winamp [Paused]", {}, L"0"},                         // still paused
        {L"used] *** 2. B - Other - Winamp [Paused]", {}, L"0"},               // scrolled while paused
        {L"2. B - Other - Winamp", {kSwitch}, L"1"},                           // resumes
        {L"2. B - Other - Winamp [Stopped]", {kRestore}, L"0"},                // stop: one restore
        {L"2. B - Other - Winamp [Paused]", {}, L"0"},                         // a new such title: shows already
        {L"3. C - Third - Winamp [Stopped]", {}, L"0"},                        // stepping through a stopped list
        {L"4. D - Fourth - Winamp [Stopped]", {}, L"0"},
        {L"Lee *** 3. Ann - Day - Winamp", {kSwitch}, L"1"},                   // "Lee" is no ending: own title
        {L"3. Ann - Day - Winamp", {kSwitch}, L"1"},
        {L"Q *** R", {kSwitch}, L"1"},                                         // a title with the separator
        {L"Q *** R *** Q *** R", {}, L"1"},                                    // the second split holds
        {L"R *** Q *** R", {}, L"1"},                                          // the first split holds
        {L"1. A *** B - Winamp", {kSwitch}, L"1"},                             // separator in the song
        {L" *** B - Winamp *** 1. A *** B - Winamp", {}, L"1"},                // a wrong first split
        {L"A *** B - Winamp *** 1. A *** B - Winamp", {}, L"1"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::Message() << std::string(s.title, s.title + wcslen(s.title)));
        EXPECT_EQ(tick(s.title), s.calls);
        EXPECT_EQ(state.winamp2Showing, s.flagAfter);
    }
}

TEST_F(ReaderTest, Winamp2TitlesDifferingOnlyInCaseAreAChange) {
    windows.open(playerClass::winamp2);
    tick(L"song");
    EXPECT_EQ(tick(L"Song"), Calls{kSwitch});
}

// The player scrolls the title one character a second: every text of the
// scroll is the same song.
TEST_F(ReaderTest, Winamp2ScrollingTitleSwitchesOncePerSong) {
    windows.open(playerClass::winamp2);
    for (std::wstring title : {L"12. Ann Lee - Morning - Winamp", L"13. Bo - Night - Winamp", L"14. A *** B - Winamp"}) {
        Calls calls;
        for (size_t at = 0; at <= title.size(); ++at) {
            auto more = tick(title.substr(at) + L" *** " + title);
            calls.insert(calls.end(), more.begin(), more.end());
        }
        EXPECT_EQ(calls, Calls{kSwitch});
        EXPECT_EQ(state.winamp2Title, title);
    }
}

TEST_F(ReaderTest, Winamp2LongTitleIsCutAndItsCutEndIsTested) {
    windows.open(playerClass::winamp2);
    // The stopped ending falls right at the end of the 2047 characters kept.
    std::wstring title = std::wstring(2047 - 9, L'x') + L"[Stopped]" + L"tail beyond the buffer";
    EXPECT_EQ(tick(title), Calls{kRestore});
    EXPECT_EQ(state.winamp2Title.size(), 2047u);
    // A longer text with the same first 2047 characters is no change.
    EXPECT_EQ(tick(title + L"more"), Calls{});
}

TEST_F(ReaderTest, Winamp2ClosingBetweenLookUpAndReadChangesNothing) {
    windows.open(playerClass::winamp2);
    tick(L"Song");
    windows.winamp2ClosesBeforeRead = true;
    EXPECT_EQ(tick(L""), Calls{});
    EXPECT_EQ(state.winamp2Title, L"Song");
    EXPECT_EQ(state.winamp2Showing, L"1");
}

TEST_F(ReaderTest, Winamp2EmptyTitleAfterOneIsAChangeButNotAtStart) {
    windows.open(playerClass::winamp2);
    EXPECT_EQ(tick(L""), Calls{});
    tick(L"Song");
    EXPECT_EQ(tick(L""), Calls{kSwitch});
}

TEST_F(ReaderTest, Winamp3SwitchesOnEveryChangeAndNeverRestoresWhileOpen) {
    windows.open(playerClass::winamp3);
    EXPECT_EQ(tick(L"Song - Winamp3"), Calls{kSwitch});
    EXPECT_EQ(tick(L"Song - Winamp3"), Calls{});
    EXPECT_EQ(tick(L"Song - Winamp3 [Stopped]"), Calls{kSwitch});
    EXPECT_EQ(tick(L"Song - Winamp3 [Stopped]"), Calls{});
    EXPECT_EQ(tick(L""), Calls{kSwitch});  // an empty title after one switches
    EXPECT_EQ(state.winamp3Showing, L"1");
}

TEST_F(ReaderTest, Winamp3ClosingDuringTheReadChangesNothingAndTheRestoreSeesIt) {
    windows.open(playerClass::winamp3);
    tick(L"Song");
    windows.winamp3ClosesDuringRead = true;
    EXPECT_EQ(tick(L""), Calls{});
    EXPECT_EQ(state.winamp3Title, L"Song");
    windows.close(playerClass::winamp3);
    EXPECT_EQ(tick(L""), Calls{kRestore});
}

TEST_F(ReaderTest, Winamp3WithoutRootWindowReadsAsEmptyTitle) {
    windows.open(playerClass::winamp3);
    windows.winamp3RootPresent = false;
    EXPECT_EQ(tick(L"ignored"), Calls{});  // empty equals the initial title
    windows.winamp3RootPresent = true;
    tick(L"Song");
    windows.winamp3RootPresent = false;
    EXPECT_EQ(tick(L"ignored"), Calls{kSwitch});
}

TEST_F(ReaderTest, SameTitleAfterThePlayerClosedAndReopenedDoesNotSwitch) {
    windows.open(playerClass::winamp3);
    tick(L"Song");
    windows.close(playerClass::winamp3);
    EXPECT_EQ(tick(L"Song"), Calls{kRestore});
    windows.open(playerClass::winamp3);
    EXPECT_EQ(tick(L"Song"), Calls{});
    EXPECT_EQ(state.winamp3Showing, L"0");

    windows.close(playerClass::winamp3);
    windows.open(playerClass::winamp2);
    tick(L"Tune");
    windows.close(playerClass::winamp2);
    EXPECT_EQ(tick(L"Tune"), Calls{kRestore});
    windows.open(playerClass::winamp2);
    EXPECT_EQ(tick(L"Tune"), Calls{});
}

}  // namespace
}  // namespace sonarel::testing
