#pragma once
// Who makes the plug-in, as the About window shows it. Free of windows.h.

namespace sonarel::developer {

inline constexpr const wchar_t* name = L"Sonarel Team";
inline constexpr const wchar_t* emailLine = L"E-mail : team@example.org";
inline constexpr const char* emailLink = "mailto:team@example.org";
inline constexpr const wchar_t* websiteLine = L"Website : www.example.org";
inline constexpr const char* websiteLink = "https://www.example.org/";
inline constexpr const wchar_t* bannerLine = L"Check for updates online";
inline constexpr const char* bannerLink = "https://sonarel.example.org/";
inline constexpr const wchar_t* legalWarning =
    L"Warning: this program is provided \"as is\", without warranty of any kind, express or implied. "
    L"In no event shall its authors be liable for any claim, damages or other liability arising from "
    L"its use. Use it at your own risk.";

}  // namespace sonarel::developer
