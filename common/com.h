#pragma once
// Small RAII wrappers and boundary guards for COM code.
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "common/hresult_error.h"

namespace sonarel {

using Microsoft::WRL::ComPtr;

inline void throwIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw HResultError(hr);
}

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
        if (!value_) throw std::bad_alloc();
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        reset(std::exchange(other.value_, nullptr));
        return *this;
    }
    ~Bstr() { SysFreeString(value_); }

    BSTR get() const noexcept { return value_; }
    BSTR* put() noexcept {
        reset();
        return &value_;
    }
    // For an in/out argument: the callee may replace the string.
    BSTR* address() noexcept { return &value_; }
    BSTR release() noexcept { return std::exchange(value_, nullptr); }
    void reset(BSTR value = nullptr) noexcept { SysFreeString(std::exchange(value_, value)); }
    std::wstring str() const { return toString(value_); }

    static std::wstring toString(BSTR value) { return {value ? value : L"", value ? SysStringLen(value) : 0}; }

private:
    BSTR value_ = nullptr;
};

// Owns one VARIANT.
class Variant {
public:
    Variant() noexcept { VariantInit(&value_); }
    explicit Variant(std::wstring_view text) : Variant() {
        value_.vt = VT_BSTR;
        value_.bstrVal = Bstr(text).release();
    }
    explicit Variant(long number) noexcept : Variant() {
        value_.vt = VT_I4;
        value_.lVal = number;
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(&value_);
            value_ = other.value_;
            VariantInit(&other.value_);
        }
        return *this;
    }
    ~Variant() { VariantClear(&value_); }

    VARIANT* get() noexcept { return &value_; }
    const VARIANT* get() const noexcept { return &value_; }
    VARIANT* put() noexcept {
        VariantClear(&value_);
        return &value_;
    }
    VARTYPE type() const noexcept { return value_.vt; }

    // The value as text; throws when it cannot be converted.
    std::wstring text() const;
    // The value as a 32-bit number; throws when it cannot be converted.
    long number() const;
    // The value as an IDispatch; null when it holds no object.
    ComPtr<IDispatch> object() const;

private:
    VARIANT value_;
};

// Runs a COM entry point: no C++ exception may cross the boundary.
template <class Body>
HRESULT comBoundary(Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (const HResultError& e) {
        return e.code();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Runs a window, timer or event callback: a failure ends that call only.
template <class Body>
void callbackBoundary(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

// Keeps COM initialised on the calling thread for the object's lifetime.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) { throwIfFailed(CoInitializeEx(nullptr, model)); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() { CoUninitialize(); }
};

}  // namespace sonarel
