// The line of text above the bars in a rendered video: what runs, on what, and
// its counters so far. Drawn with cairo in the system's sans-serif font.
#ifndef QUORVEX_STATUSSTRIP_H
#define QUORVEX_STATUSSTRIP_H

#include <cstddef>
#include <cstdint>
#include <string>

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

class StatusStrip
{
public:
    // The strip's height for a frame of the given height.
    static int HeightFor(int frame_height);

    // Draws into the top `height` rows of a frame of `width` columns whose
    // 0xAARRGGBB pixels start at `pixels`, rows `stride` words apart. The
    // buffer must stay where it is for the strip's life.
    StatusStrip(uint32_t* pixels, int width, int height, ptrdiff_t stride);
    ~StatusStrip();
    StatusStrip(const StatusStrip&) = delete;
    StatusStrip& operator=(const StatusStrip&) = delete;

    int height() const { return m_height; }

    // Black background, `left` at the left edge and `right` against the
    // right edge. Draws nothing if both texts are those of the last call and
    // the rows have not been drawn over since (say so with Invalidate).
    void Draw(const std::string& left, const std::string& right);
    void Invalidate() { m_valid = false; }

private:
    int m_width, m_height;
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
    std::string m_left, m_right;
    bool m_valid = false;
};

// 1234567 as "1,234,567".
std::string GroupDigits(uint64_t n);

#endif
