#pragma once
// The version that a module's version resource carries.
#include <windows.h>

#include <string>

namespace sonarel {

struct ModuleVersion {
    unsigned major = 0, minor = 0, build = 0, revision = 0;
};

// The file version of the module; throws when it carries none.
ModuleVersion moduleFileVersion(HMODULE module);

// "Version " with the first three numbers, the product's version as the
// setup and the installed programs show it: "Version 1.0.0" for file
// version 1.0.0.0 (the fourth is always 0).
std::wstring versionLine(const ModuleVersion& version);

}  // namespace sonarel
