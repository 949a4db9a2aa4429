#pragma once
// RAII for plain Win32 handles and text conversion at the ANSI API edge.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace sonarel {

// Registry keys opened through UniqueRegKey and not yet closed, so that a
// long run can show that no key is left open.
long openRegistryKeys() noexcept;

// Owns one open registry key.
class UniqueRegKey {
public:
    UniqueRegKey() noexcept = default;
    explicit UniqueRegKey(HKEY key) noexcept { reset(key); }
    UniqueRegKey(const UniqueRegKey&) = delete;
    UniqueRegKey& operator=(const UniqueRegKey&) = delete;
    UniqueRegKey(UniqueRegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    UniqueRegKey& operator=(UniqueRegKey&& other) noexcept {
        if (this != &other) {
            reset();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    ~UniqueRegKey() { reset(); }

    HKEY get() const noexcept { return key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }
    void reset(HKEY key = nullptr) noexcept;

private:
    HKEY key_ = nullptr;
};

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct WindowDestroyer {
    void operator()(HWND window) const noexcept { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct DesktopCloser {
    void operator()(HDESK desktop) const noexcept { CloseDesktop(desktop); }
};
using UniqueDesktop = std::unique_ptr<std::remove_pointer_t<HDESK>, DesktopCloser>;

template <class T>
using UniqueGdi = std::unique_ptr<std::remove_pointer_t<T>, GdiObjectDeleter>;

// A slim reader/writer lock used as a plain mutex (BasicLockable).
class SlimLock {
public:
    void lock() noexcept { AcquireSRWLockExclusive(&lock_); }
    void unlock() noexcept { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// Text in the system's ANSI code page, as the "A" functions take it.
std::string toAnsi(std::wstring_view text);
std::wstring fromAnsi(std::string_view text);

// Full path of the module that holds this code.
std::wstring thisModulePath();
HMODULE thisModule();

}  // namespace sonarel
