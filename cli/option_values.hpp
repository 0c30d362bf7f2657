#pragma once
// What the numeric and named options of tenzio-batch accept. Each check is a CLI11 validator
// whose message names the value and says what was wanted (CLI11 puts the option's name first:
// "--fit-order: abc is not a whole number"); it trims blanks and hands CLI11 the value in a form
// its own conversion reads.
#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "fit/fit_result.hpp"

// A whole number (blanks trimmed, an optional sign): "abc is not a whole number".
CLI::Validator wholeNumber();
// A whole number from low to high: "7 is not from 1 to 4".
CLI::Validator wholeNumberFrom(int low, int high);

// A T or P written as the data file writes them (parseReal), finite in single precision:
// "abc is not a number", "nan is not a finite number", "1e39 is beyond single precision".
CLI::Validator finiteValue();
// The float a text that finiteValue accepted stands for, as the data file reader would hold it.
float finiteValueOf(const std::string& text);

// An equation of state's name, any case: "unknown equation of state BM7 (known: BM2, BM3, ...)".
CLI::Validator eosModelChoice();
// The models named, each once, in the order first named.
std::vector<EosModel> eosModelsNamed(const std::vector<std::string>& names);
// "BM2, BM3, BM4, ...": every model, for the help text and the messages.
std::string knownEosModelList();
