#pragma once
// The start-up dialog.
#include <cstdint>

struct TStartupMenu {
    int32_t title_clicks = 0;
    bool done = false;
};
