// SPDX-License-Identifier: MIT
// Types.cpp: texts of the scheduler's exceptions and ids, failures, and parsing of results.
// GCC 12 reports a false "may be used uninitialized" for variant alternatives built from
// optionals under -O2 with sanitizers (the value is always set on the paths that build them).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include "Control/Scheduler/Types.hpp"

#include <charconv>
#include <cstdio>
#include <limits>
#include <ostream>
#include <stdexcept>

#include "Control/Scheduler/Failure.hpp"
#include "Control/Scheduler/Messages.hpp"
#include "Control/Scheduler/ReadText.hpp"

namespace Control::Scheduler {

void detail::failInvalid(std::string_view text) { throw std::invalid_argument(std::string(text)); }
void detail::failLogic(std::string_view text) { throw std::logic_error(std::string(text)); }

namespace Types {

std::string describeException(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& x) {
    return x.what();
  } catch (const Thread::AsyncException& x) {
    return describeException(x.exception());
  } catch (...) {
    return "unknown exception";
  }
}

WorkerException::WorkerException(std::exception_ptr e)
    : exception_(std::move(e)), text_("WorkerException " + describeException(exception_)) {}

std::string show(const TerminateEarlyException&) { return "TerminateEarlyException"; }
std::string show(const CancelBatchException&) { return "CancelBatchException"; }
std::string show(const WorkerTerminateException&) { return "WorkerTerminateException"; }
std::string show(const MutexException&) { return "MutexException"; }
std::string show(const WorkerException& e) { return e.what(); }
std::string showsPrec(int d, const WorkerException& e) {
  return d >= 11 ? ::Control::Scheduler::detail::parenthesise(show(e)) : show(e);
}

std::string show(BatchId b) {
  return "BatchId {getBatchId = " + std::to_string(b.getBatchId) + "}";
}
std::string showsPrec(int d, BatchId b) {
  return d >= 11 ? ::Control::Scheduler::detail::parenthesise(show(b)) : show(b);
}
std::optional<BatchId> BatchId::read(std::string_view text) {
  auto v = ::Control::Scheduler::detail::readRecord(text, "BatchId", "getBatchId");
  if (!v) return std::nullopt;
  return BatchId{*v};
}

std::string detail::showDouble(double v) {
  if (v != v) return "NaN";
  if (v == 1.0 / 0.0) return "Infinity";
  if (v == -1.0 / 0.0) return "-Infinity";
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  return std::string(buf, p);
}

std::string detail::showString(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7f) {
      out += '\\';
      out += std::to_string(c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void detail::throwEmptyStructure(int which) {
  ::Control::Scheduler::detail::failInvalid(which == 0   ? msg::maximum
                                 : which == 1 ? msg::minimum
                                              : msg::foldl1);
}
void detail::throwUninitializedEarly() { ::Control::Scheduler::detail::failLogic(msg::uninitializedEarly); }
void detail::throwSchedulerEnded() { ::Control::Scheduler::detail::failLogic(msg::schedulerEnded); }

namespace {
template <class A>
std::optional<A> readElem(::Control::Scheduler::detail::Reader& r) {
  if constexpr (std::is_integral_v<A>) {
    auto v = r.integer();
    if (!v || *v < std::numeric_limits<A>::min() || *v > std::numeric_limits<A>::max())
      return std::nullopt;
    return static_cast<A>(*v);
  } else {
    return r.real();
  }
}
template <class A>
std::optional<std::vector<A>> readList(::Control::Scheduler::detail::Reader& r) {
  std::vector<A> xs;
  if (!r.lit("[")) return std::nullopt;
  if (r.lit("]")) return xs;
  for (;;) {
    auto x = readElem<A>(r);
    if (!x) return std::nullopt;
    xs.push_back(*x);
    if (r.lit("]")) return xs;
    if (!r.lit(",")) return std::nullopt;
  }
}
template <class A>
std::optional<Results<A>> readResultsText(::Control::Scheduler::detail::Reader& r) {
  if (r.lit("(")) {
    auto x = readResultsText<A>(r);
    if (!x || !r.lit(")")) return std::nullopt;
    return x;
  }
  const auto word = r.word();
  if (word == "Finished") {
    auto xs = readList<A>(r);
    if (!xs) return std::nullopt;
    return Results<A>(Finished<A>{std::move(*xs)});
  }
  if (word == "FinishedEarly") {
    auto xs = readList<A>(r);
    if (!xs) return std::nullopt;
    auto v = readElem<A>(r);
    if (!v) return std::nullopt;
    return Results<A>(FinishedEarly<A>{std::move(*xs), *v});
  }
  if (word == "FinishedEarlyWith") {
    auto v = readElem<A>(r);
    if (!v) return std::nullopt;
    return Results<A>(FinishedEarlyWith<A>{*v});
  }
  return std::nullopt;
}
}  // namespace

template <class A>
std::optional<Results<A>> Results<A>::read(std::string_view text) {
  ::Control::Scheduler::detail::Reader r(text);
  auto x = readResultsText<A>(r);
  if (!x || !r.atEnd()) return std::nullopt;
  return x;
}

template class SCHEDULER_API Results<int>;
template class SCHEDULER_API Results<long>;
template class SCHEDULER_API Results<long long>;
template class SCHEDULER_API Results<double>;

}  // namespace Types
}  // namespace Control::Scheduler
