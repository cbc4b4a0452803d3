#include "FrameRenderer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "SortArray.h"

const uint32_t g_bar_colours[BAR_COLOUR_COUNT] = {
    0xFFFFFFFF, // COLOUR_PLAIN: white
    0xFFFF0000, // COLOUR_ACCESS: red
    0xFF00FF00, // COLOUR_SORTED, _PIVOT, _CONFIRMED: green
    0xFF00FFFF, // COLOUR_POINTER, _BOUNDARY: cyan
    0xFFFFFF00, // COLOUR_EQUAL_TO_PIVOT, COLOUR_HEAP_LEVEL_BASE: yellow
    0xFFFF00FF, 0xFFFFC080, 0xFFFF80C0, 0xFF80C0FF, 0xFFC0FF80, // heap levels 1 to 5
    0xFFC080FF, 0xFF80FFC0, 0xFF8080FF, 0xFFC080C0, 0xFF80C0C0, // heap levels 6 to 10
    0xFFC0C080, // COLOUR_HEAP_LEVEL_LAST: heap level 11
    0xFF0080FF, // COLOUR_TOUCH, COLOUR_CYCLE_START: blue
};

void FrameSnapshot::Take(SortArray& array)
{
    highlights_shown = array.TakeFrame(colours, values, max_value, changes);
}

void FrameColumns::Layout(const FrameSnapshot& frame, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);

    // the drawable area inside a 10-pixel margin; bars rise from its bottom
    // edge (which a window too small for the margins moves up, or out)
    const int origin = 10;
    const double W = width - 20, H = height - 20;
    bottom = std::max(0, origin + static_cast<int32_t>(H));

    top.assign(static_cast<size_t>(width), bottom);
    colour.assign(static_cast<size_t>(width), FRAME_BACKGROUND);

    const size_t n = frame.values.size();
    const double max_value = frame.max_value;
    if (n == 0 || bottom == 0 || !(max_value > 0)) return;

    double bar_width = (W > n - 1.0) ? (W - (n - 1.0)) / n : 0.0;
    double step = bar_width + 1.0;
    // bars of about one pixel with one-pixel gaps look better as two-pixel
    // bars without gaps
    if (std::fabs(bar_width - 1.0) < 0.1 && std::fabs(step - 2.0) < 0.1) bar_width = step = 2.0;

    for (size_t i = 0; i < n; ++i) {
        const int clr = frame.colours[i];
        ASSERT(clr >= 0 && clr < BAR_COLOUR_COUNT);

        const int x = static_cast<int>(i * step);
        // bars only move right: the rest lie beyond the right edge
        if (origin + x >= width) break;
        const int next_x = static_cast<int>((i + 1) * step);
        const int w = static_cast<int>(std::max(1.0, (next_x - x) + (bar_width - step)));

        // h = -(value * H / max_value) truncated; only h < 0 draws a bar, and
        // a bar taller than the window is cut at its top row
        const double h = -(frame.values[i] * H / max_value);
        if (!(h <= -1.0)) continue;
        const int32_t bar_top = h <= -bottom ? 0 : bottom + static_cast<int32_t>(h);

        const int x0 = std::max(0, origin + x), x1 = std::min(width, origin + x + w);
        const uint32_t c = g_bar_colours[clr];
        for (int c0 = x0; c0 < x1; ++c0) {
            top[static_cast<size_t>(c0)] = bar_top;
            colour[static_cast<size_t>(c0)] = c;
        }
    }
}

namespace {

// One row of a laid-out frame: a pixel is its column's colour from the
// column's top row down, black above it. Every colour is opaque, so clearing
// a colour's bits above the bar and setting the alpha bits leaves black.
void RenderRow(const int32_t* top, const uint32_t* colour, int width, int32_t y, uint32_t* row)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i yv = _mm_set1_epi32(y);
    const __m128i black = _mm_set1_epi32(static_cast<int>(FRAME_BACKGROUND));
    for (; x + 4 <= width; x += 4) {
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + x));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + x));
        const __m128i above = _mm_cmpgt_epi32(t, yv);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_or_si128(_mm_andnot_si128(above, c), black));
    }
#endif
    for (; x < width; ++x) row[x] = top[x] <= y ? colour[x] : FRAME_BACKGROUND;
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same eight pixels at a time, for processors that have AVX2.
__attribute__((target("avx2"))) void RenderRowAvx2(const int32_t* top, const uint32_t* colour, int width,
                                                    int32_t y, uint32_t* row)
{
    int x = 0;
    const __m256i yv = _mm256_set1_epi32(y);
    const __m256i black = _mm256_set1_epi32(static_cast<int>(FRAME_BACKGROUND));
    for (; x + 8 <= width; x += 8) {
        const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + x));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colour + x));
        const __m256i above = _mm256_cmpgt_epi32(t, yv);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x),
                            _mm256_or_si256(_mm256_andnot_si256(above, c), black));
    }
    for (; x < width; ++x) row[x] = top[x] <= y ? colour[x] : FRAME_BACKGROUND;
}

const bool s_have_avx2 = __builtin_cpu_supports("avx2");
#endif

} // namespace

void RenderRows(const FrameColumns& columns, int first, int last, uint32_t* pixels, ptrdiff_t stride)
{
    RenderRect(columns, 0, static_cast<int>(columns.top.size()), first, last, pixels, stride);
}

void RenderRect(const FrameColumns& columns, int left, int right, int first, int last, uint32_t* pixels,
                ptrdiff_t stride)
{
    const int width = right - left;
    const int32_t* top = columns.top.data() + left;
    const uint32_t* colour = columns.colour.data() + left;
    for (int y = first; y < last; ++y) {
        uint32_t* row = pixels + (y - first) * stride;
        if (y >= columns.bottom) {
            std::fill(row, row + width, FRAME_BACKGROUND);
            continue;
        }
#if defined(__x86_64__) && defined(__GNUC__)
        if (s_have_avx2) {
            RenderRowAvx2(top, colour, width, y, row);
            continue;
        }
#endif
        RenderRow(top, colour, width, y, row);
    }
}

void RenderFrame(const FrameSnapshot& frame, int width, int height, uint32_t* pixels,
                 ptrdiff_t stride)
{
    FrameColumns columns;
    columns.Layout(frame, width, height);
    RenderRows(columns, 0, std::max(height, 0), pixels, stride);
}

bool FrameCanvas::Render(const FrameSnapshot& frame, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    m_next.Layout(frame, width, height);

    int first = 0, last = height;
    if (width != m_width || height != m_height) {
        m_width = width;
        m_height = height;
        m_pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    }
    else {
        // the rows where some column changed: between the old and the new
        // top if only the height changed, down to the bottom if the colour did
        first = height;
        last = 0;
        const int32_t bottom = m_next.bottom;
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
            const int32_t t0 = m_shown.top[x], t1 = m_next.top[x];
            const bool recoloured = m_shown.colour[x] != m_next.colour[x];
            if (t0 == t1 && !recoloured) continue;
            first = std::min(first, std::min(t0, t1));
            last = std::max(last, recoloured ? bottom : std::max(t0, t1));
        }
    }
    std::swap(m_shown, m_next);
    if (first >= last) return false;
    RenderRows(m_shown, first, last, m_pixels.data() + first * stride(), stride());
    return true;
}
