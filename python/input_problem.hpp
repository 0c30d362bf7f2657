#pragma once
// Input the module cannot use (a file that cannot be read, arrays of the wrong shape, an option
// word it does not know): raised in Python as tenzio.InputError, a ValueError, with this message.
#include <stdexcept>
#include <string>

struct InputProblem : std::runtime_error {
    explicit InputProblem(const std::string& message) : std::runtime_error(message) {}
};
