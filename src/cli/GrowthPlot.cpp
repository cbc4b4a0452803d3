#include "GrowthPlot.h"

#include "Cli.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include <strings.h>
#include <unistd.h>

#include <cairo-svg.h>
#include <cairo.h>

namespace {

// Ten colours that stay apart on white, and four dash patterns: 40 lines
// before a style repeats (the catalogue has 32 entries).
const double PALETTE[][3] = {
    {0.122, 0.467, 0.706}, {1.000, 0.498, 0.055}, {0.173, 0.627, 0.173}, {0.839, 0.153, 0.157},
    {0.580, 0.404, 0.741}, {0.549, 0.337, 0.294}, {0.890, 0.467, 0.761}, {0.498, 0.498, 0.498},
    {0.737, 0.741, 0.133}, {0.090, 0.745, 0.812},
};
const size_t PALETTE_SIZE = sizeof(PALETTE) / sizeof(PALETTE[0]);
const std::vector<std::vector<double>> DASHES = {{}, {7, 3}, {2, 2.5}, {8, 3, 2, 3}};

const double LINE_WIDTH = 1.6;
const double REFERENCE_GREY = 0.72; // the n log n and n^2 guides: faint, behind the data
const int CHART_W = 640, CHART_H = 440, LEGEND_W = 250, LEGEND_ROW = 18;

struct Box
{
    double x, y, w, h;
};

// "10" with the exponent as superscript digits: 10³, 10⁶.
std::string PowerOfTen(int e)
{
    static const char* const SUPER[] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    if (e >= 0 && e <= 3) return std::to_string(static_cast<long>(std::lround(std::pow(10.0, e))));
    std::string s = "10";
    if (e < 0) s += "⁻";
    for (char d : std::to_string(std::abs(e))) s += SUPER[d - '0'];
    return s;
}

std::string SizeLabel(double n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", n);
    return buf;
}

void SetColour(cairo_t* cr, double grey)
{
    cairo_set_source_rgb(cr, grey, grey, grey);
}

void Text(cairo_t* cr, double x, double y, const std::string& s, double align_x, double align_y)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_move_to(cr, x - e.width * align_x - e.x_bearing, y - e.height * align_y - e.y_bearing);
    cairo_show_text(cr, s.c_str());
}

void ApplyStyle(cairo_t* cr, const LineStyle& style)
{
    cairo_set_source_rgb(cr, style.red, style.green, style.blue);
    cairo_set_line_width(cr, LINE_WIDTH);
    cairo_set_dash(cr, style.dashes.data(), static_cast<int>(style.dashes.size()), 0);
}

// The log-log mapping of one chart's plot area.
struct Axes
{
    Box area;
    double lx0, lx1, ly0, ly1; // log10 of the ranges

    double X(double n) const { return area.x + (std::log10(n) - lx0) / (lx1 - lx0) * area.w; }
    double Y(double v) const { return area.y + area.h - (std::log10(v) - ly0) / (ly1 - ly0) * area.h; }
};

void DrawReference(cairo_t* cr, const Axes& ax, const char* label, double (*f)(double))
{
    const int steps = 64;
    cairo_save(cr);
    cairo_rectangle(cr, ax.area.x, ax.area.y, ax.area.w, ax.area.h);
    cairo_clip(cr);
    SetColour(cr, REFERENCE_GREY);
    cairo_set_line_width(cr, 1.0);
    const double dash[] = {4, 4};
    cairo_set_dash(cr, dash, 2, 0);
    double label_x = -1, label_y = 0;
    for (int k = 0; k <= steps; ++k) {
        const double n = std::pow(10.0, ax.lx0 + (ax.lx1 - ax.lx0) * k / steps);
        const double x = ax.X(n), y = ax.Y(f(n));
        if (k == 0) cairo_move_to(cr, x, y);
        else cairo_line_to(cr, x, y);
        if (y >= ax.area.y && y <= ax.area.y + ax.area.h) {
            label_x = x;
            label_y = y;
        }
    }
    cairo_stroke(cr);
    cairo_restore(cr);
    if (label_x >= 0) {
        // on a white patch, so that the lines crossing it do not hide it
        cairo_set_font_size(cr, 11);
        cairo_text_extents_t e;
        cairo_text_extents(cr, label, &e);
        const double right = label_x - 4, bottom = std::max(label_y, ax.area.y + e.height + 4) - 3;
        cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
        cairo_rectangle(cr, right - e.width - 2, bottom - e.height - 2, e.width + 4, e.height + 4);
        cairo_fill(cr);
        SetColour(cr, REFERENCE_GREY - 0.2);
        Text(cr, right, bottom, label, 1.0, 1.0);
    }
}

double NLogN(double n)
{
    return n * std::log2(n);
}

double NSquared(double n)
{
    return n * n;
}

void DrawChart(cairo_t* cr, const GrowthPlot& plot, const GrowthChart& chart, const Box& cell)
{
    // ranges over the chart's drawable points
    double x_min = HUGE_VAL, x_max = 0, y_min = HUGE_VAL, y_max = 0;
    std::set<double> sizes;
    for (const auto& line : chart.lines)
        for (const GrowthPoint& p : line) {
            if (!(p.value > 0) || !(p.size > 0)) continue;
            x_min = std::min(x_min, p.size);
            x_max = std::max(x_max, p.size);
            y_min = std::min(y_min, p.value);
            y_max = std::max(y_max, p.value);
            sizes.insert(p.size);
        }
    const bool empty = sizes.empty();
    if (empty) x_min = 1, x_max = 10, y_min = 1, y_max = 10;

    Axes ax;
    ax.area = Box{cell.x + 64, cell.y + 34, cell.w - 64 - 18, cell.h - 34 - 46};
    const double lx_pad = std::max(0.04 * (std::log10(x_max) - std::log10(x_min)), 0.1);
    ax.lx0 = std::log10(x_min) - lx_pad;
    ax.lx1 = std::log10(x_max) + lx_pad;
    ax.ly0 = std::floor(std::log10(y_min));
    ax.ly1 = std::max(std::ceil(std::log10(y_max)), ax.ly0 + 1);

    // title
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 14);
    SetColour(cr, 0.1);
    Text(cr, ax.area.x + ax.area.w / 2, cell.y + 14, chart.title + ": " + plot.metric, 0.5, 0.5);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);

    // grid: decades and their 2..9 on y; the measured sizes (or decades) on x
    cairo_set_line_width(cr, 1.0);
    for (int e = static_cast<int>(ax.ly0); e <= static_cast<int>(ax.ly1); ++e) {
        for (int m = 1; m <= 9; ++m) {
            const double v = m * std::pow(10.0, e);
            if (std::log10(v) > ax.ly1 + 1e-9) break;
            const double y = std::round(ax.Y(v)) + 0.5;
            SetColour(cr, m == 1 ? 0.82 : 0.93);
            cairo_move_to(cr, ax.area.x, y);
            cairo_line_to(cr, ax.area.x + ax.area.w, y);
            cairo_stroke(cr);
            if (m == 1) {
                SetColour(cr, 0.25);
                Text(cr, ax.area.x - 6, y, PowerOfTen(e), 1.0, 0.5);
            }
        }
    }
    std::vector<double> x_ticks(sizes.begin(), sizes.end());
    if (x_ticks.size() > 12 || empty) {
        x_ticks.clear();
        for (int e = static_cast<int>(std::ceil(ax.lx0)); e <= static_cast<int>(std::floor(ax.lx1)); ++e)
            x_ticks.push_back(std::pow(10.0, e));
    }
    for (double n : x_ticks) {
        const double x = std::round(ax.X(n)) + 0.5;
        SetColour(cr, 0.88);
        cairo_move_to(cr, x, ax.area.y);
        cairo_line_to(cr, x, ax.area.y + ax.area.h);
        cairo_stroke(cr);
        SetColour(cr, 0.25);
        Text(cr, x, ax.area.y + ax.area.h + 6, SizeLabel(n), 0.5, 0.0);
    }
    SetColour(cr, 0.4);
    cairo_rectangle(cr, ax.area.x + 0.5, ax.area.y + 0.5, ax.area.w - 1, ax.area.h - 1);
    cairo_stroke(cr);
    SetColour(cr, 0.25);
    Text(cr, ax.area.x + ax.area.w / 2, ax.area.y + ax.area.h + 26, "size n (log scale)", 0.5, 0.0);

    if (empty) {
        Text(cr, ax.area.x + ax.area.w / 2, ax.area.y + ax.area.h / 2, "nothing counted", 0.5, 0.5);
        return;
    }

    DrawReference(cr, ax, "n log\u2082 n", NLogN);
    DrawReference(cr, ax, "n\u00B2", NSquared);

    // the data: one path per line, or a dot where a line has one point
    cairo_save(cr);
    cairo_rectangle(cr, cell.x, cell.y, cell.w, cell.h);
    cairo_clip(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (size_t k = 0; k < chart.lines.size(); ++k) {
        std::vector<GrowthPoint> points;
        for (const GrowthPoint& p : chart.lines[k])
            if (p.value > 0 && p.size > 0) points.push_back(p);
        if (points.empty()) continue;
        const LineStyle style = GrowthLineStyle(k);
        ApplyStyle(cr, style);
        if (points.size() == 1) {
            cairo_arc(cr, ax.X(points[0].size), ax.Y(points[0].value), 2.5, 0, 2 * M_PI);
            cairo_fill(cr);
            continue;
        }
        for (size_t i = 0; i < points.size(); ++i) {
            const double x = ax.X(points[i].size), y = ax.Y(points[i].value);
            if (i == 0) cairo_move_to(cr, x, y);
            else cairo_line_to(cr, x, y);
        }
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

double LegendTextWidth(cairo_t* cr, const GrowthPlot& plot)
{
    double widest = 0;
    for (const std::string& name : plot.legend) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, name.c_str(), &e);
        widest = std::max(widest, e.x_advance);
    }
    return widest;
}

void DrawLegend(cairo_t* cr, const GrowthPlot& plot, const Box& box)
{
    const double row = std::min<double>(LEGEND_ROW, (box.h - 40) / std::max<size_t>(plot.legend.size(), 1));
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    double font = std::max(7.0, row * 0.68);
    cairo_set_font_size(cr, font);
    // the longest name must fit beside its sample line
    const double widest = LegendTextWidth(cr, plot), room = box.w - 60;
    if (widest > room) font = std::max(5.0, font * room / widest);
    cairo_set_font_size(cr, font);
    const double y0 = box.y + 34;
    for (size_t k = 0; k < plot.legend.size(); ++k) {
        const double y = y0 + row * (static_cast<double>(k) + 0.5);
        ApplyStyle(cr, GrowthLineStyle(k));
        cairo_move_to(cr, box.x + 8, y);
        cairo_line_to(cr, box.x + 44, y);
        cairo_stroke(cr);
        bool drawn = false; // a line with no point anywhere is greyed out
        for (const GrowthChart& chart : plot.charts)
            for (const GrowthPoint& p : chart.lines[k]) drawn = drawn || (p.value > 0 && p.size > 0);
        SetColour(cr, drawn ? 0.1 : 0.5);
        Text(cr, box.x + 52, y, plot.legend[k], 0.0, 0.5);
    }
    cairo_set_dash(cr, nullptr, 0, 0);
}

void Draw(cairo_t* cr, const GrowthPlot& plot, int width, int height)
{
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);

    // the legend takes what its names need at the normal font, within limits
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, LEGEND_ROW * 0.68);
    const double legend_w = std::min(std::max<double>(LEGEND_W, LegendTextWidth(cr, plot) + 64), width * 0.4);
    const double charts_w = width - legend_w;
    const size_t count = std::max<size_t>(plot.charts.size(), 1);
    const size_t cols = count > 1 ? 2 : 1, rows = (count + cols - 1) / cols;
    const double cw = charts_w / static_cast<double>(cols), ch = height / static_cast<double>(rows);
    for (size_t i = 0; i < plot.charts.size(); ++i) {
        cairo_save(cr);
        DrawChart(cr, plot, plot.charts[i],
                  Box{cw * static_cast<double>(i % cols), ch * static_cast<double>(i / cols), cw, ch});
        cairo_restore(cr);
    }
    DrawLegend(cr, plot, Box{charts_w, 0, legend_w, static_cast<double>(height)});
}

struct SurfaceDeleter
{
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter
{
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

} // namespace

LineStyle GrowthLineStyle(size_t k)
{
    const double* c = PALETTE[k % PALETTE_SIZE];
    return LineStyle{c[0], c[1], c[2], DASHES[(k / PALETTE_SIZE) % DASHES.size()]};
}

void GrowthPlotDefaultSize(size_t charts, size_t lines, int& width, int& height)
{
    const size_t cols = charts > 1 ? 2 : 1, rows = (std::max<size_t>(charts, 1) + cols - 1) / cols;
    width = static_cast<int>(cols) * CHART_W + LEGEND_W;
    height = std::max(static_cast<int>(rows) * CHART_H, static_cast<int>(lines) * LEGEND_ROW + 60);
}

bool IsGrowthPlotName(const std::string& path)
{
    return HasExtension(path, ".svg") || HasExtension(path, ".png");
}

bool WriteGrowthPlot(const GrowthPlot& plot, const std::string& path, int width, int height, std::string& error)
{
    if (!IsGrowthPlotName(path)) {
        error = "the plot file '" + path + "' must end in .svg or .png";
        return false;
    }
    const bool svg = HasExtension(path, ".svg");
    // beside the target, so that the rename stays on one file system
    const std::string temp = path + ".part" + std::to_string(getpid()) + (svg ? ".svg" : ".png");

    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        svg ? cairo_svg_surface_create(temp.c_str(), width, height)
            : cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    cairo_status_t status = cairo_surface_status(surface.get());
    if (status == CAIRO_STATUS_SUCCESS) {
        if (svg) cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
        {
            std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(surface.get()));
            Draw(cr.get(), plot, width, height);
            status = cairo_status(cr.get());
        }
        if (status == CAIRO_STATUS_SUCCESS && !svg) status = cairo_surface_write_to_png(surface.get(), temp.c_str());
        cairo_surface_finish(surface.get()); // the SVG is written out here
        if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface.get());
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        unlink(temp.c_str());
        error = "cannot write the plot '" + path + "': " + cairo_status_to_string(status);
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        unlink(temp.c_str());
        error = "cannot write the plot '" + path + "': " + why;
        return false;
    }
    return true;
}
