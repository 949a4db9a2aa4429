#include "ui/module_version.h"

#include <vector>

#include "common/com.h"
#include "common/decimal_text.h"

namespace sonarel {

ModuleVersion moduleFileVersion(HMODULE module) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw HResultError(HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND));
    // The version functions want a writable copy of the resource.
    auto size = SizeofResource(module, found);
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&info), &length) || length < sizeof(*info))
        throw HResultError(HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND));
    return {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
            LOWORD(info->dwFileVersionLS)};
}

std::wstring versionLine(const ModuleVersion& version) {
    return L"Version " + decimalText(version.major) + L"." + decimalText(version.minor) + L"." +
           decimalText(version.build);
}

}  // namespace sonarel
