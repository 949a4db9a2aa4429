// The two title readers, tick by tick, with a recording name switcher.
#include <algorithm>

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

TEST_F(ReaderTest, Winamp2SequenceTable) {
    windows.open(playerClass::winamp2);
    struct Step {
        const wchar_t* title;
        Calls calls;
        const wchar_t* flagAfter;
    };
    const Step steps[] = {
        {L"1. A - Song - Winamp", {kSwitch}, L"1"},                            // new song
        {L"2. B - Other - Winamp", {kSwitch}, L"1"},                           // next song
        {L"2. B - Other - Winamp [Paused]", {kRestore, kSwitch}, L"1"},        // pause: title changed
        {L"2. B - Other - Winamp [Paused]", {kRestore}, L"0"},                 // still paused
        {L"2. B - Other - Winamp [Paused]", {}, L"0"},
        {L"2. B - Other - Winamp", {kSwitch}, L"1"},                           // resumes
        {L"2. B - Other - Winamp [Stopped]", {kRestore, kSwitch}, L"1"},
        {L"2. B - Other - Winamp [Stopped]", {kRestore}, L"0"},
        {L"2. B - Other - Winamp [Stopped]", {}, L"0"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::Message() << std::string(s.title, s.title + wcslen(s.title)));
        EXPECT_EQ(tick(s.title), s.calls);
        EXPECT_EQ(state.winamp2Showing, s.flagAfter);
    }
}

TEST_F(ReaderTest, Winamp2StoppedAtFirstSightSwitchesThenRestores) {
    windows.open(playerClass::winamp2);
    EXPECT_EQ(tick(L"Song - Winamp [Stopped]"), Calls{kSwitch});
    EXPECT_EQ(state.winamp2Showing, L"1");
    EXPECT_EQ(tick(L"Song - Winamp [Stopped]"), Calls{kRestore});
    EXPECT_EQ(state.winamp2Showing, L"0");
}

TEST_F(ReaderTest, Winamp2TitlesDifferingOnlyInCaseAreAChange) {
    windows.open(playerClass::winamp2);
    tick(L"song");
    EXPECT_EQ(tick(L"Song"), Calls{kSwitch});
}

TEST_F(ReaderTest, Winamp2ScrollingTitleSwitchesOnEveryTick) {
    windows.open(playerClass::winamp2);
    std::wstring title = L"*** 3. Artist - Title *** ";
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tick(title), Calls{kSwitch});
        std::rotate(title.begin(), title.begin() + 1, title.end());
    }
}

TEST_F(ReaderTest, Winamp2LongTitleIsCutAndItsCutEndIsTested) {
    windows.open(playerClass::winamp2);
    // The stopped ending falls right at the end of the 2047 characters kept.
    std::wstring title = std::wstring(2047 - 9, L'x') + L"[Stopped]" + L"tail beyond the buffer";
    tick(title);
    EXPECT_EQ(state.winamp2Title.size(), 2047u);
    EXPECT_EQ(tick(title), Calls{kRestore});
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
