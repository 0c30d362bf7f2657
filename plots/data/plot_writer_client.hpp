#pragma once
// The batch command's way to the plot files: loads the plot writer module (and with it Qt) only
// when it is called.
#include <filesystem>
#include <string>
#include <vector>

#include "plots/data/plot_data.hpp"

// The file name of the module.
inline constexpr const char* kPlotWriterFile = "tenzio_plotwriter.so";

// Where the module is looked for, in order: lib/tenzio/ beside the executable's folder (the
// installed layout, <prefix>/bin and <prefix>/lib/tenzio, which the build tree repeats), then
// the executable's own folder.
std::vector<std::filesystem::path> plotWriterCandidates();

// Every file the module may write for `name`: NAME_coefficients, NAME_strains, NAME_cell and,
// for a pressure series, NAME_ff and NAME_compressibility, each as .svg, .png and .csv, and
// NAME_surface as .svg and .png.
std::vector<std::string> plotFileNames(const std::string& name);

// Draws the plot files named after `name` with the module and hands each to `sink`. An empty
// result means success; otherwise it says what went wrong.
std::string writePlotFilesWithModule(const PlotSet& plots, const std::string& name, const PlotFileSink& sink);
