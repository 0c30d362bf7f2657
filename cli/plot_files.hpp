#pragma once
// The plots of a tenzio-batch run, written into their folder as one set: every file of it, or
// none replaced.
#include <filesystem>
#include <string>

#include "plots/data/plot_data.hpp"

// Creates `folder` when missing, draws the plots named after `name` with the plot writer module
// and puts all their files in place together once every one is complete, holding the folder
// against other runs meanwhile. Empty on success; otherwise what went wrong, naming the file and
// the system's reason, and that no plot file was replaced.
std::string writePlotSet(const PlotSet& plots, const std::filesystem::path& folder, const std::string& name);
