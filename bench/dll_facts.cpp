#include "bench/dll_facts.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace sonarel::bench {
namespace {

std::vector<char> readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Translates a relative virtual address to a file offset.
size_t fileOffset(const IMAGE_NT_HEADERS32* nt, DWORD rva) {
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->Misc.VirtualSize)
            return rva - section->VirtualAddress + section->PointerToRawData;
    }
    return 0;
}

std::vector<std::string> importedDlls(const std::vector<char>& image) {
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    DWORD importRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::vector<std::string> names;
    auto entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + fileOffset(nt, importRva));
    for (; entry->Name != 0; ++entry) names.emplace_back(image.data() + fileOffset(nt, entry->Name));
    return names;
}

bool shipsWithWindows(std::string name) {
    for (auto& c : name) c = static_cast<char>(tolower(c));
    // The session's state (wtsapi32) and cloaked windows (dwmapi) come with
    // every Windows the plug-in runs on, 7 and later.
    static const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",   "advapi32.dll",
                                                 "ole32.dll",    "oleaut32.dll", "shell32.dll", "msvcrt.dll",
                                                 "comctl32.dll", "version.dll",  "shlwapi.dll", "windowscodecs.dll",
                                                 "wtsapi32.dll", "dwmapi.dll"};
    return system.count(name) > 0;
}

}  // namespace

void reportDllFacts(const std::wstring& dllPath, unsigned maxKiB) {
    std::vector<char> image = readFile(dllPath);
    double kib = image.size() / 1024.0;
    std::printf("| DLL | value | goal |\n|---|---|---|\n");
    std::printf("| size | %.1f KiB | <= %u KiB: %s |\n", kib, maxKiB, kib <= maxKiB ? "met" : "NOT MET");
    bool allSystem = true;
    std::string list;
    for (const auto& name : importedDlls(image)) {
        allSystem = allSystem && shipsWithWindows(name);
        list += (list.empty() ? "" : ", ") + name;
    }
    std::printf("| imports | %s | only DLLs that ship with Windows: %s |\n", list.c_str(),
                allSystem ? "met" : "NOT MET");
}

}  // namespace sonarel::bench
