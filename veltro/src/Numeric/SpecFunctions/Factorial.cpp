// SPDX-License-Identifier: MIT
// Factorials, log-factorials and binomial coefficients.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Numeric/SpecFunctions/Factorial.hpp>

#include <Numeric/SpecFunctions/Beta.hpp>
#include <Numeric/Veltro/Constants.hpp>

#include "Messages.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace Numeric::SpecFunctions {
namespace {

using Numeric::Veltro::Constants::m_ln_sqrt_2_pi;

// Two's-complement subtraction: n − k wraps instead of overflowing, as 64-bit machine integers do.
std::int64_t wrapSub(std::int64_t n, std::int64_t k) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(n) - static_cast<std::uint64_t>(k));
}

}  // namespace

namespace Internal {

// n! rounded toward zero to a double (exact up to 22!), generated from exact integer factorials.
const double factorialTable[171] = {
    0x1.0000000000000p+0, 0x1.0000000000000p+0, 0x1.0000000000000p+1,
    0x1.8000000000000p+2, 0x1.8000000000000p+4, 0x1.e000000000000p+6,
    0x1.6800000000000p+9, 0x1.3b00000000000p+12, 0x1.3b00000000000p+15,
    0x1.6260000000000p+18, 0x1.baf8000000000p+21, 0x1.308a800000000p+25,
    0x1.c8cfc00000000p+28, 0x1.7328cc0000000p+32, 0x1.44c3b28000000p+36,
    0x1.3077775800000p+40, 0x1.3077775800000p+44, 0x1.437eeecd80000p+48,
    0x1.6beecca730000p+52, 0x1.b02b930689000p+56, 0x1.0e1b3be415a00p+61,
    0x1.6283be9b5c620p+65, 0x1.e77526159f06cp+69, 0x1.5e5c335f8a4cdp+74,
    0x1.06c52687a7b9ap+79, 0x1.9a940c33f6120p+83, 0x1.4d9849ea37eeap+88,
    0x1.19787e5d9f316p+93, 0x1.ec92dd23d6966p+97, 0x1.be6518687a785p+102,
    0x1.a27ec6e1f2d0cp+107, 0x1.956ad0aae33a4p+112, 0x1.956ad0aae33a4p+117,
    0x1.a21627303a541p+122, 0x1.bc3789a33df95p+127, 0x1.e5dcbe8a8bc8bp+132,
    0x1.114c2b2deea0ep+138, 0x1.3c0011ed1bea0p+143, 0x1.774015499125ep+148,
    0x1.c95619f1a8e63p+153, 0x1.1dd5d037098fep+159, 0x1.6e39f2c684405p+164,
    0x1.e0ac0ea48d947p+169, 0x1.42f399d68f1fcp+175, 0x1.bc0ef38704cbap+180,
    0x1.383a833aef5f3p+186, 0x1.c0d41ca4b818dp+191, 0x1.499bc508f7324p+197,
    0x1.ee69a78d72cb6p+202, 0x1.7a88e4484be3bp+208, 0x1.27baf2587b49ep+214,
    0x1.d751f23d047dcp+219, 0x1.7ef294d193a63p+225, 0x1.3d20e33d8e45ap+231,
    0x1.0b93bfbbf00acp+237, 0x1.cbe5f18b04927p+242, 0x1.92693359a4002p+248,
    0x1.6665b1bbd6102p+254, 0x1.44cc291239feap+260, 0x1.2b6c35dccd76bp+266,
    0x1.18b5727f009f5p+272, 0x1.0b8cf1210c97dp+278, 0x1.0330899804331p+284,
    0x1.fe478ee348449p+289, 0x1.fe478ee348449p+295, 0x1.0320568f6ab2dp+302,
    0x1.0b395943e6086p+308, 0x1.17c0097314d0dp+314, 0x1.293c0a0a461dep+320,
    0x1.4074bad313983p+326, 0x1.5e7fac56dd6e7p+332, 0x1.84d5a3305da69p+338,
    0x1.b5705796695b6p+344, 0x1.f2f423e7902c3p+350, 0x1.207524c1df599p+357,
    0x1.5209471331bcfp+363, 0x1.916b0466cb106p+369, 0x1.e2f4c14bac4fbp+375,
    0x1.264d25ca1d009p+382, 0x1.6b473aa57bccbp+388, 0x1.c619094edabfep+394,
    0x1.1f5bd7e3e66d7p+401, 0x1.702dac9bff3c3p+407, 0x1.dd7b3bda4f021p+413,
    0x1.3958df4743d96p+420, 0x1.a02a088aa61cbp+426, 0x1.179c3dbd279b4p+433,
    0x1.7c1863ed21d71p+439, 0x1.0550c4b30743ep+446, 0x1.6b645188f61a6p+452,
    0x1.ff0512a89a151p+458, 0x1.6b4d9b43dd8b0p+465, 0x1.051fc798c73bep+472,
    0x1.7b722e0a01831p+478, 0x1.16a7d9cf591c4p+485, 0x1.9da1274fc845ep+491,
    0x1.3638dd7bd6347p+498, 0x1.d62e2fafb0a77p+504, 0x1.67fb5c8283403p+511,
    0x1.166c698cf183ap+518, 0x1.b30964ec395dcp+524, 0x1.574569a26543fp+531,
    0x1.118b502d68b22p+538, 0x1.b83c3509147ebp+544, 0x1.65b0eb1760a6fp+551,
    0x1.256b20d92d48fp+558, 0x1.e5f96e67b300dp+564, 0x1.963e824aafa2bp+571,
    0x1.56c4bdef04314p+578, 0x1.23e389bd8991fp+585, 0x1.f5af14bdc472ep+591,
    0x1.b30dd3fc905bap+598, 0x1.7cac197cfe503p+605, 0x1.500fee805882cp+612,
    0x1.2b4e306a4ed47p+619, 0x1.0ce83f7f82d2ep+626, 0x1.e764f3171d1e4p+632,
    0x1.bd824633209dap+639, 0x1.9ab418b722115p+646, 0x1.7dd36efa41ac2p+653,
    0x1.65f6380a9d915p+660, 0x1.5262c0fa08f36p+667, 0x1.42861fee50880p+674,
    0x1.35ece2af0162bp+681, 0x1.2c3d7b9989579p+688, 0x1.25340ab3f01f8p+695,
    0x1.209f3a89205f1p+702, 0x1.1e5dfc140e1e5p+709, 0x1.1e5dfc140e1e5p+716,
    0x1.209ab80c363a8p+723, 0x1.251d22ec67137p+730, 0x1.2bfbd1bdf17dep+737,
    0x1.355bb04be109dp+744, 0x1.4171452ed7d44p+751, 0x1.5082946d09f23p+758,
    0x1.62e9b88b007d7p+765, 0x1.79185413b0854p+772, 0x1.939c09fd12eeap+779,
    0x1.b3243ac4d8694p+786, 0x1.d88957d1c3025p+793, 0x1.026b1c06b6a54p+801,
    0x1.1ca9fcdf65321p+808, 0x1.3bcc9487d4438p+815, 0x1.60ce8defbf237p+822,
    0x1.8ce85fadb707ep+829, 0x1.c19f3c62c956fp+836, 0x1.006cd07056d39p+844,
    0x1.267cf76103b6fp+851, 0x1.54807e082c4b9p+858, 0x1.8c5d92b5838ffp+865,
    0x1.d07da7ecb62cbp+872, 0x1.11fa1e0c9f746p+880, 0x1.455903aefd5a3p+887,
    0x1.84e466672ad5dp+894, 0x1.d3e2cb341f894p+901, 0x1.1b4a51088f181p+909,
    0x1.594292c26e656p+916, 0x1.a77ba8027b685p+923, 0x1.055e51b1882a6p+931,
    0x1.44ab297a8724ap+938, 0x1.95d5f3d928eddp+945, 0x1.fe771cb7257b2p+952,
    0x1.4307602be5b7fp+960, 0x1.9b5b6477e6883p+967, 0x1.07868c5ccfaf4p+975,
    0x1.53b370efa3b7fp+982, 0x1.b88cb676c8528p+989, 0x1.1f63cb077caddp+997,
    0x1.7932fa79d3a42p+1004, 0x1.f2054eb4d96ecp+1011, 0x1.4ab7864418638p+1019,
};

double chooseExact(std::int64_t n, std::int64_t k) {
  if (k == 1) return static_cast<double>(wrapSub(n, 1)) + 1.0;
  if (k <= 1) return 1.0;
  const double nk = static_cast<double>(wrapSub(n, k));
  double acc = nk + 1.0;
  for (std::int64_t i = 2; i <= k; ++i) {
    const double di = static_cast<double>(i);
    acc = acc * (nk + di) / di;
  }
  return acc;
}

double logChooseFast(double n, double k) {
  return -std::log(n + 1.0) - logBeta(n - k + 1.0, k + 1.0);
}

}  // namespace Internal

namespace detail {

double logFactorialNonNegative(std::uint64_t n) {
  if (n <= 170) return std::log(Internal::factorialTable[n]);
  const double x = static_cast<double>(n) + 1.0;
  const double rx = 1.0 / x;
  const double stirling = (x - 0.5) * std::log(x) - x + m_ln_sqrt_2_pi;
  if (n < 1500) return stirling + rx * (0.083333333333333329 - 0.0027777777777777779 * rx * rx);
  return stirling + 0.083333333333333329 * rx;
}

void logFactorialNegative() { msg::fail<std::domain_error>(msg::logFactorialNegative); }

}  // namespace detail

double factorial(std::int64_t n) {
  if (n < 0) msg::fail<std::domain_error>(msg::factorialNegative);
  if (n > 170) return std::numeric_limits<double>::infinity();
  return Internal::factorialTable[n];
}

double choose(std::int64_t n, std::int64_t k) {
  if (k > n) return 0.0;
  const std::int64_t nk = wrapSub(n, k);
  const std::int64_t kk = k < nk ? k : nk;
  if (kk < 50) return Internal::chooseExact(n, kk);
  const double approx =
      std::exp(-std::log(static_cast<double>(n) + 1.0) -
               logBeta(static_cast<double>(n - kk) + 1.0, static_cast<double>(kk) + 1.0));
  // Below 2^63 the coefficient is an integer that a 64-bit integer holds: round it to one.
  if (approx < 9.2233720368547758e18) return std::rint(approx);
  return approx;
}

double logChoose(std::int64_t n, std::int64_t k) {
  if (k > n) return -std::numeric_limits<double>::infinity();
  const std::int64_t nk = wrapSub(n, k);
  const std::int64_t kk = k < nk ? k : nk;
  if (kk < 50 && n < 20000000) return std::log(Internal::chooseExact(n, kk));
  return Internal::logChooseFast(static_cast<double>(n), static_cast<double>(k));
}

}  // namespace Numeric::SpecFunctions
