#pragma once
// GSL reports errors by calling a handler that aborts by default; the fits read its return codes
// instead. The guard turns the handler off for its lifetime and puts the earlier one back.
#include <gsl/gsl_errno.h>

class GslErrorsAsValues {
public:
    GslErrorsAsValues() : previous_(gsl_set_error_handler_off()) {}
    ~GslErrorsAsValues() { gsl_set_error_handler(previous_); }
    GslErrorsAsValues(const GslErrorsAsValues&) = delete;
    GslErrorsAsValues& operator=(const GslErrorsAsValues&) = delete;

private:
    gsl_error_handler_t* previous_;
};
