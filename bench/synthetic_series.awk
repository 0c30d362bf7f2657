# A reproducible synthetic triclinic series with esds on every parameter, in the data-file format:
#   awk -v n=POINTS -f bench/synthetic_series.awk              T from 100 to 400 K, the cell drifting
#   awk -v n=POINTS -v pressure=1 -f bench/synthetic_series.awk  P from 0 to 8 GPa, each edge on its
#                                                                own Murnaghan curve
# The temperature series uses no transcendental function and Park-Miller's generator, exact in
# double arithmetic, so every awk on every machine writes the same file; bench/synthetic_series.hpp
# is the same generator for the in-process benchmarks.
function uniform() { seed = (16807 * seed) % 2147483647; return seed / 2147483647 }
function noise(  s) { s = uniform(); s += uniform(); s += uniform(); s += uniform(); return (s - 2) * 1.7320508 }
BEGIN {
  seed = 20261207
  if (pressure) { pressureSeries(); exit }
  print "TITLE Synthetic triclinic series, " n " points, esds on every parameter, drifting with T"
  print "SYSTEM TRICLINIC"
  print "LINE1 T SIGT A SIGA B SIGB C SIGC ALPHA SIGALPHA BETA SIGBETA GAMMA SIGGAMMA"
  print "DATA"
  for (i = 0; i < n; i++) {
    t = 100 + 300 * i / (n > 1 ? n - 1 : 1); x = t - 100
    a  = 6.18  * (1 + 6.0e-5 * x + 4e-8 * x * x) + 3e-4 * noise()
    b  = 10.83 * (1 + 1.2e-5 * x)                + 4e-4 * noise()
    c  = 17.41 * (1 + 5.0e-5 * x - 2e-8 * x * x) + 5e-4 * noise()
    al = 76.87 + 1.0e-3 * x + 3e-3 * noise()
    be = 84.46 - 4.0e-3 * x + 8e-3 * noise()
    ga = 81.58 - 3.0e-3 * x + 8e-3 * noise()
    st = 0.05 + 0.05 * uniform();     sa = 0.002 + 0.002 * uniform()
    sb = 0.0015 + 0.001 * uniform();  sc = 0.002 + 0.001 * uniform()
    sal = 0.006 + 0.004 * uniform();  sbe = 0.02 + 0.02 * uniform(); sga = 0.02 + 0.02 * uniform()
    printf "%.3f %.3f %.5f %.5f %.5f %.5f %.5f %.5f %.4f %.4f %.4f %.4f %.4f %.4f\n", \
      t, st, a, sa, b, sb, c, sc, al, sal, be, sbe, ga, sga
  }
}

function edge(x0, m0, mp, p) { return x0 * (1 + mp * p / m0) ^ (-1 / mp) }
function pressureSeries(  i, p, s, a, b, c, al, be, ga, sp, sa, sb, sc, sal, sbe, sga) {
  print "TITLE Synthetic triclinic pressure series, " n " points, esds on every parameter"
  print "SYSTEM TRICLINIC"
  print "UNITS P GPa"
  print "LINE1 P SIGP A SIGA B SIGB C SIGC ALPHA SIGALPHA BETA SIGBETA GAMMA SIGGAMMA"
  print "DATA"
  for (i = 0; i < n; i++) {
    p = 8 * i / (n > 1 ? n - 1 : 1); s = p / (1 + 0.3 * p)
    a  = edge(6.18, 60, 12, p) + 3e-4 * noise()
    b  = edge(10.83, 110, 15, p) + 4e-4 * noise()
    c  = edge(17.41, 80, 10, p) + 5e-4 * noise()
    al = 76.87 + 0.05 * s + 3e-3 * noise()
    be = 84.46 - 0.08 * s + 8e-3 * noise()
    ga = 81.58 - 0.03 * s + 8e-3 * noise()
    sp = 0.01 + 0.02 * uniform();     sa = 0.002 + 0.002 * uniform()
    sb = 0.0015 + 0.001 * uniform();  sc = 0.002 + 0.001 * uniform()
    sal = 0.006 + 0.004 * uniform();  sbe = 0.02 + 0.02 * uniform(); sga = 0.02 + 0.02 * uniform()
    printf "%.4f %.4f %.5f %.5f %.5f %.5f %.5f %.5f %.4f %.4f %.4f %.4f %.4f %.4f\n", \
      p, sp, a, sa, b, sb, c, sc, al, sal, be, sbe, ga, sga
  }
}
