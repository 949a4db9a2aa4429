#pragma once
// What the plug-in uses of the messenger's automation library: the class
// Messenger and the member names that are looked up at run time.
#include "common/com.h"

namespace sonarel {

// {B69003B3-C55E-4B48-836C-BC5946FC3B28}
inline constexpr CLSID messengerClassId = {
    0xB69003B3, 0xC55E, 0x4B48, {0x83, 0x6C, 0xBC, 0x59, 0x46, 0xFC, 0x3B, 0x28}};

namespace messengerMember {
inline constexpr std::wstring_view MyFriendlyName = L"MyFriendlyName";
inline constexpr std::wstring_view MySigninName = L"MySigninName";
inline constexpr std::wstring_view InstantMessage = L"InstantMessage";
inline constexpr std::wstring_view hWnd = L"hWnd";
inline constexpr std::wstring_view Contacts = L"Contacts";
inline constexpr std::wstring_view SigninName = L"SigninName";
inline constexpr std::wstring_view OnIMWindowCreated = L"OnIMWindowCreated";
inline constexpr std::wstring_view OnIMWindowDestroyed = L"OnIMWindowDestroyed";
}  // namespace messengerMember

// A new messenger object, from whichever server the messenger offers.
// Throws when it cannot be created.
inline ComPtr<IDispatch> createMessenger() {
    ComPtr<IDispatch> messenger;
    throwIfFailed(CoCreateInstance(messengerClassId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                   IID_PPV_ARGS(&messenger)));
    return messenger;
}

}  // namespace sonarel
