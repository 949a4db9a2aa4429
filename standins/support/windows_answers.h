#pragma once
// Windows' documented answers for the calls that Wine answers otherwise,
// given to the plug-in in place of its imports: the entries of the plug-in
// DLL's import address table are replaced, and so is what its
// GetProcAddress resolves; every other call passes through. Each picture is
// one consistent desktop: a locked session has its locked flag, its input
// desktop refused and the shell's "not present" all at once.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "common/win32.h"

namespace sonarel::standin {

struct WindowsPicture {
    const wchar_t* name = L"Windows 10, active";
    // RtlGetVersion: the system's own version.
    DWORD major = 10, minor = 0, build = 19045;
    // GetVersionExW: what a compatibility mode tells the program.
    DWORD toldMajor = 10, toldMinor = 0;
    // The compatibility mode lowers RtlGetVersion's answer as well (it
    // rewrites the version the process holds).
    bool rtlVersionTold = false;
    // The extended session information.
    DWORD sessionState = 0;  // WTSActive
    LONG sessionFlags = 1;   // WTS_SESSIONSTATE_UNLOCK
    // OpenInputDesktop fails with ERROR_ACCESS_DENIED: the lock screen or a
    // secure desktop takes the input.
    bool inputDesktopRefused = false;
    // OpenInputDesktop answers another desktop of this name: a desktop
    // switcher shows the user another desktop than the messenger's.
    const wchar_t* inputDesktop = nullptr;
    // GetThreadDesktop answers that desktop too: the messenger runs on it.
    bool messengerOnInputDesktop = false;
    QUERY_USER_NOTIFICATION_STATE shellState = QUNS_ACCEPTS_NOTIFICATIONS;
    // SetForegroundWindow refused: another process (the lock screen) holds
    // the foreground lock.
    bool foregroundRefused = false;
    // DwmGetWindowAttribute(DWMWA_CLOAKED): the windows on another virtual
    // desktop.
    std::vector<HWND> cloaked;

    bool waits() const;  // whether the name waits in this picture
};

namespace pictures {
WindowsPicture windows10Active();
WindowsPicture windows11Locked();
WindowsPicture windows11Unlocked();
WindowsPicture disconnected();
WindowsPicture windows7Unlocked();
WindowsPicture windows7Locked();
WindowsPicture compatibilityMode();  // Windows 10, the host run in Windows 7 compatibility mode
WindowsPicture presentation();
WindowsPicture game();
WindowsPicture otherDesktop();
WindowsPicture messengerOnASwitchersDesktop();
}  // namespace pictures

// Answers with the picture for as long as it lives; the imports are put
// back when it ends. The module must be loaded.
class WindowsAnswers {
public:
    WindowsAnswers(const wchar_t* module, WindowsPicture picture);
    WindowsAnswers(const WindowsAnswers&) = delete;
    WindowsAnswers& operator=(const WindowsAnswers&) = delete;
    ~WindowsAnswers();

    // The desktop changes, as on an unlock.
    void show(WindowsPicture picture);
    // The imports replaced: every call of the list that the module imports.
    const std::vector<std::string>& replaced() const { return replaced_; }

private:
    struct Patch {
        void** entry;
        void* original;
    };
    std::vector<Patch> patches_;
    std::vector<std::string> replaced_;
    // The desktop a picture names, for as long as the answers live.
    UniqueDesktop otherDesktop_;
};

}  // namespace sonarel::standin
