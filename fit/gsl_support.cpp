#include "fit/gsl_support.hpp"
