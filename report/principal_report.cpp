#include "report/principal_report.hpp"

#include "report/labels.hpp"

namespace {

void angleFields(Rec& rec, bool withEsds, const AxisAngles& angles) {
    rec.x(5);
    const auto group = [&](const std::array<float, 3>& value, const std::array<float, 3>& esd) {
        for (int i = 0; i < 3; ++i) {
            if (withEsds) rec.f(7, 1, value[i]).text("(").f(4, 1, esd[i]).text(")");
            else rec.f(7, 1, value[i]).x(6);
        }
    };
    group(angles.toXyz, angles.toXyzEsd);
    group(angles.toAbc, angles.toAbcEsd);
}

}  // namespace

void principalAxisFields(Rec& rec, const PrincipalAxis& axis, bool withEsds, std::string_view circularLead) {
    if (withEsds) rec.f(10, 6, axis.strain).f(10, 6, axis.strainEsd).f(10, 6, axis.property).f(10, 6, axis.propertyEsd);
    else rec.f(10, 6, axis.strain).x(10).f(10, 6, axis.property).x(10);
    if (axis.hasDirection) angleFields(rec, withEsds, axis.angles);
    else rec.text(circularLead).text(kCircularSection);
}

void writePrincipalSection(RecordFile& out, const PairResult& r) {
    const bool withEsds = r.strain.esdCount > 0;
    out.emptyRecord();
    out.record(Rec().x(4).text(kPrincipalHeading));
    for (const PrincipalAxis& axis : r.principal) {
        Rec line;
        line.x(10);
        principalAxisFields(line, axis, withEsds, "    ");
        out.record(line);
    }
}
