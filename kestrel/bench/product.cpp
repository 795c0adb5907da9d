// SPDX-License-Identifier: MIT
// Matrix product, QR, matrix-vector product, norm and transpose against plain loops and, when
// they are installed, Eigen and OpenBLAS, side by side in one binary.
//   kestrel_bench_product --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// GFLOP/s counts 2 n^3 per n x n product whatever the arithmetic (a compensated product does about
// four times the floating-point work of a plain one); QR counts the same 2 n^3 for comparison.
#include <Orrin/Matrix.hpp>
#include <Orrin/Matrix/Algorithms.hpp>

#include <Orrin/Matrix/Dispatch.hpp>

#include <benchmark/benchmark.h>

#include <cmath>
#include <immintrin.h>
#include <cstdio>
#include <random>
#include <vector>

#if HAVE_EIGEN
#include <Eigen/Dense>
#endif
#if HAVE_OPENBLAS
#include <cblas.h>
#endif

namespace {

namespace M = Orrin::Matrix;

std::vector<double> randomValues(std::int64_t count, unsigned seed)
{
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> normal;
    std::vector<double> v(static_cast<std::size_t>(count));
    for (double& x : v) x = normal(gen);
    return v;
}

M::Matrix randomMatrix(std::int64_t r, std::int64_t c, unsigned seed)
{
    return M::fromList(r, c, randomValues(r * c, seed));
}

void setFlops(benchmark::State& state, double n)
{
    state.counters["GFLOP/s"] = benchmark::Counter(2.0 * n * n * n * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
}

// ---- Product ----------------------------------------------------------------------------------

void BM_kestrel_multiply(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const M::Matrix a = randomMatrix(n, n, 1), b = randomMatrix(n, n, 2);
    for (auto _ : state) benchmark::DoNotOptimize(M::multiply(a, b));
    setFlops(state, static_cast<double>(n));
    state.SetLabel(M::Dispatch::name(M::Dispatch::active()));
}

void BM_kestrel_multiply_avx2(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    if (M::Dispatch::useAtMost(M::Dispatch::Isa::Avx2) != M::Dispatch::Isa::Avx2) {
        M::Dispatch::useAtMost(M::Dispatch::Isa::Avx512);
        return state.SkipWithError("no AVX2 on this processor");
    }
    const M::Matrix a = randomMatrix(n, n, 1), b = randomMatrix(n, n, 2);
    for (auto _ : state) benchmark::DoNotOptimize(M::multiply(a, b));
    M::Dispatch::useAtMost(M::Dispatch::Isa::Avx512);
    setFlops(state, static_cast<double>(n));
}

// The compensated product written plainly, branch and all, over a gathered column.
void BM_plain_compensated(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const std::vector<double> a = randomValues(n * n, 1), b = randomValues(n * n, 2);
    std::vector<double> c(static_cast<std::size_t>(n * n)), col(static_cast<std::size_t>(n));
    for (auto _ : state) {
        for (std::int64_t j = 0; j < n; ++j) {
            for (std::int64_t k = 0; k < n; ++k) col[k] = b[k * n + j];
            for (std::int64_t i = 0; i < n; ++i) {
                double s = 0.0, comp = 0.0;
                for (std::int64_t k = 0; k < n; ++k) {
                    const double p = a[i * n + k] * col[k];
                    const double t = s + p;
                    if (std::fabs(s) >= std::fabs(p))
                        comp += (s - t) + p;
                    else
                        comp += (p - t) + s;
                    s = t;
                }
                c[i * n + j] = s + comp;
            }
        }
        benchmark::DoNotOptimize(c.data());
    }
    setFlops(state, static_cast<double>(n));
}

// A naive (uncompensated) triple loop in i-k-j order.
void BM_naive_triple_loop(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const std::vector<double> a = randomValues(n * n, 1), b = randomValues(n * n, 2);
    std::vector<double> c(static_cast<std::size_t>(n * n));
    for (auto _ : state) {
        std::fill(c.begin(), c.end(), 0.0);
        for (std::int64_t i = 0; i < n; ++i)
            for (std::int64_t k = 0; k < n; ++k) {
                const double x = a[i * n + k];
                for (std::int64_t j = 0; j < n; ++j) c[i * n + j] += x * b[k * n + j];
            }
        benchmark::DoNotOptimize(c.data());
    }
    setFlops(state, static_cast<double>(n));
}

#if defined(__AVX512F__)
// Not a product: the compensated kernel's instruction mix without the magnitude selection
// (one multiply and the four additions per term, eight lanes, 4 x 2 register tile). The four
// additions share two adder pipes on some processors; this measures that ceiling here.
void BM_bound_mul_4adds(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const std::vector<double> a = randomValues(n * n, 1), b = randomValues(n * n, 2);
    std::vector<double> c(static_cast<std::size_t>(n * n));
    for (auto _ : state) {
        for (std::int64_t j0 = 0; j0 + 16 <= n; j0 += 16)
            for (std::int64_t i = 0; i + 4 <= n; i += 4) {
                __m512d s[4][2], comp[4][2];
                for (auto& r : s) r[0] = r[1] = _mm512_setzero_pd();
                for (auto& r : comp) r[0] = r[1] = _mm512_setzero_pd();
                for (std::int64_t k = 0; k < n; ++k) {
                    const __m512d b0 = _mm512_loadu_pd(&b[k * n + j0]), b1 = _mm512_loadu_pd(&b[k * n + j0 + 8]);
                    for (int r = 0; r < 4; ++r) {
                        const __m512d x = _mm512_set1_pd(a[(i + r) * n + k]);
                        for (int v = 0; v < 2; ++v) {
                            const __m512d p = _mm512_mul_pd(x, v == 0 ? b0 : b1);
                            const __m512d t = _mm512_add_pd(s[r][v], p);
                            comp[r][v] = _mm512_add_pd(comp[r][v], _mm512_add_pd(_mm512_sub_pd(s[r][v], t), p));
                            s[r][v] = t;
                        }
                    }
                }
                for (int r = 0; r < 4; ++r)
                    for (int v = 0; v < 2; ++v)
                        _mm512_storeu_pd(&c[(i + r) * n + j0 + 8 * v], _mm512_add_pd(s[r][v], comp[r][v]));
            }
        benchmark::DoNotOptimize(c.data());
    }
    setFlops(state, static_cast<double>(n));
}
#endif

#if HAVE_EIGEN
void BM_eigen_product(benchmark::State& state)
{
    const auto n = static_cast<Eigen::Index>(state.range(0));
    Eigen::setNbThreads(1);
    const Eigen::MatrixXd a = Eigen::MatrixXd::Random(n, n), b = Eigen::MatrixXd::Random(n, n);
    Eigen::MatrixXd c(n, n);
    for (auto _ : state) {
        c.noalias() = a * b;
        benchmark::DoNotOptimize(c.data());
    }
    setFlops(state, static_cast<double>(n));
}
#endif

#if HAVE_OPENBLAS
void BM_openblas_dgemm(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    openblas_set_num_threads(1);
    const std::vector<double> a = randomValues(n * n, 1), b = randomValues(n * n, 2);
    std::vector<double> c(static_cast<std::size_t>(n * n));
    const auto ni = static_cast<blasint>(n);
    for (auto _ : state) {
        cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, ni, ni, ni, 1.0, a.data(), ni, b.data(), ni, 0.0,
                    c.data(), ni);
        benchmark::DoNotOptimize(c.data());
    }
    setFlops(state, static_cast<double>(n));
}
#endif

// ---- QR ---------------------------------------------------------------------------------------

void BM_kestrel_qr(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const M::Matrix a = randomMatrix(n, n, 3);
    for (auto _ : state) benchmark::DoNotOptimize(Orrin::Matrix::Algorithms::qr(a));
    setFlops(state, static_cast<double>(n));
    state.SetLabel(M::Dispatch::name(M::Dispatch::active()));
}

// The same arithmetic in plain row-major scalar loops.
void BM_plain_qr(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const std::vector<double> a0 = randomValues(n * n, 3);
    std::vector<double> q(a0.size()), r(static_cast<std::size_t>(n * n));
    auto add = [](double& s, double& c, double x) {
        const double t = s + x;
        if (std::fabs(s) >= std::fabs(x))
            c += (s - t) + x;
        else
            c += (x - t) + s;
        s = t;
    };
    for (auto _ : state) {
        q = a0;
        std::fill(r.begin(), r.end(), 0.0);
        for (std::int64_t j = 0; j < n; ++j) {
            double s = 0.0, c = 0.0;
            for (std::int64_t i = 0; i < n; ++i) add(s, c, q[i * n + j] * q[i * n + j]);
            const double nu = std::sqrt(s + c);
            r[j * n + j] = nu;
            for (std::int64_t i = 0; i < n; ++i) q[i * n + j] = q[i * n + j] / nu;
            for (std::int64_t k = j + 1; k < n; ++k) {
                double ps = 0.0, pc = 0.0;
                for (std::int64_t i = 0; i < n; ++i) add(ps, pc, q[i * n + j] * q[i * n + k]);
                const double p = ps + pc;
                r[j * n + k] = p;
                for (std::int64_t i = 0; i < n; ++i) q[i * n + k] = q[i * n + k] - p * q[i * n + j];
            }
        }
        benchmark::DoNotOptimize(q.data());
    }
    setFlops(state, static_cast<double>(n));
}

#if HAVE_EIGEN
void BM_eigen_householder_qr(benchmark::State& state)
{
    const auto n = static_cast<Eigen::Index>(state.range(0));
    const Eigen::MatrixXd a = Eigen::MatrixXd::Random(n, n);
    for (auto _ : state) {
        Eigen::HouseholderQR<Eigen::MatrixXd> qr(a);
        Eigen::MatrixXd q = qr.householderQ() * Eigen::MatrixXd::Identity(n, n);
        Eigen::MatrixXd r = qr.matrixQR().triangularView<Eigen::Upper>();
        benchmark::DoNotOptimize(q.data());
        benchmark::DoNotOptimize(r.data());
    }
    setFlops(state, static_cast<double>(n));
}
#endif

// ---- Matrix-vector product, norm, transpose -----------------------------------------------------

void BM_kestrel_multiplyV(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const M::Matrix a = randomMatrix(n, n, 4);
    const std::vector<double> v = randomValues(n, 5);
    for (auto _ : state) benchmark::DoNotOptimize(M::multiplyV(a, v));
    state.SetItemsProcessed(state.iterations() * n * n);
}

void BM_plain_multiplyV(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const std::vector<double> a = randomValues(n * n, 4), v = randomValues(n, 5);
    std::vector<double> out(static_cast<std::size_t>(n));
    for (auto _ : state) {
        for (std::int64_t i = 0; i < n; ++i) {
            double s = 0.0, c = 0.0;
            for (std::int64_t k = 0; k < n; ++k) {
                const double p = a[i * n + k] * v[k];
                const double t = s + p;
                if (std::fabs(s) >= std::fabs(p))
                    c += (s - t) + p;
                else
                    c += (p - t) + s;
                s = t;
            }
            out[i] = s + c;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}

void BM_kestrel_norm(benchmark::State& state)
{
    const std::vector<double> v = randomValues(state.range(0), 6);
    for (auto _ : state) benchmark::DoNotOptimize(M::norm(v));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_plain_norm(benchmark::State& state)
{
    const std::vector<double> v = randomValues(state.range(0), 6);
    for (auto _ : state) {
        double s = 0.0, c = 0.0;
        for (double x : v) {
            const double p = x * x;
            const double t = s + p;
            if (std::fabs(s) >= std::fabs(p))
                c += (s - t) + p;
            else
                c += (p - t) + s;
            s = t;
        }
        benchmark::DoNotOptimize(std::sqrt(s + c));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_kestrel_transpose(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const M::Matrix a = randomMatrix(n, n, 7);
    for (auto _ : state) benchmark::DoNotOptimize(M::transpose(a));
    state.SetItemsProcessed(state.iterations() * n * n);
}

void BM_plain_transpose(benchmark::State& state)
{
    const std::int64_t n = state.range(0);
    const std::vector<double> a = randomValues(n * n, 7);
    for (auto _ : state) {
        std::vector<double> t(static_cast<std::size_t>(n * n));
        for (std::int64_t i = 0; i < n; ++i)
            for (std::int64_t j = 0; j < n; ++j) t[j * n + i] = a[i * n + j];
        benchmark::DoNotOptimize(t.data());
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int n : {64, 128, 256, 512, 1024}) b->Arg(n);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_kestrel_multiply)->Apply(sizes);
BENCHMARK(BM_kestrel_multiply_avx2)->Apply(sizes);
BENCHMARK(BM_plain_compensated)->Apply(sizes);
BENCHMARK(BM_naive_triple_loop)->Apply(sizes);
#if defined(__AVX512F__)
BENCHMARK(BM_bound_mul_4adds)->Arg(512)->Unit(benchmark::kMillisecond);
#endif
#if HAVE_EIGEN
BENCHMARK(BM_eigen_product)->Apply(sizes);
#endif
#if HAVE_OPENBLAS
BENCHMARK(BM_openblas_dgemm)->Apply(sizes);
#endif
BENCHMARK(BM_kestrel_qr)->Apply(sizes);
BENCHMARK(BM_plain_qr)->Apply(sizes);
#if HAVE_EIGEN
BENCHMARK(BM_eigen_householder_qr)->Apply(sizes);
#endif
BENCHMARK(BM_kestrel_multiplyV)->Arg(256)->Arg(1024)->Arg(2048);
BENCHMARK(BM_plain_multiplyV)->Arg(256)->Arg(1024)->Arg(2048);
BENCHMARK(BM_kestrel_norm)->Arg(1024)->Arg(1 << 16);
BENCHMARK(BM_plain_norm)->Arg(1024)->Arg(1 << 16);
BENCHMARK(BM_kestrel_transpose)->Arg(256)->Arg(1024)->Arg(2048);
BENCHMARK(BM_plain_transpose)->Arg(256)->Arg(1024)->Arg(2048);

}  // namespace

int main(int argc, char** argv)
{
#if !HAVE_EIGEN
    std::puts("peer missing: Eigen3 (install libeigen3-dev to compare)");
#endif
#if !HAVE_OPENBLAS
    std::puts("peer missing: OpenBLAS (install libopenblas-dev to compare)");
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
