#include "names/window_keys.h"

#include "common/decimal_text.h"

namespace sonarel {

std::wstring windowKey(std::int32_t hWnd) { return L"HWND" + decimalText(hWnd); }

}  // namespace sonarel
