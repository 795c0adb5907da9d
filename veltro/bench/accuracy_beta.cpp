// Accuracy of veltro's beta family, factorials, bd0 and logGammaAS245 beside their peers on the
// rows of data/*.csv, one CSV line per (function, implementation, row) on stdout (format in
// AccuracyCsv.hpp) and a summary on stderr. scripts/accuracy-plots reads the CSV.
//   veltro_bench_accuracy_beta > beta.csv
#include "BetaPeers.hpp"

int main() {
#ifdef HAVE_GSL
  gsl_set_error_handler_off();
#endif
  veltro::bench::printAccuracyHeader();
  for (const auto& fn : veltro::bench::betaFunctions()) {
    veltro::bench::printAccuracyRows(veltro::bench::readFunctionRows(fn),
                                     veltro::bench::betaImplementations(fn.function));
  }
  return 0;
}
