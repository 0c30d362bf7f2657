#pragma once
// The thermal energy of a Debye solid, for the Mie-Grueneisen-Debye thermal pressure.
//   E(T) = 9 N kB T (T/theta)^3 integral from 0 to theta/T of x^3/(e^x - 1) dx,
// which tends to the classical 3 N kB T at high T.

// The integral from 0 to u of x^3/(e^x - 1) dx, numerically (GSL's adaptive Gauss-Kronrod); NaN
// where u is not a finite number of at least 0.
double debyeIntegral(double u);

// E / (N kB) in kelvin, for T and theta above 0 K; NaN otherwise.
double debyeEnergy(double t, double theta);
