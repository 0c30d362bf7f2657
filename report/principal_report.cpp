#include "report/principal_report.hpp"

#include "calc/principal_axes.hpp"
#include "report/labels.hpp"

namespace {

// The values of one axis line: strain, [esd,] property, [esd]; without esds their columns stay blank.
void valueFields(Rec& rec, bool withEsds, float strain, float strainEsd, float property, float propertyEsd) {
    if (withEsds) rec.f(10, 6, strain).f(10, 6, strainEsd).f(10, 6, property).f(10, 6, propertyEsd);
    else rec.f(10, 6, strain).x(10).f(10, 6, property).x(10);
}

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

void WRITE_PRINCIPAL(RunState& state, const StrainTensors& t, const Delta& delta) {
    const PrincipalProperty property = principalPropertyOf(t.eigenValues, t.eigenValueEsds, delta, state.pressureRun);
    const bool withEsds = t.esdCount > 0;

    state.printFile.emptyRecord();
    state.printFile.record(Rec().x(4).text(kPrincipalHeading));
    for (int m = 1; m <= 3; ++m) {
        Rec line;  // the report line
        Rec data;  // the result-file line: the same with the midpoint in front
        line.x(10);
        data.x(10).f(8, 2, delta[2]);
        for (Rec* rec : {&line, &data}) {
            valueFields(*rec, withEsds, t.eigenValues[m - 1], t.eigenValueEsds[m - 1], property.principalProperty[m - 1],
                        property.principalPropertyEsd[m - 1]);
        }
        if (isCircularSection(t.eigenVectors, t.eigenFlag, m)) {
            line.text("    ").text(kCircularSection);
            data.text(" ").text(kCircularSection);
        } else {
            const AxisAngles angles = principalAxisAngles(t.eigenVectors, t.eigenVectorEsds, t.referenceSMatrix, m);
            angleFields(line, withEsds, angles);
            angleFields(data, withEsds, angles);
        }
        state.printFile.record(line);
        state.prinCalFile.record(data);
    }
}
