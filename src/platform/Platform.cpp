#include "Platform.h"

#include <cstdio>
#include <cstdlib>

namespace {
Platform* g_platform = nullptr;
}

Platform& platform() {
    if (!g_platform) {
        std::fputs("orvalin: no platform installed\n", stderr);
        std::abort();
    }
    return *g_platform;
}

void setPlatform(Platform* platform) {
    g_platform = platform;
}
