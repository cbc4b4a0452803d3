// quorvex count --plot: how comparisons or accesses grow with the size, on
// log-log axes, drawn with cairo into an SVG or a PNG file (no display).
#ifndef QUORVEX_GROWTHPLOT_H
#define QUORVEX_GROWTHPLOT_H

#include <cstddef>
#include <string>
#include <vector>

struct GrowthPoint
{
    double size;
    double value; // points whose value is not above 0 have no place on a log axis
};

// One chart: a title (the input type) and one line per legend entry, each
// with its points in ascending size (possibly none).
struct GrowthChart
{
    std::string title;
    std::vector<std::vector<GrowthPoint>> lines;
};

struct GrowthPlot
{
    std::string metric;              // what the y axis counts, e.g. "comparisons"
    std::vector<std::string> legend; // one name per line, shared by every chart; a
                                     // line with no point is greyed out there
    std::vector<GrowthChart> charts; // drawn in a grid, two columns when more than one
};

// The default picture size for a plot of `charts` charts with `lines` lines.
void GrowthPlotDefaultSize(size_t charts, size_t lines, int& width, int& height);

// True if the file name ends in .svg or .png (case ignored).
bool IsGrowthPlotName(const std::string& path);

// Draws the plot into `path` (.svg or .png, by its extension) at width x
// height pixels. Writes beside the target and renames into place, so that a
// failure leaves no partial file. On failure returns false with a message.
bool WriteGrowthPlot(const GrowthPlot& plot, const std::string& path, int width, int height, std::string& error);

// The colour (red, green, blue from 0 to 1) and dash pattern of line k; a
// line's legend sample has the same.
struct LineStyle
{
    double red, green, blue;
    std::vector<double> dashes; // empty: solid
};
LineStyle GrowthLineStyle(size_t k);

#endif
