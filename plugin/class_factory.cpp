#include "plugin/class_factory.h"

#include "plugin/winamp.h"
#include "watcher/library_startup.h"

namespace sonarel {

std::atomic<long>& serverLockCount() {
    static std::atomic<long> count{0};
    return count;
}

STDMETHODIMP WinampFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return comBoundary([&] {
        libraryStartup();
        return makeComObject<winamp>()->QueryInterface(iid, object);
    });
}

STDMETHODIMP WinampFactory::LockServer(BOOL lock) {
    lock ? ++serverLockCount() : --serverLockCount();
    return S_OK;
}

}  // namespace sonarel
