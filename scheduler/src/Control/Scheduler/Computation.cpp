// SPDX-License-Identifier: MIT
// Computation.cpp: worker counts, combination and text form of strategies; the capability count.
#include "Control/Scheduler/Computation.hpp"

#include <sched.h>
#include <unistd.h>

#include <ostream>
#include <stdexcept>

#include "Control/Scheduler/Failure.hpp"
#include "Control/Scheduler/Messages.hpp"
#include "Control/Scheduler/Processors.hpp"
#include "Control/Scheduler/ReadText.hpp"

namespace Control::Scheduler {

const std::vector<int>& detail::allowedProcessors() {
  static const std::vector<int> cpus = [] {
    std::vector<int> v;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
      for (int i = 0; i < CPU_SETSIZE; ++i)
        if (CPU_ISSET(i, &set)) v.push_back(i);
    }
    if (v.empty()) {
      const long n = sysconf(_SC_NPROCESSORS_ONLN);
      for (long i = 0; i < (n > 0 ? n : 1); ++i) v.push_back(static_cast<int>(i));
    }
    return v;
  }();
  return cpus;
}

namespace Computation {

const std::int64_t& numCapsRef() {
  static const std::int64_t caps = static_cast<std::int64_t>(detail::allowedProcessors().size());
  return caps;
}

std::int64_t getCompWorkers(const Comp& c) {
  switch (c.kind()) {
    case Comp::Kind::Seq:
      return 1;
    case Comp::Kind::ParOn:
      return c.capabilities().empty() ? numCapsRef()
                                      : static_cast<std::int64_t>(c.capabilities().size());
    case Comp::Kind::ParN:
      return c.count() == 0 ? numCapsRef() : c.count();
  }
  return 1;
}

Comp joinComp(const Comp& x, const Comp& y) {
  if (isSeq(x)) return y;
  if (isPar(x) || isParPrime(x)) return x;
  if (isSeq(y)) return x;
  if (isPar(y) || isParPrime(y)) return y;
  if (x.kind() == Comp::Kind::ParOn) {
    if (y.kind() == Comp::Kind::ParOn) {
      std::vector<std::int64_t> caps = x.capabilities();
      caps.insert(caps.end(), y.capabilities().begin(), y.capabilities().end());
      return Comp::parOn(std::move(caps));
    }
    return x;  // ParOn xs with ParN m (m >= 1)
  }
  if (y.kind() == Comp::Kind::ParOn) return y;  // ParN n with ParOn ys
  return y.count() < x.count() ? x : y;         // the larger count
}

Comp joinComps(std::span<const Comp> cs) {
  if (cs.empty()) return Comp{};
  Comp acc = cs.back();
  for (std::size_t i = cs.size() - 1; i-- > 0;) acc = joinComp(cs[i], acc);
  return acc;
}

Comp stimes(std::int64_t k, const Comp& c) {
  if (k <= 0) detail::failInvalid(msg::stimes);
  // Repeated doubling: x^k from squares of x, combined with the accumulated odd factors.
  Comp x = c;
  std::optional<Comp> acc;
  for (;;) {
    if (k % 2 == 1) acc = acc ? joinComp(x, *acc) : x;
    k /= 2;
    if (k == 0) break;
    x = joinComp(x, x);
  }
  return *acc;
}

std::string show(const Comp& c) {
  switch (c.kind()) {
    case Comp::Kind::Seq:
      return "Seq";
    case Comp::Kind::ParOn: {
      if (c.capabilities().empty()) return "Par";
      std::string s = "ParOn [";
      bool first = true;
      for (auto v : c.capabilities()) {
        if (!first) s += ',';
        first = false;
        s += std::to_string(v);
      }
      return s + "]";
    }
    case Comp::Kind::ParN:
      return "ParN " + std::to_string(c.count());
  }
  return "Seq";
}

std::string showsPrec(int d, const Comp& c) {
  if (d == 0 || isSeq(c) || isPar(c)) return show(c);
  return detail::parenthesise(show(c));
}

std::string showList(std::span<const Comp> cs) {
  std::string s = "[";
  for (std::size_t i = 0; i < cs.size(); ++i) {
    if (i != 0) s += ',';
    s += show(cs[i]);
  }
  return s + "]";
}

std::ostream& operator<<(std::ostream& os, const Comp& c) { return os << show(c); }

namespace {
std::optional<Comp> readComp(detail::Reader& r) {
  if (r.lit("(")) {
    auto c = readComp(r);
    if (!c || !r.lit(")")) return std::nullopt;
    return c;
  }
  auto word = r.word();
  if (word == "Seq") return Comp{};
  if (word == "Par") return Comp::parOn({});
  if (word == "ParOn") {
    auto caps = r.intList();
    if (!caps) return std::nullopt;
    return Comp::parOn(std::move(*caps));
  }
  if (word == "ParN") {
    auto n = r.integer();
    if (!n || *n < 0 || *n > 65535) return std::nullopt;
    return Comp::parN(static_cast<std::uint16_t>(*n));
  }
  return std::nullopt;
}
}  // namespace

std::optional<Comp> Comp::read(std::string_view text) {
  detail::Reader r(text);
  auto c = readComp(r);
  if (!c || !r.atEnd()) return std::nullopt;
  return c;
}

}  // namespace Computation
}  // namespace Control::Scheduler

std::size_t std::hash<Control::Scheduler::Computation::Comp>::operator()(
    const Control::Scheduler::Computation::Comp& c) const noexcept {
  std::size_t h = static_cast<std::size_t>(c.kind()) * 0x9E3779B97F4A7C15ull + c.count();
  for (auto v : c.capabilities()) h = (h ^ static_cast<std::size_t>(v)) * 0x100000001B3ull;
  return h;
}
