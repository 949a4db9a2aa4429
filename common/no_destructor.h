#pragma once
// A value that is built on first use and deliberately never destroyed:
// for process-wide state that may hold COM references, which must not be
// released while the process shuts down.
#include <memory>
#include <new>
#include <utility>

namespace sonarel {

template <class T>
class NoDestructor {
public:
    template <class... Args>
    explicit NoDestructor(Args&&... args) {
        ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
    }
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }
    T* operator->() { return std::addressof(get()); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace sonarel
