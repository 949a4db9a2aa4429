// Reads or writes one setting in a process of its own:
//   settings_probe read KEY         prints the value as UTF-16 code units in hex
//   settings_probe write KEY HEX    stores the value given the same way
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "settings/settings_store.h"

namespace {

std::wstring fromHex(const wchar_t* hex) {
    std::wstring text;
    for (size_t i = 0; hex[i] && hex[i + 1] && hex[i + 2] && hex[i + 3]; i += 4) {
        text.push_back(static_cast<wchar_t>(std::wcstoul(std::wstring(hex + i, 4).c_str(), nullptr, 16)));
    }
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    sonarel::SettingsStore store;
    if (argc == 3 && std::wcscmp(argv[1], L"read") == 0) {
        std::wstring value = store.ReadSetting(argv[2]);
        std::printf("value:");
        for (wchar_t c : value) std::printf("%04x", static_cast<unsigned>(c));
        std::printf("\n");
        return 0;
    }
    if (argc == 4 && std::wcscmp(argv[1], L"write") == 0) {
        store.WriteSetting(argv[2], fromHex(argv[3]));
        return 0;
    }
    std::fprintf(stderr, "usage: settings_probe read KEY | write KEY HEX\n");
    return 2;
}
