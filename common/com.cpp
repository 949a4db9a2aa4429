#include "common/com.h"

namespace sonarel {

std::wstring Variant::text() const {
    if (value_.vt == VT_BSTR) return Bstr::toString(value_.bstrVal);
    Variant converted;
    throwIfFailed(VariantChangeType(converted.put(), const_cast<VARIANT*>(&value_), 0, VT_BSTR));
    return Bstr::toString(converted.value_.bstrVal);
}

long Variant::number() const {
    if (value_.vt == VT_I4) return value_.lVal;
    Variant converted;
    throwIfFailed(VariantChangeType(converted.put(), const_cast<VARIANT*>(&value_), 0, VT_I4));
    return converted.value_.lVal;
}

ComPtr<IDispatch> Variant::object() const {
    ComPtr<IDispatch> result;
    if (value_.vt == VT_DISPATCH) {
        result = value_.pdispVal;
    } else if (value_.vt == VT_UNKNOWN && value_.punkVal) {
        value_.punkVal->QueryInterface(IID_PPV_ARGS(&result));
    }
    return result;
}

}  // namespace sonarel

#include "common/com_object.h"

namespace sonarel {

std::atomic<long>& liveObjectCount() {
    static std::atomic<long> count{0};
    return count;
}

}  // namespace sonarel
