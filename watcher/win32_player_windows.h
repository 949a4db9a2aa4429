#pragma once
#include "watcher/watcher.h"

namespace sonarel {

// The player's windows, read with the ANSI window functions.
class Win32PlayerWindows final : public PlayerWindows {
public:
    WindowHandle findTopLevel(std::wstring_view className) override;
    std::optional<std::wstring> winamp3Title() override;
    std::optional<std::wstring> winamp2TitleBuffer() override;
};

}  // namespace sonarel
