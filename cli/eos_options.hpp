#pragma once
// What the options of the equations of state in T and in P and T accept (--thermal, --pvt,
// --at-pt, --fix, --atoms), as CLI11 validators whose messages name the value and the cause, and
// the values they stand for.
#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "fit/state_fits.hpp"

CLI::Validator thermalModelChoice();  // "unknown V(T) model X (known: berman, fei)"
std::vector<ThermalModel> thermalModelsNamed(const std::vector<std::string>& names);

CLI::Validator pvtModelChoice();  // "unknown P-V-T model X (...)"
std::vector<PvtModel> pvtModelsNamed(const std::vector<std::string>& names);

// P:T, both finite numbers.
CLI::Validator pressureTemperaturePair();
PvtPoint pressureTemperatureOf(const std::string& text);

// NAME=VALUE, NAME a parameter of some model, VALUE a finite number.
CLI::Validator fixedParameter();
std::pair<std::string, double> fixedParameterOf(const std::string& text);
// Every parameter name --fix knows, for the help text and the messages.
std::string fixableParameterList();

// A number above 0.
CLI::Validator positiveValue();
