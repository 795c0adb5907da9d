// SPDX-License-Identifier: MIT
// Numeric/SpecFunctions/Internal/LogGamma.hpp: the pieces logGamma is assembled from (rational
// approximations on [1, 3), the small-argument recurrence, the Lanczos sum) and their coefficient
// tables, exposed for testing and reuse.
//   double r = Numeric::SpecFunctions::Internal::lgamma2_3(2.5);   // ln Gamma(2.5)
#pragma once

#include <veltro/export.hpp>

#include <array>
#include <span>

namespace Numeric::SpecFunctions::Internal {

/// Accumulator of evalRatio: numerator, then denominator.
struct VELTRO_API L {
    double num = 0.0;
    double den = 0.0;
};

/// A rational function's coefficient pairs, stored as two parallel arrays of equal length:
/// numerator[i] and denominator[i] are the coefficients of x^i.
struct VELTRO_API CoefficientPairs {
    std::span<const double> numerator;
    std::span<const double> denominator;
};

// Rational approximation of ln Gamma on [1, 1.5] in (x - 1), ascending powers.
inline constexpr std::array<double, 7> tableLogGamma_1_15P{
    0.049062245406903952,   -0.096911753015952118, -0.4149833583594954,    -0.40656712421193841,
    -0.1584135863906922,    -0.024014982064857155, -0.0010034668769627955};
inline constexpr std::array<double, 7> tableLogGamma_1_15Q{
    1.0,                 3.0234982984646304,   3.4873958536072385,    1.9141558827442668,
    0.50713773861436351, 0.057703972269045188, 0.0019576810260110719};

// Rational approximation of ln Gamma on [1.5, 2) in (2 - x), ascending powers.
inline constexpr std::array<double, 6> tableLogGamma_15_2P{
    -0.029232972183027003, 0.14421626775719232, -0.14244039073863127,
    0.054280969405505357,  -0.008505359768683364, 0.00043117134267929731};
inline constexpr std::array<double, 7> tableLogGamma_15_2Q{
    1.0,                  -1.5016935605448505,   0.84697324887649506, -0.22009515181499575,
    0.025582797155975869, -0.0010066679553914337, -8.2719352189129052e-07};

// Rational approximation of ln Gamma on [2, 3) in (x - 2), ascending powers.
inline constexpr std::array<double, 7> tableLogGamma_2_3P{
    -0.01803556856784494,    0.025126649619989679,    0.049410315156753225,  0.0172491608709614,
    -0.00025945356320543811, -0.00054100986921520444, -3.2458864982594848e-05};
inline constexpr std::array<double, 8> tableLogGamma_2_3Q{
    1.0,                 1.9620298719779521,    1.4801966942423133,     0.54139143207172091,
    0.09885042511280101, 0.0082130967464889345, 0.00022493629192211576, -2.2335276320861708e-07};

// Lanczos approximation with g = 6.0246800407767296, 13 terms; the denominator is the expansion of
// x(x+1)...(x+11).
inline constexpr std::array<double, 13> tableLanczosNumerator{
    56906521.913471565,  103794043.11634454,  86363131.288138598, 43338889.324676141,
    14605578.087685067,  3481712.154980646,   601859.61716810986, 75999.293040145421,
    6955.999602515376,   449.94455690631679,  19.519927882476175, 0.50984166556566757,
    0.0060618423462489067};
inline constexpr std::array<double, 13> tableLanczosDenominator{
    0.0,       39916800.0, 120543840.0, 150917976.0, 105258076.0, 45995730.0, 13339535.0,
    2637558.0, 357423.0,   32670.0,     1925.0,      66.0,        1.0};
inline constexpr CoefficientPairs tableLanczos{tableLanczosNumerator, tableLanczosDenominator};

// Chebyshev coefficients (Broucke's form) of logGammaCorrection in 2(10/x)^2 - 1.
inline constexpr std::array<double, 7> tableLogGammaCorrection{
    0.16663894804518634,    -1.3849481760675639e-05, 9.8108256469247302e-09, -1.8091294755724941e-11,
    6.2210980418926055e-14, -3.399615005417722e-16,  2.6831819984826989e-18};

// stirlingError at the half-integers n = k/2, k = 0..30.
inline constexpr std::array<double, 31> tableStirlingError{
    0.0,                   0.15342640972002736,   0.081061466795327261,  0.054814121051917651,
    0.041340695955409297,  0.033162873519936291,  0.027677925684998338,  0.023746163656297496,
    0.020790672103765093,  0.018488450532673187,  0.016644691189821193,  0.015134973221917378,
    0.013876128823070748,  0.012810465242920227,  0.01189670994589177,   0.011104559758206917,
    0.010411265261972096,  0.0097994161261588039, 0.0092554621827127329, 0.0087687001341393862,
    0.0083305634333628708, 0.0079341145643140199, 0.0075736754879518406, 0.007244554301320383,
    0.0069428401072095299, 0.0066652470327076821, 0.0064089941880042071, 0.0061717122630394576,
    0.0059513701127588475, 0.0057462165130101155, 0.0055547335519628011};

// Stirling-series coefficients of stirlingError above 15: 1/12, 1/360, 1/1260, 1/1680, 1/1188.
inline constexpr std::array<double, 5> tableStirlingSeries{
    0.083333333333333329, 0.0027777777777777779, 0.00079365079365079365, 0.00059523809523809529,
    0.00084175084175084171};

/// ln Gamma near [1, 1.5], given zm1 and zm2 computed directly from x (x-1 and x-2, or x and x-1):
/// r*y + r*(P/Q) with r = zm1*zm2 and P, Q at zm1.
VELTRO_API double lgamma1_15(double zm1, double zm2);

/// ln Gamma near [1.5, 2): r*y + r*(P/Q) with r = zm1*zm2 and P, Q at -zm2.
VELTRO_API double lgamma15_2(double zm1, double zm2);

/// ln Gamma(z) for 2 <= z < 3: r*y + r*(P/Q) with r = (z-2)(z+1) and P, Q at z-2.
VELTRO_API double lgamma2_3(double z);

/// ln Gamma(z) for 2 <= z < 15 by the downward recurrence to [2, 3) (one log per step). Outside its
/// range the call still terminates: z >= 15, +Infinity and NaN go to lanczosApprox.
VELTRO_API double lgammaSmall(double z);

/// ln Gamma(z) by the Lanczos sum, for z >= 15: (ln((z + g) - 0.5) - 1)(z - 0.5) + ln(ratio).
VELTRO_API double lanczosApprox(double z);

/// sum a_i x^i / sum b_i x^i over the coefficient pairs, folded in 1/x for x > 1 (no overflow for
/// large x) and in x otherwise; NaN for an empty table.
VELTRO_API double evalRatio(CoefficientPairs table, double x);

} // namespace Numeric::SpecFunctions::Internal
