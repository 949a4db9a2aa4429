#include "common/dispatch.h"

#include <string>
#include <vector>

namespace sonarel {

Variant invokeByName(IDispatch* object, std::wstring_view member, WORD flags, std::initializer_list<VARIANT*> args) {
    if (!object) throw HResultError(E_POINTER);
    std::wstring name(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    throwIfFailed(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));

    // IDispatch takes its arguments in reverse order.
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed.push_back(**it);
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};

    Variant result;
    EXCEPINFO exception{};
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.put(), &exception, nullptr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    throwIfFailed(hr);
    return result;
}

}  // namespace sonarel
