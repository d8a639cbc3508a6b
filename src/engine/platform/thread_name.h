// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#if defined(__linux__)
#include <pthread.h>
#endif

// Names the calling thread where the system keeps thread names (Linux: at
// most 15 characters), so that top -H, ps -L and a debugger tell the
// program's threads apart. Elsewhere it does nothing.

namespace voltrix {

inline void nameThisThread(const char* name) {
#if defined(__linux__)
    pthread_setname_np(pthread_self(), name);
#else
    (void)name;
#endif
}

}  // namespace voltrix
