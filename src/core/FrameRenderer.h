// One frame of the bar view, drawn into a plain 32-bit pixel buffer with no
// display: the window blits it, the video export encodes it.
#ifndef QUORVEX_FRAMERENDERER_H
#define QUORVEX_FRAMERENDERER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "SortArray.h"

// The bars' colours by colour index, as 0xAARRGGBB words with full alpha.
constexpr int BAR_COLOUR_COUNT = COLOUR_INDEX_COUNT;
extern const uint32_t g_bar_colours[BAR_COLOUR_COUNT];
constexpr uint32_t FRAME_BACKGROUND = 0xFF000000; // black

// What one frame shows: each bar's value and colour index, and the largest
// value, which scales the bars.
struct FrameSnapshot
{
    std::vector<int32_t> values;
    std::vector<int> colours;
    int32_t max_value = 0;
    // The array's change count when the frame was taken, and whether a
    // recorded highlight coloured a bar in it: then the next frame differs
    // even if nothing changes.
    uint64_t changes = 0;
    bool highlights_shown = false;

    // Takes the array's state, holding its lock for as long as copying n
    // values takes: the colours consume the highlights exactly as a painting
    // does (SortArray::TakeFrame). The vectors keep their storage from frame
    // to frame.
    void Take(SortArray& array);
};

// The frame column by column: every pixel column x is black above row top[x]
// and from row `bottom` down, and colour[x] in between (a column without a
// bar has top[x] == bottom). Bars never overlap, so this is all a frame is.
struct FrameColumns
{
    std::vector<int32_t> top;
    std::vector<uint32_t> colour;
    int32_t bottom = 0;

    // Lays out the frame at width x height: the 10-pixel margin, the bar
    // width and step with the two-pixel rule, and each bar's height scaled
    // by the largest value.
    void Layout(const FrameSnapshot& frame, int width, int height);
};

// Draws the frame the view paints at width x height pixels: black, a 10-pixel
// margin, one bar per item rising from the bottom of the drawable area.
// Pixels are 0xAARRGGBB words, rows from the top, `stride` words apart.
void RenderFrame(const FrameSnapshot& frame, int width, int height, uint32_t* pixels,
                 ptrdiff_t stride);

// Writes rows first to last - 1 of a laid-out frame of columns.size() pixels
// per row; `pixels` is where row `first` goes.
void RenderRows(const FrameColumns& columns, int first, int last, uint32_t* pixels, ptrdiff_t stride);
// The same for columns left to right - 1 only; `pixels` is where pixel
// (left, first) goes.
void RenderRect(const FrameColumns& columns, int left, int right, int first, int last, uint32_t* pixels,
                ptrdiff_t stride);

// A frame buffer kept from one frame to the next, for a view that paints
// again and again: it is reallocated only when the size changes, and each
// frame rewrites only the rows in which some column differs from the frame
// before.
class FrameCanvas
{
public:
    // Brings the pixels to the frame at width x height; false if they were
    // already showing it.
    bool Render(const FrameSnapshot& frame, int width, int height);

    const uint32_t* pixels() const { return m_pixels.data(); }
    uint32_t* pixels() { return m_pixels.data(); }
    int width() const { return m_width; }
    int height() const { return m_height; }
    ptrdiff_t stride() const { return m_width; }

private:
    std::vector<uint32_t> m_pixels;
    int m_width = 0, m_height = 0;
    FrameColumns m_shown, m_next; // what the pixels show, and the new layout
};

#endif
