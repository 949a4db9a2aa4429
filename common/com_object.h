#pragma once
// Reference counting for the library's own COM classes. This is the one
// place where such objects are allocated and freed.
#include <atomic>
#include <utility>

#include "common/com.h"

namespace sonarel {

// Counts the live COM objects of the module, for DllCanUnloadNow.
std::atomic<long>& liveObjectCount();

// Implements IUnknown for Derived, which exposes Primary and Others.
// Derived may answer further interface ids through findInterface().
template <class Derived, class Primary, class... Others>
class ComObject : public Primary, public Others... {
public:
    ComObject() { ++liveObjectCount(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    virtual ~ComObject() { --liveObjectCount(); }

    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = findAny(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

protected:
    virtual void* findInterface(REFIID) { return nullptr; }

private:
    void* findAny(REFIID iid) {
        if (iid == IID_IUnknown) return static_cast<Primary*>(this);
        if (void* found = match<Primary>(iid)) return found;
        void* found = nullptr;
        ((found = found ? found : match<Others>(iid)), ...);
        return found ? found : findInterface(iid);
    }
    template <class I>
    void* match(REFIID iid) {
        return iid == __uuidof(I) ? static_cast<I*>(this) : nullptr;
    }

    std::atomic<ULONG> refs_{1};
};

// Creates a COM object owned by the returned pointer: its one reference.
// Not through ComPtr::Attach, which in this toolchain's headers adds a
// reference of its own, so that the object would never be freed.
template <class T, class... Args>
ComPtr<T> makeComObject(Args&&... args) {
    ComPtr<T> object;
    *object.GetAddressOf() = new T(std::forward<Args>(args)...);
    return object;
}

}  // namespace sonarel
