#pragma once
#include <windows.h>

namespace sonarel {

// Machine-wide registration needs administrator rights; per-user
// registration goes below HKEY_CURRENT_USER\Software\Classes.
enum class RegistrationScope { machine, user };

HRESULT registerServer(RegistrationScope scope);
HRESULT unregisterServer(RegistrationScope scope);

}  // namespace sonarel
