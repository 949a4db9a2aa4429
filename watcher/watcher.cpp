#include "watcher/watcher.h"

#include "watcher/title_logic.h"

namespace sonarel {
namespace {

class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;
    ~ScopedFlag() { flag_ = false; }

private:
    bool& flag_;
};

}  // namespace

void Watcher::pollTick() {
    if (ticking_) return;
    ScopedFlag running(ticking_);

    if (!isSet(settings_.ReadSetting(keys::onOff))) return;

    if (isFound(windows_.findTopLevel(playerClass::winamp3))) {
        checkWinamp3();
    } else if (isFound(windows_.findTopLevel(playerClass::winamp2))) {
        checkWinamp2();
    }
    restoreIfPlayerClosed();
}

void Watcher::checkWinamp3() {
    std::optional<std::wstring> title = windows_.winamp3Title();
    if (!title || *title == state_.winamp3Title) return;
    state_.winamp3Title = *title;
    switchName(state_.winamp3Showing);
}

void Watcher::checkWinamp2() {
    std::optional<std::wstring> buffer = windows_.winamp2TitleBuffer();
    if (!buffer) return;  // closed since the tick looked; the restore step sees it
    std::wstring title = winamp2TitleFromBuffer(*buffer);

    if (isStoppedOrPaused(title) && isSet(state_.winamp2Showing)) restoreName(state_.winamp2Showing);
    if (title != state_.winamp2Title) {
        state_.winamp2Title = title;
        switchName(state_.winamp2Showing);
    }
}

// Winamp 2 is served first, and at most one restore runs per tick. Here a
// window is gone only when its handle is 0.
void Watcher::restoreIfPlayerClosed() {
    if (isSet(state_.winamp2Showing) && windows_.findTopLevel(playerClass::winamp2) == 0) {
        restoreName(state_.winamp2Showing);
        return;
    }
    if (isSet(state_.winamp3Showing) && windows_.findTopLevel(playerClass::winamp3) == 0) {
        restoreName(state_.winamp3Showing);
    }
}

void Watcher::switchName(std::wstring& showing) {
    names_.changeName();
    showing = flagSet;
}

void Watcher::restoreName(std::wstring& showing) {
    showing = flagClear;
    names_.changeNameBack();
}

}  // namespace sonarel
