#include "watcher/library_startup.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "common/no_destructor.h"
#include "common/win32.h"

namespace sonarel {
namespace {

std::atomic<bool> timerStarted{false};

// Holds every thread's library state for the life of the process. It is
// never destroyed: its COM references may belong to apartments that are
// gone by the time the process ends, so nothing is torn down.
class AllThreadLibraries {
public:
    ThreadLibrary& create() {
        std::lock_guard lock(mutex_);
        return *libraries_.emplace_back(std::make_unique<ThreadLibrary>());
    }

private:
    SlimLock mutex_;
    std::vector<std::unique_ptr<ThreadLibrary>> libraries_;
};

AllThreadLibraries& allThreadLibraries() {
    static NoDestructor<AllThreadLibraries> all;
    return all.get();
}

// The module must stay loaded while a timer can call into it.
void pinModule() {
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&pinModule), &pinned);
}

VOID CALLBACK pollTick(HWND, UINT, UINT_PTR, DWORD) {
    callbackBoundary([] { threadLibrary().watcher.pollTick(); });
}

// A first run starts with the watch on. A store that refuses the write
// leaves the setting empty, which every tick reads as off: the host still
// gets its object and its commands, and no name is ever switched wrongly.
void switchWatchOnAtFirstRun(Settings& settings) {
    if (!settings.ReadSetting(keys::onOff).empty()) return;
    try {
        settings.WriteSetting(keys::onOff, flagSet);
    } catch (const HResultError&) {
    }
}

}  // namespace

frmSendText& SendTextFormSlot::form() {
    if (!form_) {
        form_ = std::make_unique<frmSendText>(settings_, threadLibrary().imWindows);
        form_->whenCommandConversationOpens([] { threadLibrary().watcher.commandConversationReady(); });
        form_->traceTo(writeDebugTrace);
        form_->load();
    }
    return *form_;
}

void writeDebugTrace(std::wstring_view line) { OutputDebugStringW(std::wstring(line).c_str()); }

ThreadLibrary& threadLibrary() {
    thread_local ThreadLibrary* current = nullptr;
    if (!current) current = &allThreadLibraries().create();
    return *current;
}

void startPollTimer() {
    WatcherState& state = threadLibrary().watcher.state();
    if (state.pollTimerId != 0) return;
    state.pollTimerId = SetTimer(nullptr, 0, 1000, pollTick);
    if (state.pollTimerId != 0 && !timerStarted.exchange(true)) pinModule();
}

bool anyPollTimerStarted() { return timerStarted; }

void libraryStartup() {
    ThreadLibrary& library = threadLibrary();
    if (library.started) return;
    library.started = true;

    switchWatchOnAtFirstRun(library.settings);
    startPollTimer();
    library.imWindows.emplace();
    library.sendText.form();
}

}  // namespace sonarel
