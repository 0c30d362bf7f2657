#pragma once
// The plots of a tenzio-batch run, written into their folder as one set: every file of it, or
// none replaced.
#include <cstddef>
#include <filesystem>
#include <string>

#include "plots/data/plot_recorder.hpp"

// Creates `folder` when missing, writes the plots of the run, with the surface of calculation
// `surfaceK` (0: the default), named after `name` (the figures drawn by the plot writer module)
// and puts all their files in place together once every one is complete, holding the folder
// against other runs meanwhile. Empty on success; otherwise what went wrong, naming the file and
// the system's reason, and that no plot file was replaced.
std::string writePlotSet(const PlotRecorder& record, std::size_t surfaceK, const std::filesystem::path& folder,
                         const std::string& name);
