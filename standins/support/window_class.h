#pragma once
// The window classes of the stand-ins' plain top-level windows.
#include <windows.h>

namespace sonarel {

// Registers a class of this process, with an arrow and the window colour;
// one registered before (by an earlier stand-in of the same process) stays
// as it is.
void registerWindowClass(const wchar_t* className, WNDPROC proc);

}  // namespace sonarel
