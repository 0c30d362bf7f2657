#pragma once
// GSL reports errors by calling a handler that aborts by default; the fits read its return codes
// instead. The guard turns the handler off for its lifetime and puts the earlier one back.
// The handler is one for the whole process, so the guards of fits running on several threads at
// once share it: the first guard turns it off, the last one puts it back, and no fit finds it
// turned on again by another fit that ended first.
#include <gsl/gsl_errno.h>

class GslErrorsAsValues {
public:
    GslErrorsAsValues();
    ~GslErrorsAsValues();
    GslErrorsAsValues(const GslErrorsAsValues&) = delete;
    GslErrorsAsValues& operator=(const GslErrorsAsValues&) = delete;
};
