#include "report/orientation_report.hpp"

#include "report/labels.hpp"

namespace {

void writeCell(RecordFile& out, std::string_view label, const DataPoint& point, bool esdPresent) {
    out.record(Rec().x(2).text(label).f(10, 5, point.cell.values()).x(2).text("AT P = ").f(7, 3, point.p).text(" AND T = ").f(7, 2, point.t));
    if (esdPresent) {
        out.record(Rec().x(2).text("   ESD").f(10, 5, point.cell.esd.values()).x(9)
                       .f(7, 3, point.sigP).x(9).f(7, 2, point.sigT));
        out.emptyRecord();
    }
}

}  // namespace

void writeOrientationSection(RecordFile& out, const PairResult& r, AxialSet axisConvention) {
    out.emptyRecord();
    out.emptyRecord();
    out.emptyRecord();
    out.record(Rec().fill(44, '*').text(" OUTPUT FROM CALCULATION NO. ").i(3, r.calculationNumber).x(1).fill(44, '*'));
    out.emptyRecord();
    out.record(Rec().text("  CELL PARAMETERS"));
    writeCell(out, "BEFORE", r.point1, r.esdPresent[0]);
    writeCell(out, "AFTER ", r.point2, r.esdPresent[1]);

    out.emptyRecord();
    out.record(Rec().text("  RECIPROCAL CELL PARAMETERS"));
    out.record(Rec().x(2).text("BEFORE").f(10, 5, r.reciprocal1.values()));
    out.record(Rec().x(2).text("AFTER ").f(10, 5, r.reciprocal2.values()));

    out.emptyRecord();
    out.emptyRecord();
    out.record(Rec().text("  CARTESIAN AXES SET WITH ").a(40, padded(axialSetLabel(axisConvention), 40)));

    out.emptyRecord();
    out.record(Rec().text("  ANGLES BETWEEN XYZ AND ABC SYSTEMS"));
    out.record(Rec().x(10).text(" FOR LAGRANGIAN STRAINS TO CELL 1").x(3).text("FOR EULERIAN STRAINS TO CELL 2"));
    out.record(Rec().x(20).text("+A").x(7).text("+B").x(7).text("+C").x(14).text("+A").x(7).text("+B").x(7).text("+C"));
    out.emptyRecord();
    static constexpr std::string_view kAxisNames[] = {"+X", "+Y", "+Z"};
    for (int k = 1; k <= 3; ++k) {
        Rec rec;
        rec.x(12).a(2, kAxisNames[k - 1]).x(1);
        for (int j = 1; j <= 3; ++j) rec.f(9, 2, r.axisAngles1(j, k));
        rec.x(5).a(2, kAxisNames[k - 1]);
        for (int j = 1; j <= 3; ++j) rec.f(9, 2, r.axisAngles2(j, k));
        out.record(rec);
    }

    out.emptyRecord();
    out.record(Rec().text("  S-MATRICES FOR INITIAL AND FINAL CELLS:"));
    const Mat3& s1 = r.sMatrix1;
    const Mat3& s2 = r.sMatrix2;
    for (int j = 1; j <= 3; ++j) {
        out.record(Rec().x(9).f(10, 5, s1(j, 1)).f(10, 5, s1(j, 2)).f(10, 5, s1(j, 3)).x(10)
                       .f(10, 5, s2(j, 1)).f(10, 5, s2(j, 2)).f(10, 5, s2(j, 3)));
    }
}
