#include "fit/gsl_support.hpp"

#include <mutex>

namespace {

// The guards alive in the process and the handler the first of them replaced.
std::mutex guardsLock;
int guardsAlive = 0;
gsl_error_handler_t* handlerBefore = nullptr;

}  // namespace

GslErrorsAsValues::GslErrorsAsValues() {
    const std::lock_guard<std::mutex> hold(guardsLock);
    if (guardsAlive++ == 0) handlerBefore = gsl_set_error_handler_off();
}

GslErrorsAsValues::~GslErrorsAsValues() {
    const std::lock_guard<std::mutex> hold(guardsLock);
    if (--guardsAlive == 0) gsl_set_error_handler(handlerBefore);
}
