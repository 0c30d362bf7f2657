#include "calc/process_data.hpp"

#include <cmath>
#include <string>

#include "calc/property_tensor.hpp"
#include "calc/strain_tensors.hpp"
#include "calc/validate_cells.hpp"
#include "input/readfile.hpp"
#include "report/header_report.hpp"
#include "report/orientation_report.hpp"
#include "report/principal_report.hpp"
#include "report/result_files.hpp"
#include "report/tensor_report.hpp"

namespace {

constexpr float kEsdPresentLimit = 1e-6f;  // esds summing to no more than this count as absent

int esdPresentFor(const DataPoint& point) {
    float sum = 0.0f;
    for (int k = 0; k < 6; ++k) sum += std::fabs(point.sigCell[k]);
    return sum > kEsdPresentLimit ? 1 : 0;
}

Cell sixOf(const std::array<float, 7>& seven) { return {seven[0], seven[1], seven[2], seven[3], seven[4], seven[5]}; }

// The change of the intensive variable, its esd and its midpoint.
Delta deltaFor(float x1, float s1, float x2, float s2) {
    const float v = s1 * s1 + s2 * s2;
    return {x2 - x1, v > 0.0f ? std::sqrt(v) : 0.0f, (x1 + x2) / 2.0f};
}

// Every file of the run, so that a failed write anywhere is reported rather than hidden.
bool flushAll(RunState& state) {
    bool ok = state.printFile.flush();
    for (RecordFile* f : {&state.strainCalFile, &state.tensorCalFile, &state.prinCalFile}) {
        ok = f->flush() && ok;
    }
    return ok;
}

}  // namespace

RunOutcome PROCESS_DATA(RunState& state) {
    READFILE(state);
    if (state.runError == 1) return RunOutcome::readError;
    if (state.nData < 2) {
        WLINE(state, "ONLY ONE DATUM IN INPUT FILE");
        return RunOutcome::onlyOneDatum;
    }
    // A cell that cannot exist would make every later number meaningless; stop before writing.
    if (const int bad = firstInvalidCell(state); bad != 0) {
        WLINE(state, "INVALID CELL IN DATA POINT " + std::to_string(bad));
        state.runError = 1;
        return RunOutcome::invalidCell;
    }

    WRITE_HEADER(state);
    const bool resultFilesOpen = OPEN_SUBSIDIARY_FILES(state);
    if (!resultFilesOpen) WLINE(state, "ERROR OPENING RESULT FILE");

    const RunOptions& options = state.options;
    const bool pressure = state.pressureRun == 1;
    const auto variable = [&](const DataPoint& d) { return pressure ? d.p : d.t; };
    const auto variableEsd = [&](const DataPoint& d) { return pressure ? d.sigP : d.sigT; };

    for (int i = 2; i <= state.nData; ++i) {
        const int first = options.incremental == 1 ? i - 1 : 1;
        const DataPoint& p1 = state.dataPoints[static_cast<std::size_t>(first - 1)];
        const DataPoint& p2 = state.dataPoints[static_cast<std::size_t>(i - 1)];
        CellPair pair{sixOf(p1.cell), sixOf(p2.cell), sixOf(p1.sigCell), sixOf(p2.sigCell), {}};
        state.esdPresent = {esdPresentFor(p1), esdPresentFor(p2)};
        pair.esdPresent = state.esdPresent;

        const Mat3 sMatrix1 = CALC_SMATRIX(pair.cell1, options.axisConvention);
        const Mat3 sMatrix2 = CALC_SMATRIX(pair.cell2, options.axisConvention);
        WRITE_ORIENTATION(state, first, i, sMatrix1, sMatrix2);

        const Delta delta = deltaFor(variable(p1), variableEsd(p1), variable(p2), variableEsd(p2));
        const StrainTensors tensors =
            CALC_STRAIN_TENSORS(pair, options.strainType, state.crystalSystem, options.axisConvention);
        WRITE_TENSOR(state, tensors, delta, options.strainType);
        if (tensors.principalAxes) WRITE_PRINCIPAL(state, tensors, delta);
    }

    if (!flushAll(state)) {
        WLINE(state, "ERROR WRITING REPORT OR RESULT FILES");
        return RunOutcome::writeError;
    }
    return resultFilesOpen ? RunOutcome::completed : RunOutcome::writeError;
}
