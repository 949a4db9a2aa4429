#pragma once
// Late-bound calls by member name, as an automation client makes them.
#include <initializer_list>
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

}  // namespace sonarel
