// One frame of the bar view, drawn into a plain 32-bit pixel buffer with no
// display: the window blits it, the video export encodes it.
#ifndef QUORVEX_FRAMERENDERER_H
#define QUORVEX_FRAMERENDERER_H

#include <cstddef>
#include <cstdint>
#include <vector>

class SortArray;

// The bars' colours by colour index, as 0xAARRGGBB words with full alpha.
constexpr int BAR_COLOUR_COUNT = 17;
extern const uint32_t g_bar_colours[BAR_COLOUR_COUNT];
constexpr uint32_t FRAME_BACKGROUND = 0xFF000000; // black

// What one frame shows: each bar's value and colour index, and the largest
// value, which scales the bars.
struct FrameSnapshot
{
    std::vector<int32_t> values;
    std::vector<int> colours;
    int32_t max_value = 0;

    // Takes the array's state under its lock, for as long as copying n values
    // takes: the colours consume the highlights exactly as a painting does.
    void Take(SortArray& array);
};

// Draws the frame the view paints at width x height pixels: black, a 10-pixel
// margin, one bar per item rising from the bottom of the drawable area.
// Pixels are 0xAARRGGBB words, rows from the top, `stride` words apart.
void RenderFrame(const FrameSnapshot& frame, int width, int height, uint32_t* pixels,
                 ptrdiff_t stride);

#endif
