#pragma once
#include <atomic>

#include "common/com_object.h"

namespace sonarel {

// Server locks taken through IClassFactory::LockServer.
std::atomic<long>& serverLockCount();

// Creates a new winamp for every request, after the thread's start-up.
class WinampFactory final : public ComObject<WinampFactory, IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;
};

}  // namespace sonarel
