#pragma once
// Windows' documented answers for the calls that Wine answers otherwise,
// given to the plug-in in place of its imports: the entries of a module's
// import address table are replaced (the plug-in DLL's, or this program's
// own where it holds the plug-in's parts), and so is what its
// GetProcAddress resolves; every other call passes through. Each picture is
// one consistent desktop: a locked session has its locked flag, its input
// desktop refused and the shell's "not present" all at once.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "common/win32.h"

namespace sonarel::standin {

// What becomes of the plug-in's keys on their way: another program's
// low-level hook (a key remapper, a hot-key tool, a game overlay) may take
// them and deliver none, or send them again without the plug-in's mark.
enum class KeysOnTheirWay { delivered, swallowed, sentAgainUnmarked };

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
    // desktop. Windows before 8 knows no cloaking: the call fails there.
    std::vector<HWND> cloaked;
    // A window of this class in front, made by the answers for as long as
    // the picture shows: Start or Search ("Windows.UI.Core.CoreWindow"), a
    // store app ("ApplicationFrameWindow"), the desktop ("WorkerW").
    const wchar_t* frontClass = nullptr;
    // SendInput, for the batches that carry the plug-in's mark.
    KeysOnTheirWay keys = KeysOnTheirWay::delivered;
    // SystemParametersInfoW: a screen saver after this many seconds; 0
    // leaves the setting as it is.
    UINT screenSaverSeconds = 0;
    // GetLastInputInfo: the last input this many days before the picture
    // showed, until input comes.
    DWORD lastInputDaysAgo = 0;

    bool before8() const { return major < 6 || (major == 6 && minor < 2); }
    bool waits() const;  // whether the name waits in this picture, once the user is idle
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
WindowsPicture screenSaverRunning();     // only the shell says so
WindowsPicture elevationPrompt();        // only the input desktop says so: the secure desktop
WindowsPicture startOpen();              // Windows 11, Start in front: the shell says "a store app"
WindowsPicture storeAppInFront();        // a store app's own window in front
WindowsPicture overlayAtTheDesktop();    // a graphics driver's overlay makes the shell say "busy" at the desktop
WindowsPicture busyFullScreen();         // "busy" with a program in front
WindowsPicture screenSaverAfter(UINT seconds);
WindowsPicture unattendedForAMonth();    // the last input 30 days before the plug-in starts
WindowsPicture keysSwallowed();
WindowsPicture keysSentAgainUnmarked();
}  // namespace pictures

// Answers with the picture for as long as it lives; the imports are put
// back when it ends. The module must be loaded; none names this program.
// One at a time.
class WindowsAnswers {
public:
    WindowsAnswers(const wchar_t* module, WindowsPicture picture);
    WindowsAnswers(const WindowsAnswers&) = delete;
    WindowsAnswers& operator=(const WindowsAnswers&) = delete;
    ~WindowsAnswers();

    // The desktop changes, as on an unlock. From the thread that made the
    // answers, which owns the picture's window in front.
    void show(WindowsPicture picture);
    // The imports replaced: every call of the list that the module imports.
    const std::vector<std::string>& replaced() const { return replaced_; }
    // Batches of the plug-in's keys that did not go through as given, and
    // when the last of them was sent (GetTickCount).
    static int batchesTaken();
    static DWORD lastBatchTakenAt();

private:
    struct Patch {
        void** entry;
        void* original;
    };
    std::vector<Patch> patches_;
    std::vector<std::string> replaced_;
    // The desktop a picture names, for as long as the answers live.
    UniqueDesktop otherDesktop_;
    // The picture's window in front.
    UniqueWindow front_;
};

}  // namespace sonarel::standin
