// An exception that escapes is a bug; the library turns every one into an
// HRESULT at its boundaries. Should one slip through, end quietly: the
// standard handler would print a demangled type name into the host's
// console and, with its demangler, doubles the size of the DLL.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// A failed bounds check in the standard containers ends the same way,
// without the standard library's report (and its demangler).
namespace std {
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { std::abort(); }
}  // namespace std
