#include "report/tensor_report.hpp"

#include "report/labels.hpp"

namespace {

constexpr float kHeadingEsdLimit = 0.00001f;  // the esd heading names the T or P esds above this

// 10X,3(F9.6,6X),10X,3(F9.6,6X): row i of both tensors, each scaled by its own factor.
void writeRows(RecordFile& out, const Mat3& left, float leftFactor, const Mat3& right, float rightFactor) {
    for (int i = 1; i <= 3; ++i) {
        Rec rec;
        rec.x(10);
        for (int j = 1; j <= 3; ++j) rec.f(9, 6, leftFactor * left(i, j)).x(6);
        rec.x(10);
        for (int j = 1; j <= 3; ++j) rec.f(9, 6, rightFactor * right(i, j)).x(6);
        out.record(rec);
    }
}

}  // namespace

void writeTensorSection(RecordFile& out, const PairResult& r, StrainType strainType, bool pressure) {
    const StrainTensors& tensors = r.strain;
    const PropertyTensor& property = r.property;
    const int strainScale = tensorScalePower(tensors.strainTensor);
    // An undefined property tensor is shown unscaled, as NaN.
    const int propertyScale = property.defined ? tensorScalePower(property.propertyTensor) : 0;
    const float strainFactor = powerOfTen(strainScale);
    const float propertyFactor = powerOfTen(propertyScale);

    out.emptyRecord();
    out.emptyRecord();
    out.emptyRecord();
    out.record(Rec().x(5).a(24, rightAligned(strainTypeLabel(strainType), 24)).text(" STRAIN TENSOR BASED ON XYZ").x(10)
                   .a(24, pressure ? "COMPRESSIBILITY TENSOR  " : "THERMAL EXPANSION TENSOR"));
    if (strainScale != 0 && propertyScale == 0) {
        out.record(Rec().x(10).text("VALUES MULTIPLIED BY 10**").i(1, strainScale));
    } else if (strainScale == 0 && propertyScale != 0) {
        out.record(Rec().x(66).text("VALUES MULTIPLIED BY 10**").i(1, propertyScale));
    } else if (strainScale != 0 && propertyScale != 0) {
        out.record(Rec().x(10).text("VALUES MULTIPLIED BY 10**").i(1, strainScale).x(30)
                       .text("VALUES MULTIPLIED BY 10**").i(1, propertyScale));
    }
    writeRows(out, tensors.strainTensor, strainFactor, property.propertyTensor, propertyFactor);
    if (tensors.esdCount != 0) {
        out.record(Rec().x(10).text("ESTIMATED STANDARD DEVIATIONS")
                       .text(r.delta.changeEsd > kHeadingEsdLimit ? " FROM UNIT CELL AND INTENSIVE VARIABLE ESDS"
                                                                  : " FROM UNIT CELL ESD S ONLY"));
        writeRows(out, tensors.esdTensor, strainFactor, property.propertyEsd, propertyFactor);
    }
    if (!property.defined) {
        out.record(Rec().x(10).text(pressure ? "COMPRESSIBILITY TENSOR UNDEFINED: THE PRESSURE DID NOT CHANGE"
                                             : "THERMAL EXPANSION TENSOR UNDEFINED: THE TEMPERATURE DID NOT CHANGE"));
    }
}
