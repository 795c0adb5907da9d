// SPDX-License-Identifier: MIT
// The shared vector, matrix equality, the textual rendering and the checked allocation.
#include "NoContraction.hpp"  // first: no fused multiply-add in this unit, whatever the flags

#include <Orrin/Matrix/Types.hpp>

#include "Orrin/Matrix/Messages.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <ostream>
#include <string_view>

namespace Orrin::Matrix::Types {

namespace detail {

std::shared_ptr<double[]> allocate(std::int64_t count)
{
    constexpr auto maxCount =
        static_cast<std::int64_t>(std::numeric_limits<std::ptrdiff_t>::max() / static_cast<std::ptrdiff_t>(sizeof(double)));
    if (count < 0 || count > maxCount) msg::fail<std::length_error>(msg::allocation);
    return std::make_shared<double[]>(static_cast<std::size_t>(count));
}

std::int64_t elementCount(std::int64_t rows, std::int64_t cols)
{
    std::int64_t count = 0;
    if (rows < 0 || cols < 0 || __builtin_mul_overflow(rows, cols, &count))
        msg::fail<std::length_error>(msg::allocation);
    return count;
}

void checkShape(const Matrix& m)
{
    std::int64_t count = 0;
    if (m.rows < 0 || m.cols < 0 || __builtin_mul_overflow(m.rows, m.cols, &count) || count != m._vector.size())
        msg::fail(msg::inputSizeMismatch);
}

}  // namespace detail

namespace {
std::shared_ptr<const double[]> copyOf(const double* xs, std::size_t n)
{
    auto storage = detail::allocate(static_cast<std::int64_t>(n));
    if (n != 0) std::memcpy(storage.get(), xs, n * sizeof(double));
    return storage;
}
}  // namespace

Vector::Vector(std::initializer_list<double> xs) : Vector(std::span<const double>(xs.begin(), xs.size())) {}

Vector::Vector(std::span<const double> xs)
    : storage_(copyOf(xs.data(), xs.size())), data_(storage_.get()), size_(static_cast<std::int64_t>(xs.size()))
{
}

Vector::Vector(const std::vector<double>& xs) : Vector(std::span<const double>(xs)) {}

Vector::Vector(std::shared_ptr<const double[]> storage, std::int64_t offset, std::int64_t length) noexcept
    : storage_(std::move(storage)), size_(length)
{
    data_ = storage_ ? storage_.get() + offset : nullptr;
}

double Vector::at(std::int64_t i) const
{
    if (i < 0 || i >= size_) msg::fail<std::out_of_range>(msg::indexRange);
    return data_[i];
}

Vector Vector::slice(std::int64_t offset, std::int64_t length) const
{
    if (offset < 0 || length < 0 || offset > size_ || length > size_ - offset)
        msg::fail<std::out_of_range>(msg::sliceRange);
    Vector v;
    v.storage_ = storage_;
    v.data_ = data_ == nullptr ? nullptr : data_ + offset;
    v.size_ = length;
    return v;
}

bool operator==(const Vector& x, const Vector& y) noexcept
{
    if (x.size_ != y.size_) return false;
    for (std::int64_t i = 0; i < x.size_; ++i)
        if (!(x.data_[i] == y.data_[i])) return false;
    return true;
}

bool operator==(const Matrix& x, const Matrix& y) noexcept
{
    return x.rows == y.rows && x.cols == y.cols && x._vector == y._vector;
}

namespace {

// An element in fixed notation with 4 decimals, then without trailing zeros and without a trailing
// '.'. Non-finite values are written by name.
std::string fixed4(double x)
{
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x > 0 ? "Infinity" : "-Infinity";
    std::array<char, 400> buf{};  // the largest double has 309 integer digits
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed, 4);
    std::string text(buf.data(), res.ptr);
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

}  // namespace

std::string show(const Matrix& m)
{
    detail::checkShape(m);
    const std::int64_t count = m._vector.size();
    if (count == 0) return {};

    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(count));
    std::size_t li = 0;  // widest integer part
    std::size_t lf = 0;  // widest fraction part, '.' included
    for (std::int64_t k = 0; k < count; ++k) {
        texts.push_back(fixed4(m._vector[k]));
        const std::size_t dot = std::min(texts.back().find('.'), texts.back().size());
        li = std::max(li, dot);
        lf = std::max(lf, texts.back().size() - dot);
    }

    std::string prefix = "(";
    prefix += std::to_string(m.rows);
    prefix += ',';
    prefix += std::to_string(m.cols);
    prefix += ") ";
    std::string out;
    for (std::int64_t i = 0; i < m.rows; ++i) {
        std::string line = i == 0 ? prefix : std::string(prefix.size(), ' ');
        for (std::int64_t j = 0; j < m.cols; ++j) {
            const std::string& t = texts[static_cast<std::size_t>(i * m.cols + j)];
            const std::size_t dot = std::min(t.find('.'), t.size());
            if (j != 0) line += ' ';
            line.append(li - dot, ' ');
            line += t;
            line.append(lf - (t.size() - dot), ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line;
        out += '\n';
    }
    return out;
}

std::ostream& operator<<(std::ostream& os, const Matrix& m)
{
    return os << show(m);
}

}  // namespace Orrin::Matrix::Types
