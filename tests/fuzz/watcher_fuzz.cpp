// Random sequences of player events and send outcomes through the tick: it
// must never call more than it should, and the flags must only ever hold
// "", "0" or "1".
#include <cstdlib>

#include "tests/fakes/fake_player.h"
#include "tests/fakes/fake_settings.h"
#include "tests/fuzz/fuzz_input.h"
#include "watcher/watcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonarel;
    fuzzing::FuzzInput in(data, size);
    testing::FakeSettings settings{{std::wstring(keys::onOff), L"1"}};
    testing::FakePlayerWindows windows;
    testing::RecordingSwitcher names;
    Watcher watcher(settings, windows, names);
    const wchar_t* endings[] = {L"", L" [Stopped]", L" [Paused]", L"Stopped", L"x"};
    while (!in.empty()) {
        switch (in.byte() % 9) {
            case 0: windows.open(playerClass::winamp2, in.byte() & 1 ? 0x80000100 : 0x100); break;
            case 1: windows.close(playerClass::winamp2); break;
            case 2: windows.open(playerClass::winamp3, 0x200); break;
            case 3: windows.close(playerClass::winamp3); break;
            case 4: windows.winamp2Text = in.text(30) + endings[in.byte() % 5]; break;
            case 5: windows.winamp3Text = in.text(30); break;
            case 6: settings.WriteSetting(keys::onOff, in.byte() & 1 ? L"1" : L"0"); break;
            case 7: windows.winamp2ClosesBeforeRead = in.byte() & 1; break;
            case 8: watcher.decideAgain(); break;
        }
        names.outcome = static_cast<SendOutcome>(in.byte() % (static_cast<int>(SendOutcome::retryNotDue) + 1));
        names.leftBehind = static_cast<LeftBehind>(in.byte() % 3);
        names.flightEnds = static_cast<FlightNews::What>(in.byte() % (static_cast<int>(FlightNews::What::otherAccount) + 1));
        names.calls.clear();
        watcher.pollTick();
        // At most the reader's decision and the restore step's; a retry only
        // on a tick that decided nothing.
        if (names.calls.size() > 2) std::abort();
        for (const auto* flag : {&watcher.state().winamp2Showing, &watcher.state().winamp3Showing}) {
            if (!flag->empty() && *flag != L"0" && *flag != L"1") std::abort();
        }
    }
    return 0;
}
