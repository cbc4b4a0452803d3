#include "StatusStrip.h"

#include <algorithm>

#include <cairo.h>

int StatusStrip::HeightFor(int frame_height)
{
    return std::max(16, frame_height / 20);
}

StatusStrip::StatusStrip(uint32_t* pixels, int width, int height, ptrdiff_t stride)
    : m_width(width), m_height(height)
{
    // cairo's RGB24 is a native 32-bit word 0xXXRRGGBB per pixel
    m_surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels), CAIRO_FORMAT_RGB24,
                                                    width, height, static_cast<int>(stride * 4));
    m_cr = cairo_create(m_surface);
    cairo_select_font_face(m_cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(m_cr, height * 0.5);
}

StatusStrip::~StatusStrip()
{
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
    // the strip is the program's only user of cairo: with it gone, cairo's
    // font caches (and the fontconfig patterns they hold) go too, so that a
    // leak checker sees only what is really lost
    cairo_debug_reset_static_data();
}

void StatusStrip::Draw(const std::string& left, const std::string& right)
{
    if (m_valid && left == m_left && right == m_right) return;
    m_left = left;
    m_right = right;
    m_valid = true;

    cairo_set_source_rgb(m_cr, 0, 0, 0);
    cairo_paint(m_cr);

    const double margin = 10; // the bars' own margin
    cairo_font_extents_t font;
    cairo_font_extents(m_cr, &font);
    // the text's box centred in the strip
    const double baseline = (m_height - (font.ascent + font.descent)) / 2 + font.ascent;

    cairo_set_source_rgb(m_cr, 1, 1, 1);
    cairo_move_to(m_cr, margin, baseline);
    cairo_show_text(m_cr, left.c_str());

    cairo_text_extents_t extents;
    cairo_text_extents(m_cr, right.c_str(), &extents);
    cairo_set_source_rgb(m_cr, 0.75, 0.75, 0.75);
    cairo_move_to(m_cr, m_width - margin - extents.x_advance, baseline);
    cairo_show_text(m_cr, right.c_str());
    cairo_surface_flush(m_surface);
}

std::string GroupDigits(uint64_t n)
{
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}
