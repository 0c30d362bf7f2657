#include "report/print_report.hpp"

#include "report/header_report.hpp"
#include "report/orientation_report.hpp"
#include "report/principal_report.hpp"
#include "report/tensor_report.hpp"

bool PrintReport::begin(const RunHeader& header) {
    options_ = header.options;
    pressureRun_ = header.series.pressureRun;
    writeHeaderSection(out_, header);
    return out_.isOpen();
}

void PrintReport::calculation(const PairResult& r) {
    writeOrientationSection(out_, r, options_.axisConvention);
    writeTensorSection(out_, r, options_.strainType, pressureRun_);
    if (r.principalAxes) writePrincipalSection(out_, r);
}

bool PrintReport::end() { return out_.flush(); }
