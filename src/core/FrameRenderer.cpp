#include "FrameRenderer.h"

#include <algorithm>
#include <cmath>

#include "SortArray.h"

const uint32_t g_bar_colours[BAR_COLOUR_COUNT] = {
    0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFF00FFFF, // white, red, green, cyan
    0xFFFFFF00, 0xFFFF00FF, 0xFFFFC080, 0xFFFF80C0, 0xFF80C0FF, 0xFFC0FF80,
    0xFFC080FF, 0xFF80FFC0, 0xFF8080FF, 0xFFC080C0, 0xFF80C0C0, 0xFFC0C080,
    0xFF0080FF,
};

void FrameSnapshot::Take(SortArray& array)
{
    wxMutexLocker lock(array.m_guard);
    ASSERT(lock.IsOk());
    array.IndexColours(colours);
    const size_t n = array.size();
    values.resize(n);
    for (size_t i = 0; i < n; ++i) values[i] = array.m_array[i].raw();
    max_value = array.m_max_value;
}

void RenderFrame(const FrameSnapshot& frame, int width, int height, uint32_t* pixels,
                 ptrdiff_t stride)
{
    for (int y = 0; y < height; ++y) std::fill(pixels + y * stride, pixels + y * stride + width, FRAME_BACKGROUND);

    const size_t n = frame.values.size();
    if (n == 0) return;

    // the drawable area inside a 10-pixel margin
    const int origin = 10;
    const double W = width - 20, H = height - 20;

    double bar_width = (W > n - 1) ? (W - (n - 1.0)) / n : 0.0;
    double step = bar_width + 1.0;
    // bars of about one pixel with one-pixel gaps look better as two-pixel
    // bars without gaps
    if (std::fabs(bar_width - 1.0) < 0.1 && std::fabs(step - 2.0) < 0.1) bar_width = step = 2.0;

    const double max_value = frame.max_value;
    const int bottom = origin + static_cast<int>(H);
    for (size_t i = 0; i < n; ++i) {
        const int clr = frame.colours[i];
        ASSERT(clr >= 0 && clr < BAR_COLOUR_COUNT);

        const int x = static_cast<int>(i * step);
        const int next_x = static_cast<int>((i + 1) * step);
        const int w = static_cast<int>(std::max(1.0, (next_x - x) + (bar_width - step)));
        const double value = frame.values[i];
        const int h = max_value > 0 ? static_cast<int>(-(value * H / max_value)) : 0;
        if (h >= 0) continue;

        // the bar rises from the bottom edge of the drawable area
        const int x0 = std::max(0, origin + x), x1 = std::min(width, origin + x + w);
        const int y0 = std::max(0, bottom + h), y1 = std::min(height, bottom);
        const uint32_t colour = g_bar_colours[clr];
        for (int y = y0; y < y1; ++y) {
            uint32_t* row = pixels + y * stride;
            std::fill(row + x0, row + std::max(x0, x1), colour);
        }
    }
}
