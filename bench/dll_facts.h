#pragma once
#include <string>
namespace sonarel::bench {
// Prints the DLL's size and the DLLs it imports, against the goals.
void reportDllFacts(const std::wstring& dllPath, unsigned maxKiB);
}
