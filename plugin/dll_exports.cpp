// The four standard entry points of an in-process server, and DllInstall
// for registration by users without administrator rights.
#include <windows.h>

#include <cwchar>

#include "SonarelPL.h"
#include "common/com.h"
#include "names/borrowed_quick_texts.h"
#include "plugin/class_factory.h"
#include "plugin/registration.h"
#include "watcher/library_startup.h"

using namespace sonarel;

extern "C" {

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_winamp) return CLASS_E_CLASSNOTAVAILABLE;
    return comBoundary([&] { return makeComObject<WinampFactory>()->QueryInterface(iid, object); });
}

STDAPI DllCanUnloadNow() {
    // A running poll timer pins the module: it must outlive every tick.
    bool inUse = liveObjectCount() > 0 || serverLockCount() > 0 || anyPollTimerStarted();
    return inUse ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer() { return registerServer(RegistrationScope::machine); }

STDAPI DllUnregisterServer() { return unregisterServer(RegistrationScope::machine); }

// "regsvr32 /n /i:user" registers for the current user only.
// "regsvr32 /u /n /i:quicktext" only gives the current user's quick text
// back: the uninstaller of an all-users copy runs it in the user's own
// account before it asks for administrator rights, which may be another
// account's.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    if (commandLine && _wcsicmp(commandLine, L"quicktext") == 0)
        return install ? E_INVALIDARG : comBoundary([] {
            giveBackBorrowedQuickTexts();
            return S_OK;
        });
    RegistrationScope scope = RegistrationScope::machine;
    if (commandLine && *commandLine) {
        if (_wcsicmp(commandLine, L"user") != 0) return E_INVALIDARG;
        scope = RegistrationScope::user;
    }
    return install ? registerServer(scope) : unregisterServer(scope);
}

}  // extern "C"
