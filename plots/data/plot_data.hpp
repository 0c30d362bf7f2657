#pragma once
// What the plots of a run show, as plain numbers and texts: built from the run's records without
// any toolkit (plot_recorder.hpp, figures.hpp), drawn by the Qt side (draw/figure_plot.hpp,
// draw/surface_plot.hpp). Header only and free of functions, so that the plot writer module
// shares it with tenzio-batch without linking anything of the program.
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LIBRARIES/math/mat3.hpp"

// The fixed colours of the plots. A principal axis (or diagonal component) keeps its colour in
// every plot; the cell parameters have theirs; fitted curves without an axis of their own are
// grey; the representation surface shows the sign of its value in two more. From the Okabe-Ito
// palette, which stays distinct for colour-blind readers.
enum class PlotColour { axis1, axis2, axis3, cellA, cellB, cellC, volume, fit, positive, negative };

// The most points of a line drawn with markers and error bars; a figure with a longer line is
// drawn as lines alone, and its caption says so.
inline constexpr std::size_t kMostMarkedPoints = 2000;

// Measured values with their esds: markers joined in the order of their points, error bars of
// ± one esd. Values are stored as measured (strains as fractions, coefficients per unit of T or
// P, edges in Å); the panel's scale turns them into the numbers shown.
struct PlotLine {
    std::string name;                  // legend text
    std::vector<std::string> columns;  // CSV columns it stands for: "axis_1"; "a", "b" when a = b
    PlotColour colour = PlotColour::axis1;
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> esd;   // NaN where the point carries none: no error bar, an empty CSV field
    std::vector<float> xEsd;  // horizontal error bars, or empty
    bool inLegend = true;     // false where the panel's y label names the line well enough
    bool joined = true;       // markers joined by a line; not where a fitted curve stands for them
};

// Where a fitted curve crosses the edge of its panel's y range (stored units): the top edge
// (upward) or the bottom one.
struct CurveExit {
    double x = 0.0;
    double y = 0.0;
    bool upward = true;
};

// A fitted function as a smooth line with a band of ± one esd round it.
struct FittedCurve {
    std::string name;    // legend text; empty: the figure's fitLegend stands for it
    // CSV columns of a figure made of curves alone ("axis_1"; "X", "Y" where X = Y by symmetry);
    // else unused.
    std::vector<std::string> columns;
    PlotColour colour = PlotColour::fit;
    bool dashed = false;
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> esd;  // empty: no band
    // Where the curve crosses the edge of its panel's y range, cut there (x, y on the edge): each
    // is marked, so that a curve that stops inside the plot is seen to run on beyond it.
    std::vector<CurveExit> exits;
};

// One plot area with its own y axis.
struct PlotPanel {
    std::string yLabel;
    double scale = 1.0;  // the number shown is the stored value times this
    std::vector<PlotLine> lines;
    std::vector<FittedCurve> curves;
    bool zeroLine = false;  // a line at y = 0, kept in view
    // The y range shown (stored units) when a few values lie far outside the rest: those are
    // drawn at the edge as arrows with their values, so that one outlier does not flatten the plot.
    std::optional<std::array<double, 2>> yRange;
};

struct Figure {
    std::string xLabel;
    std::vector<PlotPanel> panels;  // one, or a small panel per cell parameter
    int columns = 1;                // panels per row
    std::string fitLegend;          // legend entry (a grey line) for curves without a name
    std::string caption;            // under the plot, in the window and in every file
    std::string note;               // for the reader of the window, under the plot; not in exported files
};

// One principal section of the representation surface: the plane of principal axes `first` and
// `second` (0 to 2). Points lie at the value's magnitude along each direction of the plane, in
// the plane's own coordinates (along `first`, along `second`), the curve closed.
struct SurfaceSection {
    int first = 0;
    int second = 1;
    std::vector<std::array<float, 2>> points;
    std::vector<float> values;                          // the signed value at each point
    std::array<std::array<float, 2>, 3> crystalAxes{};  // a, b, c (unit vectors) projected on the plane
};

struct SurfaceData {
    int calculation = 0;                     // the calculation's number
    std::string label;                       // names the calculation in a list: its pair and T or P
    bool defined = false;                    // the property tensor exists (T or P changed)
    std::string valueLabel;                  // "α (10⁻⁶ K⁻¹)": the scaled values' name
    std::array<Vec3, 3> axes{};              // orthonormal principal directions on X, Y, Z
    std::array<float, 3> values{};           // the scaled value along each of them
    std::array<std::string, 3> axisNames;    // "1", "2", "3" as the report numbers them, or "X", "Y", "Z"
    std::array<Vec3, 3> crystalAxes{};       // a, b, c of the reference cell as unit vectors on X, Y, Z
    std::array<SurfaceSection, 3> sections;  // planes (1, 2), (1, 3), (2, 3)
    // The surface as a grid of `rows` x `columns` points on X, Y, Z (rows from +Z to -Z, columns
    // round the Z axis and closed), each at the magnitude of the value along its direction.
    int rows = 0;
    int columns = 0;
    std::vector<Vec3> meshPoints;
    std::vector<float> meshValues;
};

// The 3-D view's direction, in degrees: round Z from +X towards +Y, and above the XY plane.
struct SurfaceViewAngles {
    double azimuth = 35.0;
    double elevation = 25.0;
};

// A table of fitted numbers for the window, every cell a text ("24.6(9)").
struct FitTable {
    std::string title;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::string note;  // under the table: what the numbers are, failures and their reasons
};

// A figure with the stem of its files: NAME_stem.svg, .png and .csv.
struct NamedFigure {
    std::string stem;   // "coefficients", "strains", "cell", "ff", "compressibility"
    std::string title;  // the window's tab
    Figure figure;
    std::string csv;    // the numbers behind it (plot_csv.hpp)
};

struct PlotSet {
    std::vector<NamedFigure> figures;  // in the order of the window's tabs
    SurfaceData surface;               // the representation surface of one chosen calculation
};

// Takes one plot file, by its name without folder, and its bytes; false, with the reason in
// `error`, when it cannot.
using PlotFileSink = std::function<bool(const std::string& fileName, std::string_view bytes, std::string& error)>;

// The plot writer module's entry point, loaded by tenzio-batch only when plots are asked for.
// Draws each figure as NAME_stem.svg, .png and .csv and the surface as NAME_surface.svg and .png,
// and hands each file to `sink`, which writes it. Returns 0 on success; otherwise fills `message`
// with the reason.
inline constexpr int kPlotWriterVersion = 5;  // changes with the layout of PlotFilesRequest or PlotSet
struct PlotFilesRequest {
    int version = kPlotWriterVersion;  // the module refuses a request of another layout
    const PlotSet* plots = nullptr;
    std::string name;
    const PlotFileSink* sink = nullptr;
    std::string* message = nullptr;
};
inline constexpr const char* kPlotWriterEntry = "tenzio_write_plot_files";
using PlotWriterEntry = int (*)(const PlotFilesRequest*);
