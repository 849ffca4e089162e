// Marks a test that checks what only a POSIX system does (terminal types in TERM, links,
// permission bits, case-sensitive names, files held open by the module under test); on
// Windows it is reported as skipped with the reason.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#define KEL_POSIX_ONLY(why) GTEST_SKIP() << "POSIX only: " << why
#else
#define KEL_POSIX_ONLY(why) static_cast<void>(0)
#endif
