#pragma once
// Late-bound calls by member name, as an automation client makes them.
#include <initializer_list>
#include <string>
#include <string_view>

#include "common/com.h"

namespace sonarel {

// Looks the member up by name and invokes it. Arguments are given in the
// order of the member's parameter list; they may be VT_BYREF variants.
// Throws HResultError when the look-up or the call fails.
Variant invokeByName(IDispatch* object, std::wstring_view member, WORD flags,
                     std::initializer_list<VARIANT*> args = {});

inline Variant getProperty(IDispatch* object, std::wstring_view name) {
    return invokeByName(object, name, DISPATCH_PROPERTYGET);
}

inline Variant callMethod(IDispatch* object, std::wstring_view name, std::initializer_list<VARIANT*> args = {}) {
    return invokeByName(object, name, DISPATCH_METHOD, args);
}

// A by-reference argument, as a late-binding host passes its variables.
template <class T>
struct ByRef;

template <>
struct ByRef<std::wstring> {
    explicit ByRef(std::wstring_view text) : value(text) {
        VariantInit(&arg);
        arg.vt = VT_BSTR | VT_BYREF;
        arg.pbstrVal = value.address();
    }
    std::wstring str() const { return value.str(); }
    Bstr value;
    VARIANT arg;
};

template <>
struct ByRef<long> {
    explicit ByRef(long initial) : value(initial) {
        VariantInit(&arg);
        arg.vt = VT_I4 | VT_BYREF;
        arg.plVal = &value;
    }
    long value;
    VARIANT arg;
};

}  // namespace sonarel
