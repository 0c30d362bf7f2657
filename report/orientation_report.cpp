#include "report/orientation_report.hpp"

#include <cmath>
#include <span>

#include "calc/cell_geometry.hpp"

namespace {

std::string_view conventionLabel(int axisConvention) {
    switch (axisConvention) {
        case 2: return "Y//B AND Z//C*: QUILLOM & DOVRAKIAN      ";
        case 3: return "X//A* AND Y//B: VIREL & TAMSK            ";
        default: return "X//A* AND Z//C: IRE CONVENTION           ";
    }
}

void writeCell(RecordFile& out, std::string_view label, const DataPoint& point, int esdPresent) {
    const std::span<const float> six(point.cell.data(), 6);
    out.record(Rec().x(2).text(label).f(10, 5, six).x(2).text("AT P = ").f(7, 3, point.p).text(" AND T = ").f(7, 2, point.t));
    if (esdPresent == 1) {
        out.record(Rec().x(2).text("   ESD").f(10, 5, std::span<const float>(point.sigCell.data(), 6)).x(9)
                       .f(7, 3, point.sigP).x(9).f(7, 2, point.sigT));
        out.emptyRecord();
    }
}

Cell reciprocalInDegrees(const DataPoint& point) {
    Cell direct;
    std::copy_n(point.cell.begin(), 6, direct.begin());
    Cell r = CELL_TO_RECIP(direct);
    for (int k = 3; k < 6; ++k) r[k] = r[k] / kDegToRad;
    return r;
}

// Angle in degrees between Cartesian axis k and crystal axis j of a cell.
float axisAngle(const Mat3& s, const DataPoint& point, int j, int k) {
    return std::acos(s(j, k) / point.cell[j - 1]) / kDegToRad;
}

}  // namespace

void WRITE_ORIENTATION(RunState& state, int firstPoint, int secondPoint, const Mat3& sMatrix1, const Mat3& sMatrix2) {
    RecordFile& out = state.printFile;
    const DataPoint& p1 = state.dataPoints[static_cast<std::size_t>(firstPoint - 1)];
    const DataPoint& p2 = state.dataPoints[static_cast<std::size_t>(secondPoint - 1)];
    ++state.calculationNumber;

    out.emptyRecord();
    out.emptyRecord();
    out.emptyRecord();
    out.record(Rec().fill(44, '*').text(" OUTPUT FROM CALCULATION NO. ").i(3, state.calculationNumber).x(1).fill(44, '*'));
    out.emptyRecord();
    out.record(Rec().text("  CELL PARAMETERS"));
    writeCell(out, "BEFORE", p1, state.esdPresent[0]);
    writeCell(out, "AFTER ", p2, state.esdPresent[1]);

    const Cell r1 = reciprocalInDegrees(p1);
    const Cell r2 = reciprocalInDegrees(p2);
    out.emptyRecord();
    out.record(Rec().text("  RECIPROCAL CELL PARAMETERS"));
    out.record(Rec().x(2).text("BEFORE").f(10, 5, r1));
    out.record(Rec().x(2).text("AFTER ").f(10, 5, r2));

    out.emptyRecord();
    out.emptyRecord();
    out.record(Rec().text("  CARTESIAN AXES SET WITH ").a(40, conventionLabel(state.options.axisConvention)));

    out.emptyRecord();
    out.record(Rec().text("  ANGLES BETWEEN XYZ AND ABC SYSTEMS"));
    out.record(Rec().x(10).text(" FOR LAGRANGIAN STRAINS TO CELL 1").x(3).text("FOR EULERIAN STRAINS TO CELL 2"));
    out.record(Rec().x(20).text("+A").x(7).text("+B").x(7).text("+C").x(14).text("+A").x(7).text("+B").x(7).text("+C"));
    out.emptyRecord();
    static constexpr std::string_view kAxisNames[] = {"+X", "+Y", "+Z"};
    for (int k = 1; k <= 3; ++k) {
        Rec rec;
        rec.x(12).a(2, kAxisNames[k - 1]).x(1);
        for (int j = 1; j <= 3; ++j) rec.f(9, 2, axisAngle(sMatrix1, p1, j, k));
        rec.x(5).a(2, kAxisNames[k - 1]);
        for (int j = 1; j <= 3; ++j) rec.f(9, 2, axisAngle(sMatrix2, p2, j, k));
        out.record(rec);
    }

    out.emptyRecord();
    out.record(Rec().text("  S-MATRICES FOR INITIAL AND FINAL CELLS:"));
    for (int j = 1; j <= 3; ++j) {
        out.record(Rec().x(9).f(10, 5, sMatrix1(j, 1)).f(10, 5, sMatrix1(j, 2)).f(10, 5, sMatrix1(j, 3)).x(10)
                       .f(10, 5, sMatrix2(j, 1)).f(10, 5, sMatrix2(j, 2)).f(10, 5, sMatrix2(j, 3)));
    }
}
