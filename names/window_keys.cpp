#include "names/window_keys.h"

namespace sonarel {

std::wstring windowKey(std::int32_t hWnd) { return L"HWND" + std::to_wstring(hWnd); }

}  // namespace sonarel
