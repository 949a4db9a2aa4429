// How the statically linked C++ runtime reports its errors inside the
// plug-in. The library turns every exception into an HRESULT at its
// boundaries; these replacements keep the runtime's own reporting (its
// message strings, its demangler and its text formatting) out of the DLL,
// which would otherwise more than double its size.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "common/hresult_error.h"

namespace __gnu_cxx {
// An exception that escapes is a bug: end quietly, without printing a
// demangled type name into the host's console.
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
// A failed bounds check in the standard containers ends the same way.
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { std::abort(); }

void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
// Misuse of a container or a function object: a bug, reported to the
// caller as an unexpected failure.
void __throw_bad_function_call() { throw sonarel::HResultError(E_UNEXPECTED); }
void __throw_length_error(const char*) { throw sonarel::HResultError(E_UNEXPECTED); }
void __throw_logic_error(const char*) { throw sonarel::HResultError(E_UNEXPECTED); }
void __throw_out_of_range_fmt(const char*, ...) { throw sonarel::HResultError(E_UNEXPECTED); }
}  // namespace std
