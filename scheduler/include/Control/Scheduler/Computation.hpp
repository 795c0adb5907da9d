// SPDX-License-Identifier: MIT
// Control/Scheduler/Computation.hpp: Comp, the strategy that says how work is spread over threads.
//   getCompWorkers(joinComp(ParN(2), Seq));   // 2
#pragma once

#include <scheduler/export.hpp>

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Control::Scheduler::Computation {

/// Seq: one worker on the calling thread. ParOn caps: one worker per list element, pinned to
/// that capability. ParN n: n unpinned workers. Par (= ParOn []) and ParPrime (= ParN 0) mean
/// one worker per capability, pinned and unpinned respectively.
class SCHEDULER_API Comp {
 public:
  enum class Kind : std::uint8_t { Seq, ParOn, ParN };

  /// Seq, the neutral strategy.
  constexpr Comp() = default;
  static Comp seq() { return Comp{}; }
  static Comp parOn(std::vector<std::int64_t> caps) { return Comp(Kind::ParOn, std::move(caps), 0); }
  static Comp parN(std::uint16_t n) { return Comp(Kind::ParN, {}, n); }

  Kind kind() const noexcept { return kind_; }
  /// The capability list of ParOn (empty otherwise).
  const std::vector<std::int64_t>& capabilities() const noexcept { return caps_; }
  /// The count of ParN (0 otherwise).
  std::uint16_t count() const noexcept { return n_; }

  friend bool operator==(const Comp&, const Comp&) = default;

  /// Parses what show produces, with surrounding white space and optional parentheses.
  static std::optional<Comp> read(std::string_view text);

 private:
  Comp(Kind k, std::vector<std::int64_t> caps, std::uint16_t n)
      : kind_(k), caps_(std::move(caps)), n_(n) {}
  Kind kind_ = Kind::Seq;
  std::vector<std::int64_t> caps_;
  std::uint16_t n_ = 0;
};

inline const Comp Seq{};
inline const Comp Par = Comp::parOn({});
inline const Comp ParPrime = Comp::parN(0);
inline Comp ParOn(std::vector<std::int64_t> caps) { return Comp::parOn(std::move(caps)); }
inline Comp ParOn(std::initializer_list<std::int64_t> caps) { return Comp::parOn(caps); }
inline Comp ParN(std::uint16_t n) { return Comp::parN(n); }

inline bool isSeq(const Comp& c) { return c.kind() == Comp::Kind::Seq; }
/// True exactly for ParOn with an empty list.
inline bool isPar(const Comp& c) { return c.kind() == Comp::Kind::ParOn && c.capabilities().empty(); }
/// True exactly for ParN 0.
inline bool isParPrime(const Comp& c) { return c.kind() == Comp::Kind::ParN && c.count() == 0; }

/// The process-wide capability count: the processors in the process's affinity mask, read
/// from the platform on first use (once, under a guard) and never updated afterwards.
SCHEDULER_API const std::int64_t& numCapsRef();

/// Worker count: Seq 1; Par and ParPrime the capability count; ParOn the list length
/// (duplicates count); ParN n (n >= 1) n.
SCHEDULER_API std::int64_t getCompWorkers(const Comp& c);

/// The strategy for work two parties asked for with x and y: Seq is neutral, Par and
/// ParPrime absorb all but each other (the left one wins), a capability list beats a count,
/// two lists concatenate, two counts give the larger.
SCHEDULER_API Comp joinComp(const Comp& x, const Comp& y);
inline Comp operator+(const Comp& x, const Comp& y) { return joinComp(x, y); }

/// c1 + (c2 + (... + cn)); Seq for no strategies.
SCHEDULER_API Comp joinComps(std::span<const Comp> cs);
inline Comp joinComps(std::initializer_list<Comp> cs) {
  return joinComps(std::span<const Comp>(cs.begin(), cs.size()));
}

/// k copies of c combined by repeated doubling. Throws std::invalid_argument
/// "stimes: positive multiplier expected" when k <= 0.
SCHEDULER_API Comp stimes(std::int64_t k, const Comp& c);

/// "Seq", "Par", "ParOn [1,2]", "ParN 3" (also "ParN 0" for ParPrime).
SCHEDULER_API std::string show(const Comp& c);
/// As show; every value but Seq and Par is parenthesised when d is not 0.
SCHEDULER_API std::string showsPrec(int d, const Comp& c);
/// A list of strategies in list form, each at precedence 0: "[Seq,ParN 2]".
SCHEDULER_API std::string showList(std::span<const Comp> cs);
SCHEDULER_API std::ostream& operator<<(std::ostream& os, const Comp& c);

}  // namespace Control::Scheduler::Computation

template <>
struct std::hash<Control::Scheduler::Computation::Comp> {
  SCHEDULER_API std::size_t operator()(const Control::Scheduler::Computation::Comp& c) const noexcept;
};
