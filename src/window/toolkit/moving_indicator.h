// The indicator that moves from left to right while the window waits for a worker: the
// scanning screen's and the update screen's.
#pragma once

#include <cstdint>

// Left edge of the moving indicator for a frame (0 to 100) in an area of the given width.
inline int32_t indicator_x(int32_t frame, int32_t width) { return frame * (width - 100) / 100 + 50; }
