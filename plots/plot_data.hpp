#pragma once
// What the plots of a run show, as plain numbers and texts: built from the run's records without
// any toolkit (plot_collector.hpp), drawn by the Qt side (figure_plot.hpp, surface_plot.hpp).
// Header only and free of functions, so that the plot writer module shares it with tenzio-batch
// without linking anything of the program.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "LIBRARIES/math/mat3.hpp"

// The fixed colours of the plots. A principal axis (or diagonal component) keeps its colour in
// every plot; the crystal axes have theirs; the representation surface shows the sign of its
// value in two more. All from the Okabe-Ito palette, which stays distinct for colour-blind readers.
enum class PlotColour { axis1, axis2, axis3, cellA, cellB, cellC, volume, positive, negative };

// The most points of a line drawn with markers and error bars; a longer series is drawn as lines
// alone, and the figure says so.
inline constexpr std::size_t kMostMarkedPoints = 2000;

// One line of a plot: a value and its esd at each x. An esd of 0 draws no error bar.
struct PlotLine {
    std::string name;  // legend text
    PlotColour colour = PlotColour::axis1;
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> esd;
};

struct Figure {
    std::string xLabel;
    std::string yLabel;
    std::vector<PlotLine> lines;
    bool zeroLine = false;  // a line at y = 0
    std::string note;       // for the reader of the window, under the plot; not in exported files
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
    std::string valueLabel;                  // "α (10⁻⁶ per unit of T)": the scaled values' name
    std::array<Vec3, 3> axes{};              // orthonormal principal directions on X, Y, Z
    std::array<float, 3> values{};           // the scaled value along each of them
    std::array<std::string, 3> axisNames;    // "1", "2", "3", or "X", "Y", "Z" without principal axes
    std::array<Vec3, 3> crystalAxes{};       // a, b, c of the reference cell as unit vectors on X, Y, Z
    std::array<SurfaceSection, 3> sections;  // planes (1, 2), (1, 3), (2, 3)
    // The surface as a grid of `rows` x `columns` points on X, Y, Z (rows from +Z to -Z, columns
    // round the Z axis and closed), each at the magnitude of the value along its direction.
    int rows = 0;
    int columns = 0;
    std::vector<Vec3> meshPoints;
    std::vector<float> meshValues;
};

struct PlotSet {
    Figure coefficients;  // principal property values (or diagonal components) against T or P
    Figure strains;       // the same for the strains, in %
    Figure cell;          // a, b, c, V relative to the first point, in %
    SurfaceData surface;  // the representation surface of one chosen calculation
};

// The plot writer module's entry point, loaded by tenzio-batch only when plots are asked for.
// Writes NAME_coefficients, NAME_strains, NAME_cell and NAME_surface (the surface of
// calculation in plots->surface) as .svg and .png into `folder`, which exists. Returns 0 on
// success; otherwise fills `message` with the reason.
inline constexpr int kPlotWriterVersion = 1;  // changes with the layout of PlotFilesRequest or PlotSet
struct PlotFilesRequest {
    int version = kPlotWriterVersion;  // the module refuses a request of another layout
    const PlotSet* plots = nullptr;
    std::string folder;
    std::string name;
    std::string* message = nullptr;
};
inline constexpr const char* kPlotWriterEntry = "tenzio_write_plot_files";
using PlotWriterEntry = int (*)(const PlotFilesRequest*);
