#pragma once
// Read before every C++ source of the DLL. The standard containers' bounds
// checks stay: a bad index ends the process rather than corrupting the
// host's memory. Their messages go: each check would keep its file, its
// function and its condition as text in the DLL (a tenth of its size),
// and the failure handler ends the process without reading them.
#include <bits/c++config.h>

#if defined(_GLIBCXX_ASSERTIONS) && defined(__glibcxx_assert_impl)
#undef __glibcxx_assert_impl
#define __glibcxx_assert_impl(condition)                  \
    if (__builtin_expect(!bool(condition), false)) {      \
        __glibcxx_constexpr_assert(false);                \
        __builtin_abort();                                \
    }
#endif
