// SPDX-License-Identifier: MIT
// %-directive printing and parsing of calendar values.
//
// Parsing compiles the format into a flat list of items (composite directives such as %F and the
// locale's %c are expanded), then matches the items against the input with backtracking: every
// directive offers its readings longest first, and a continuation decides at the end of the items
// whether the reading is wanted (the whole input consumed and the fields make a valid value).
// Every alternative of a directive assigns the same fields, so a reading that fails later leaves
// nothing behind that the next one does not overwrite.
#include <Data/Format.hpp>
#include <Data/Time/Format.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "Data/Time/Text.hpp"

namespace Data::Time::Format {

using Data::Number::Integer;
using Data::Number::Pico;
using Calendar::GregorianDate;
using Clock::DiffTime;
using Clock::NominalDiffTime;
using Data::Time::text::isDigit;
using Data::Time::text::isSpace;

const TimeLocale& defaultTimeLocale() {
  static const TimeLocale locale{
      {{"Sunday", "Sun"},
       {"Monday", "Mon"},
       {"Tuesday", "Tue"},
       {"Wednesday", "Wed"},
       {"Thursday", "Thu"},
       {"Friday", "Fri"},
       {"Saturday", "Sat"}},
      {{"January", "Jan"},
       {"February", "Feb"},
       {"March", "Mar"},
       {"April", "Apr"},
       {"May", "May"},
       {"June", "Jun"},
       {"July", "Jul"},
       {"August", "Aug"},
       {"September", "Sep"},
       {"October", "Oct"},
       {"November", "Nov"},
       {"December", "Dec"}},
      {"AM", "PM"},
      "%a %b %e %H:%M:%S %Z %Y",
      "%m/%d/%y",
      "%H:%M:%S",
      "%I:%M:%S %p",
      {TimeZone{0, false, "UT"}, TimeZone{0, false, "GMT"}, TimeZone{-5 * 60, false, "EST"},
       TimeZone{-4 * 60, true, "EDT"}, TimeZone{-6 * 60, false, "CST"},
       TimeZone{-5 * 60, true, "CDT"}, TimeZone{-7 * 60, false, "MST"},
       TimeZone{-6 * 60, true, "MDT"}, TimeZone{-8 * 60, false, "PST"},
       TimeZone{-7 * 60, true, "PDT"}}};
  return locale;
}

namespace {

constexpr int kMaxExpansionDepth = 4;  // %c inside %c and the like stop here
constexpr std::int64_t kPicosPerSecond = 1'000'000'000'000;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// ---------------------------------------------------------------------------------------------
// Directives

/// One parsed %-directive: its letter, modifiers and width.
struct FieldOptions {
  char letter = 0;
  char pad = 0;       // '-', '_', '0' or 0 (the directive's default)
  char caseMod = 0;   // '^' (upper), '#' (lower) or 0
  bool alt = false;   // E modifier (%Ez)
  int width = -1;     // -1: the directive's default
};

/// Reads the directive after a '%' at f (f points past the '%'); returns the position after it,
/// or null when the format ends inside the directive.
const char* readFieldOptions(const char* f, const char* end, FieldOptions& s) {
  if (f < end && *f != 'E' && *f != 'O' &&
      ((*f >= 'A' && *f <= 'Z') || (*f >= 'a' && *f <= 'z'))) {  // no modifiers
    s.letter = *f;
    return f + 1;
  }
  while (f < end && (*f == '-' || *f == '_' || *f == '0' || *f == '^' || *f == '#')) {
    if (*f == '^' || *f == '#') {
      s.caseMod = *f;
    } else {
      s.pad = *f;
    }
    ++f;
  }
  if (f < end && *f >= '1' && *f <= '9') {
    int w = 0;
    while (f < end && isDigit(*f)) {
      w = std::min(w * 10 + (*f - '0'), 1000);
      ++f;
    }
    s.width = w;
  }
  while (f < end && (*f == 'E' || *f == 'O')) {
    s.alt = s.alt || *f == 'E';
    ++f;
  }
  if (f == end) return nullptr;
  s.letter = *f;
  return f + 1;
}

/// The expansion of a composite directive, or empty.
inline std::string_view composite(char letter, const TimeLocale& l) {
  switch (letter) {
    case 'F': return "%Y-%m-%d";
    case 'T': return "%H:%M:%S";
    case 'R': return "%H:%M";
    case 'D': return "%m/%d/%y";
    case 'c': return l.dateTimeFmt;
    case 'x': return l.dateFmt;
    case 'X': return l.timeFmt;
    case 'r': return l.time12Fmt;
    default: return {};
  }
}

/// Default width and padding of the numeric directives for printing ('0', ' ', or 0 for none).
struct NumberStyle {
  int width;
  char pad;
};
NumberStyle numberStyle(char letter) {
  switch (letter) {
    case 'Y': return {4, 0};
    case 'C': return {2, 0};
    case 'y': case 'm': case 'd': case 'H': case 'I': case 'M': case 'S': return {2, '0'};
    case 'e': case 'k': case 'l': return {2, ' '};
    case 'j': return {3, '0'};
    default: return {1, 0};
  }
}

// ---------------------------------------------------------------------------------------------
// Printing

struct Source {
  const GregorianDate* date = nullptr;
  const Day* day = nullptr;
  const TimeOfDay* tod = nullptr;
  const TimeZone* zone = nullptr;
  const UTCTime* utc = nullptr;
};

void appendCased(std::string& out, std::string_view s, char caseMod) {
  if (caseMod == 0) {
    out += s;
    return;
  }
  for (char c : s) out += caseMod == '^' ? upper(c) : lower(c);
}

void appendNumber(std::string& out, const FieldOptions& s, std::int64_t v) {
  const NumberStyle st = numberStyle(s.letter);
  char pad = st.pad;
  int width = st.width;
  if (s.pad == '-') pad = 0;
  if (s.pad == '_') pad = ' ';
  if (s.pad == '0') pad = '0';
  if (s.width >= 0) {
    width = s.width;
    if (pad == 0 && s.pad != '-') pad = '0';
  }
  if (v >= 0 && v < 100 && width <= 2) {  // the common one- and two-digit fields
    const char digits[2] = {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
    if (v >= 10) {
      out.append(digits, 2);
    } else {
      if (pad != 0 && width == 2) out += pad;
      out += digits[1];
    }
    return;
  }
  Calendar::Private::appendPaddedNum(out, v, pad == 0 ? 0 : width, pad == 0 ? '0' : pad);
}

void appendNumber(std::string& out, const FieldOptions& s, const Integer& v) {
  if (v.fitsInt64()) {
    appendNumber(out, s, v.small());
    return;
  }
  const NumberStyle st = numberStyle(s.letter);
  char pad = s.pad == '_' ? ' ' : s.pad == '0' ? '0' : st.pad;
  if (s.pad == '-') pad = 0;
  const int width = s.width >= 0 ? s.width : st.width;
  Calendar::Private::appendPaddedNum(out, v, pad == 0 ? 0 : width, pad == 0 ? '0' : pad);
}

void appendOffset(std::string& out, int minutes, bool colon) {
  out += minutes < 0 ? '-' : '+';
  const std::int64_t a = minutes < 0 ? -std::int64_t{minutes} : minutes;
  Calendar::Private::appendPaddedNum(out, a / 60, 2, '0');
  if (colon) out += ':';
  Calendar::Private::appendPaddedNum(out, a % 60, 2, '0');
}

// (whole seconds, picoseconds) of a picosecond count, floor-style.
std::pair<Integer, Integer> wholeSeconds(const Integer& ps) {
  if (ps.fitsInt64() && ps.small() >= 0) {
    return {Integer(ps.small() / kPicosPerSecond), Integer(ps.small() % kPicosPerSecond)};
  }
  return divMod(ps, Integer(kPicosPerSecond));
}

int weekday0(const Day& d) { return static_cast<int>(Calendar::dayOfWeek(d)) % 7; }  // Sunday 0

// Appends one directive; false when the value has no such field.
bool appendDirective(std::string& out, const TimeLocale& l, const FieldOptions& s, const Source& src) {
  const GregorianDate* g = src.date;
  const TimeOfDay* t = src.tod;
  switch (s.letter) {
    case '%': out += '%'; return true;
    case 't': out += '\t'; return true;
    case 'n': out += '\n'; return true;
    // Date.
    case 'Y':
      if (!g) return false;
      appendNumber(out, s, g->year);
      return true;
    case 'C':
      if (!g) return false;
      appendNumber(out, s, g->year.fitsInt64() ? Integer(Calendar::Private::div100(g->year.small()))
                                               : Calendar::Private::div100(g->year));
      return true;
    case 'y':
      if (!g) return false;
      appendNumber(out, s, g->year.fitsInt64() ? Calendar::Private::mod100(g->year.small())
                                               : Calendar::Private::mod100(g->year).small());
      return true;
    case 'm':
      if (!g) return false;
      appendNumber(out, s, std::int64_t{g->month});
      return true;
    case 'd': case 'e':
      if (!g) return false;
      appendNumber(out, s, std::int64_t{g->day});
      return true;
    case 'j':
      if (!g) return false;
      appendNumber(out, s, std::int64_t{Calendar::toOrdinalDate(*src.day).second});
      return true;
    case 'B': case 'b': case 'h':
      if (!g) return false;
      appendCased(out, s.letter == 'B' ? l.months[g->month - 1].first : l.months[g->month - 1].second,
                  s.caseMod);
      return true;
    case 'A': case 'a':
      if (!g) return false;
      appendCased(out, s.letter == 'A' ? l.wDays[weekday0(*src.day)].first
                                       : l.wDays[weekday0(*src.day)].second,
                  s.caseMod);
      return true;
    case 'u':
      if (!g) return false;
      appendNumber(out, s, std::int64_t{static_cast<int>(Calendar::dayOfWeek(*src.day))});
      return true;
    case 'w':
      if (!g) return false;
      appendNumber(out, s, std::int64_t{weekday0(*src.day)});
      return true;
    // Time of day.
    case 'H': case 'k':
      if (!t) return false;
      appendNumber(out, s, std::int64_t{t->todHour});
      return true;
    case 'I': case 'l':
      if (!t) return false;
      appendNumber(out, s, std::int64_t{(t->todHour + 11) % 12 + 1});
      return true;
    case 'M':
      if (!t) return false;
      appendNumber(out, s, std::int64_t{t->todMin});
      return true;
    case 'S':
      if (!t) return false;
      appendNumber(out, s, wholeSeconds(t->todSec.units()).first);
      return true;
    case 'q': case 'Q': {
      if (!t) return false;
      const Integer frac = wholeSeconds(t->todSec.units()).second;
      std::string digits;
      Calendar::Private::appendPaddedNum(digits, frac, 12, '0');
      if (s.letter == 'Q') {
        if (s.pad != '0') {
          while (!digits.empty() && digits.back() == '0') digits.pop_back();
        }
        if (!digits.empty()) out += '.';
      }
      out += digits;
      return true;
    }
    case 'p': case 'P': {
      if (!t) return false;
      const std::string& ap = t->todHour < 12 ? l.amPm.first : l.amPm.second;
      appendCased(out, ap, s.letter == 'P' ? '#' : s.caseMod);
      return true;
    }
    // Zone and POSIX time.
    case 'z':
      if (!src.zone) return false;
      appendOffset(out, src.zone->timeZoneMinutes, s.alt);
      return true;
    case 'Z':
      if (!src.zone) return false;
      if (src.zone->timeZoneName.empty()) {
        appendOffset(out, src.zone->timeZoneMinutes, s.alt);
      } else {
        appendCased(out, src.zone->timeZoneName, s.caseMod);
      }
      return true;
    case 's':
      if (!src.utc) return false;
      appendNumber(out, s, div(Clock::utcTimeToPOSIXSeconds(*src.utc).picoseconds(), Pico::scale()));
      return true;
    default:
      return false;
  }
}

void formatInto(std::string& out, const TimeLocale& l, std::string_view format, const Source& src,
                int depth) {
  const char* f = format.data();
  const char* end = f + format.size();
  while (f < end) {
    const char* pct = f;
    while (pct < end && *pct != '%') ++pct;
    out.append(f, pct);
    if (pct == end) return;
    FieldOptions s;
    const char* next = readFieldOptions(pct + 1, end, s);
    if (!next) {
      out.append(pct, end);
      return;
    }
    const std::string_view comp = composite(s.letter, l);
    if (!comp.empty() && depth < kMaxExpansionDepth) {
      formatInto(out, l, comp, src, depth + 1);
    } else if (!appendDirective(out, l, s, src)) {
      out.append(pct, next);
    }
    f = next;
  }
}

std::string formatWith(const TimeLocale& l, std::string_view format, const Source& src) {
  std::string out;
  out.reserve(format.size() + 16);
  formatInto(out, l, format, src, 0);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Parsing

/// The index of a letter's entry in the int-field table (kIntFields below), or -1.
constexpr int intFieldIndex(char letter) {
  switch (letter) {
    case 'y': return 0;
    case 'm': return 1;
    case 'd': case 'e': return 2;
    case 'j': return 3;
    case 'H': case 'k': return 4;
    case 'I': case 'l': return 5;
    case 'M': return 6;
    case 'S': return 7;
    case 'u': return 8;
    case 'w': return 9;
    default: return -1;
  }
}

enum class Kind : std::uint8_t { Literal, Space, Directive };

struct Item {
  Kind kind;
  char lit;
  FieldOptions options;
  bool spaces = false;  // a number directive that skips leading spaces (%e, %k, %l, %_d ...)
  std::int8_t intField = -1;  // index into the int-field table, or -1
};

/// The compiled items, inline up to a size that covers every usual format.
class Items {
public:
  void push(const Item& it) {
    if (heap_.empty() && n_ < inline_.size()) {
      inline_[n_++] = it;
      return;
    }
    if (heap_.empty()) heap_.assign(inline_.begin(), inline_.begin() + static_cast<std::ptrdiff_t>(n_));
    heap_.push_back(it);
  }
  void clear() {
    n_ = 0;
    heap_.clear();
  }
  const Item* begin() const { return heap_.empty() ? inline_.data() : heap_.data(); }
  const Item* end() const { return begin() + (heap_.empty() ? n_ : heap_.size()); }

private:
  std::array<Item, 32> inline_{};
  std::size_t n_ = 0;
  std::vector<Item> heap_;
};

/// Compiles the format into items; sets localeDependent when it expands a locale format.
void compile(Items& items, const TimeLocale& l, std::string_view format, int depth,
             bool& localeDependent) {
  const char* f = format.data();
  const char* end = f + format.size();
  while (f < end) {
    if (*f != '%') {
      items.push(isSpace(*f) ? Item{Kind::Space, ' ', {}} : Item{Kind::Literal, *f, {}});
      ++f;
      continue;
    }
    FieldOptions s;
    const char* next = readFieldOptions(f + 1, end, s);
    if (!next) {  // a lone '%' at the end matches itself
      for (; f < end; ++f) items.push(Item{Kind::Literal, *f, {}});
      return;
    }
    const std::string_view comp = composite(s.letter, l);
    if (!comp.empty() && depth < kMaxExpansionDepth) {
      localeDependent = localeDependent || (s.letter != 'F' && s.letter != 'T' &&
                                            s.letter != 'R' && s.letter != 'D');
      compile(items, l, comp, depth + 1, localeDependent);
    } else if (s.letter == '%') {
      items.push(Item{Kind::Literal, '%', {}});
    } else if (s.letter == 'n' || s.letter == 't') {
      items.push(Item{Kind::Space, ' ', {}});
    } else {
      const bool spaces = s.pad == '_' || (s.pad == 0 && numberStyle(s.letter).pad == ' ');
      items.push(Item{Kind::Directive, 0, s, spaces, static_cast<std::int8_t>(intFieldIndex(s.letter))});
    }
    f = next;
  }
}

/// The compiled items of a format. The last format without locale formats compiled on this thread
/// is kept, so a loop parsing with one format compiles it once.
class CompiledFormat {
public:
  CompiledFormat(const TimeLocale& l, std::string_view format) {
    Cache& cache = threadCache();
    if (cache.valid && cache.format == format) {
      items_ = &cache.items;
      return;
    }
    own_.emplace();
    bool localeDependent = false;
    compile(*own_, l, format, 0, localeDependent);
    items_ = &*own_;
    if (!localeDependent) {
      cache.valid = false;  // stays invalid if an assignment below throws
      cache.format.assign(format);
      cache.items = *own_;
      cache.valid = true;
    }
  }
  const Item* begin() const { return items_->begin(); }
  const Item* end() const { return items_->end(); }

private:
  struct Cache {
    std::string format;
    Items items;
    bool valid = false;
  };
  static Cache& threadCache() {
    thread_local Cache cache;
    return cache;
  }
  std::optional<Items> own_;
  const Items* items_ = nullptr;
};

enum Has : unsigned {
  kYear = 1u << 0, kCentury = 1u << 1, kYearOfCentury = 1u << 2, kMonth = 1u << 3,
  kDay = 1u << 4, kDayOfYear = 1u << 5, kHour24 = 1u << 6, kHour12 = 1u << 7, kPm = 1u << 8,
  kMinute = 1u << 9, kSecond = 1u << 10, kFraction = 1u << 11, kPosix = 1u << 12, kZone = 1u << 13,
};

/// The fields the directives read.
struct Fields {
  unsigned has = 0;
  Integer year;
  Integer century;
  Integer posix;  // whole seconds
  int yearOfCentury = 0;
  int month = 1;
  int day = 1;
  int dayOfYear = 1;
  int hour = 0;
  bool pm = false;
  int minute = 0;
  int second = 0;
  std::int64_t fraction = 0;  // picoseconds
  int zoneMinutes = 0;
  bool zoneSummer = false;
  std::string_view zoneName;  // into the locale or a fixed name
};

/// A number directive read into an int field of Fields (or only checked, for %u and %w), with its
/// usual digit count and its range.
struct IntField {
  int Fields::*field;
  unsigned bit;
  int digits;
  int lo;
  int hi;
};
constexpr IntField kIntFields[] = {
    {&Fields::yearOfCentury, kYearOfCentury, 2, 0, 99},  // y
    {&Fields::month, kMonth, 2, 1, 12},                  // m
    {&Fields::day, kDay, 2, 1, 31},                      // d e
    {&Fields::dayOfYear, kDayOfYear, 3, 1, 366},         // j
    {&Fields::hour, kHour24, 2, 0, 23},                  // H k
    {&Fields::hour, kHour12, 2, 1, 12},                  // I l
    {&Fields::minute, kMinute, 2, 0, 59},                // M
    {&Fields::second, kSecond, 2, 0, 60},                // S
    {nullptr, 0, 1, 1, 7},                               // u
    {nullptr, 0, 1, 0, 6},                               // w
};
/// The value of n ≤ 18 digits.
inline std::int64_t digitValue(const char* p, int n) {
  std::int64_t v = 0;
  for (int i = 0; i < n; ++i) v = v * 10 + (p[i] - '0');
  return v;
}

bool equalsFold(std::string_view input, const char* p, std::string_view word) {
  if (word.empty() || static_cast<std::size_t>(input.data() + input.size() - p) < word.size()) {
    return false;
  }
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lower(p[i]) != lower(word[i])) return false;
  }
  return true;
}

std::optional<Integer> digitsValue(const char* p, std::size_t n, bool negative) {
  if (n <= 18) {
    std::int64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = v * 10 + (p[i] - '0');
    return Integer(negative ? -v : v);
  }
  return Integer::fromDigits(std::string_view(p, n), negative);
}

/// The matcher over one input. K is called with the end of a complete reading; it returns true to
/// stop (the reading is taken) or false to look for the next reading.
template <class K>
class Matcher {
public:
  Matcher(const TimeLocale& l, std::string_view input, Fields& f, K& k)
      : l_(l), input_(input), end_(input.data() + input.size()), f_(f), k_(k) {}

  /// Looks for readings from p. With firstPathFirst, the path that takes every directive's first
  /// fitting reading is walked as a plain loop before the backtracking search; the search would
  /// reach that path first, so a reading accepted there is the one the search would give.
  bool run(const Item* first, const Item* last, const char* p, bool firstPathFirst) {
    last_ = last;
    if (firstPathFirst) {
      linear_ = true;
      const char* q = p;
      for (const Item* it = first; q && it != last; ++it) q = step(it, q);
      linear_ = false;
      if (q && k_(q)) return true;
    }
    return match(first, p);
  }

private:
  // The reading of one item on the first path: the position after it, or null.
  const char* step(const Item* it, const char* p) {
    switch (it->kind) {
      case Kind::Literal:
        return p < end_ && *p == it->lit ? p + 1 : nullptr;
      case Kind::Space:
        while (p < end_ && isSpace(*p)) ++p;
        return p;
      default:
        if (it->intField >= 0) return firstIntReading(it, p);
        return directive(it, p) ? linearEnd_ : nullptr;
    }
  }

  // The first reading of an int-field directive, as number() would find it: the longest digit run
  // (up to the width) whose value is in range.
  const char* firstIntReading(const Item* it, const char* p) {
    const IntField& fd = kIntFields[it->intField];
    const int hi = it->options.width > 0 ? it->options.width : fd.digits;
    if (it->spaces) {
      while (p < end_ && *p == ' ') ++p;
    }
    int n = 0;
    while (n < hi && p + n < end_ && isDigit(p[n])) ++n;
    for (; n >= 1; --n) {
      if (n > 18) continue;
      const std::int64_t v = digitValue(p, n);
      f_.has |= fd.bit;
      if (fd.field) f_.*fd.field = static_cast<int>(v);
      if (v >= fd.lo && v <= fd.hi) return p + n;
    }
    return nullptr;
  }

  // Goes on after a reading of *it that ends at p: on the first path it just records p.
  bool next(const Item* it, const char* p) {
    if (linear_) {
      linearEnd_ = p;
      return true;
    }
    return match(it + 1, p);
  }

  bool match(const Item* it, const char* p) {
    for (;; ++it) {
      if (it == last_) return k_(p);
      if (it->kind == Kind::Literal) {
        if (p == end_ || *p != it->lit) return false;
        ++p;
        continue;
      }
      if (it->kind == Kind::Space) {
        while (p < end_ && isSpace(*p)) ++p;
        continue;
      }
      return directive(it, p);
    }
  }

  // Unsigned digit runs of lengths hi..lo (longest first) at p, each stored with `store`.
  template <class Store>
  bool number(const Item* it, const char* p, int lo, int hi, Store store) {
    const FieldOptions& s = it->options;
    if (s.width > 0) hi = s.width;
    if (it->spaces) {
      while (p < end_ && *p == ' ') ++p;
    }
    int n = 0;
    while (n < hi && p + n < end_ && isDigit(p[n])) ++n;
    for (; n >= lo && n >= 1; --n) {
      if (n > 18) continue;  // too long for any field
      if (store(digitValue(p, n), n) && next(it, p + n)) return true;
    }
    return false;
  }

  // An optional sign then a digit run of any length, as an Integer: the usual width first (4 for
  // %Y, 2 for %C, none for %s), then longer runs, then shorter ones.
  template <class Store>
  bool bigNumber(const Item* it, const char* p, std::size_t natural, Store store) {
    const FieldOptions& s = it->options;
    bool negative = false;
    if (p < end_ && (*p == '-' || *p == '+')) {
      negative = *p == '-';
      ++p;
    }
    std::size_t n = 0;
    const auto avail = static_cast<std::size_t>(end_ - p);
    const std::size_t hi = s.width > 0 ? static_cast<std::size_t>(s.width) : avail;
    while (n < hi && n < avail && isDigit(p[n])) ++n;
    auto attempt = [&](std::size_t len) {
      store(*digitsValue(p, len, negative));
      return next(it, p + len);
    };
    const std::size_t first = natural == 0 || natural > n ? n : natural;
    if (first == 0) return false;
    if (attempt(first)) return true;
    for (std::size_t len = first + 1; len <= n; ++len) {
      if (attempt(len)) return true;
    }
    for (std::size_t len = first - 1; len >= 1; --len) {
      if (attempt(len)) return true;
    }
    return false;
  }

  template <class Store>
  bool names(const Item* it, const char* p, const std::vector<std::pair<std::string, std::string>>& ns,
             Store store) {
    for (int pass = 0; pass < 2; ++pass) {
      for (std::size_t i = 0; i < ns.size(); ++i) {
        const std::string& w = pass == 0 ? ns[i].first : ns[i].second;
        if (equalsFold(input_, p, w)) {
          store(static_cast<int>(i));
          if (next(it, p + w.size())) return true;
        }
      }
    }
    return false;
  }

  // [+-]HH[:]MM
  bool offset(const Item* it, const char* p) {
    if (p == end_ || (*p != '+' && *p != '-')) return false;
    const bool negative = *p == '-';
    ++p;
    if (end_ - p < 4 || !isDigit(p[0]) || !isDigit(p[1])) return false;
    const int h = (p[0] - '0') * 10 + (p[1] - '0');
    p += 2;
    if (*p == ':') ++p;
    if (end_ - p < 2 || !isDigit(p[0]) || !isDigit(p[1])) return false;
    const int m = (p[0] - '0') * 10 + (p[1] - '0');
    if (m > 59) return false;
    p += 2;
    f_.has |= kZone;
    f_.zoneMinutes = (negative ? -1 : 1) * (h * 60 + m);
    f_.zoneSummer = false;
    f_.zoneName = {};
    return next(it, p);
  }

  bool zoneName(const Item* it, const char* p) {
    const char* q = p;
    while (q < end_ && ((*q >= 'A' && *q <= 'Z') || (*q >= 'a' && *q <= 'z'))) ++q;
    if (q == p) return offset(it, p);
    const std::string_view name(p, static_cast<std::size_t>(q - p));
    for (const TimeZone& z : l_.knownTimeZones) {
      if (z.timeZoneName == name) {
        f_.has |= kZone;
        f_.zoneMinutes = z.timeZoneMinutes;
        f_.zoneSummer = z.timeZoneSummerOnly;
        f_.zoneName = z.timeZoneName;
        return next(it, q);
      }
    }
    if (name == "UTC") {
      f_.has |= kZone;
      f_.zoneMinutes = 0;
      f_.zoneSummer = false;
      f_.zoneName = "UTC";
      return next(it, q);
    }
    return false;
  }

  bool directive(const Item* it, const char* p) {
    Fields& f = f_;
    switch (it->options.letter) {
      case 'Y':
        return bigNumber(it, p, 4, [&](Integer v) { f.has |= kYear; f.year = std::move(v); });
      case 'C':
        return bigNumber(it, p, 2, [&](Integer v) { f.has |= kCentury; f.century = std::move(v); });
      case 's':
        return bigNumber(it, p, 0, [&](Integer v) { f.has |= kPosix; f.posix = std::move(v); });
      case 'y': case 'm': case 'd': case 'e': case 'j': case 'H': case 'k': case 'I': case 'l':
      case 'M': case 'S': case 'u': case 'w': {
        const IntField& fd = kIntFields[it->intField];
        return number(it, p, 1, fd.digits, [&](std::int64_t v, int) {
          f.has |= fd.bit;
          if (fd.field) f.*fd.field = static_cast<int>(v);
          return v >= fd.lo && v <= fd.hi;
        });
      }
      case 'q':
        return number(it, p, 1, 12, [&](std::int64_t v, int n) {
          for (int i = n; i < 12; ++i) v *= 10;
          f.has |= kFraction;
          f.fraction = v;
          return true;
        });
      case 'Q': {
        // Empty, or a point (or comma) and digits; digits past the twelfth are dropped.
        f.has |= kFraction;
        if (p < end_ && (*p == '.' || *p == ',') && p + 1 < end_ && isDigit(p[1])) {
          const char* q = p + 1;
          std::int64_t v = 0;
          int n = 0;
          while (q < end_ && isDigit(*q)) {
            if (n < 12) {
              v = v * 10 + (*q - '0');
              ++n;
            }
            ++q;
          }
          for (; n < 12; ++n) v *= 10;
          f.fraction = v;
          if (next(it, q)) return true;
        }
        f.fraction = 0;
        return next(it, p);
      }
      case 'B': case 'b': case 'h':
        return names(it, p, l_.months, [&](int i) { f.has |= kMonth; f.month = i + 1; });
      case 'A': case 'a':
        return names(it, p, l_.wDays, [](int) {});
      case 'p': case 'P': {
        const std::string* aps[2] = {&l_.amPm.first, &l_.amPm.second};
        for (int i = 0; i < 2; ++i) {
          if (equalsFold(input_, p, *aps[i])) {
            f.has |= kPm;
            f.pm = i == 1;
            if (next(it, p + aps[i]->size())) return true;
          }
        }
        return false;
      }
      case 'z':
        return offset(it, p);
      case 'Z':
        return zoneName(it, p);
      default:
        return false;  // a directive the parser does not know matches nothing
    }
  }

  const TimeLocale& l_;
  std::string_view input_;
  const char* end_;
  Fields& f_;
  K& k_;
  const Item* last_ = nullptr;
  bool linear_ = false;
  const char* linearEnd_ = nullptr;
};

// Building values from the fields.

Integer yearOf(const Fields& f) {
  if (f.has & kYear) return f.year;
  if (f.has & kCentury) {
    return f.century * Integer(100) + Integer((f.has & kYearOfCentury) ? f.yearOfCentury : 0);
  }
  if (f.has & kYearOfCentury) return Integer(f.yearOfCentury < 69 ? 2000 + f.yearOfCentury
                                                                    : 1900 + f.yearOfCentury);
  return Integer(1970);
}

std::optional<Day> buildDay(const Fields& f) {
  if ((f.has & (kYear | kDayOfYear)) == kYear) {
    return Calendar::fromGregorianValid(f.year, f.month, f.day);
  }
  const Integer y = yearOf(f);
  if (f.has & kDayOfYear) return Calendar::fromOrdinalDateValid(y, f.dayOfYear);
  return Calendar::fromGregorianValid(y, f.month, f.day);
}

std::optional<TimeOfDay> buildTimeOfDay(const Fields& f) {
  int h = 0;
  if (f.has & kHour24) {
    h = f.hour;
  } else if (f.has & kHour12) {
    h = f.hour % 12 + (f.pm ? 12 : 0);
  }
  // The directives have checked their ranges (hour 0..23 or 1..12, minute 0..59, second 0..60,
  // fraction below one second), so the time of day is valid as it stands.
  return TimeOfDay{h, f.minute,
                   Pico::fromUnits(Integer(std::int64_t{f.second} * kPicosPerSecond + f.fraction))};
}

TimeZone buildZone(const Fields& f) {
  return TimeZone{f.zoneMinutes, f.zoneSummer, std::string(f.zoneName)};
}

UTCTime posixTime(const Fields& f) {
  return Clock::posixSecondsToUTCTime(
      NominalDiffTime(f.posix * Integer(kPicosPerSecond) + Integer(f.fraction)));
}

std::optional<LocalTime> buildLocal(const Fields& f) {
  if (f.has & kPosix) return Data::Time::LocalTime::utcToLocalTime(buildZone(f), posixTime(f));
  auto d = buildDay(f);
  if (!d) return std::nullopt;
  auto t = buildTimeOfDay(f);
  if (!t) return std::nullopt;
  return LocalTime{std::move(*d), std::move(*t)};
}

std::optional<Day> build(const Fields& f, const Day*) {
  if (f.has & kPosix) return buildLocal(f)->localDay;
  return buildDay(f);
}
std::optional<TimeOfDay> build(const Fields& f, const TimeOfDay*) {
  if (f.has & kPosix) return buildLocal(f)->localTimeOfDay;
  return buildTimeOfDay(f);
}
std::optional<LocalTime> build(const Fields& f, const LocalTime*) { return buildLocal(f); }
std::optional<TimeZone> build(const Fields& f, const TimeZone*) { return buildZone(f); }
std::optional<UTCTime> build(const Fields& f, const UTCTime*) {
  if (f.has & kPosix) return posixTime(f);
  auto lt = buildLocal(f);
  if (!lt) return std::nullopt;
  return Data::Time::LocalTime::localTimeToUTC(buildZone(f), *lt);
}
std::optional<ZonedTime> build(const Fields& f, const ZonedTime*) {
  auto lt = buildLocal(f);
  if (!lt) return std::nullopt;
  return ZonedTime{std::move(*lt), buildZone(f)};
}

const char* skipSpaces(const char* p, const char* end) {
  while (p < end && isSpace(*p)) ++p;
  return p;
}

template <class T>
std::optional<T> parseAll(bool acceptWS, const TimeLocale& l, std::span<const FormatInput> pairs) {
  std::vector<Items> compiled(pairs.size());
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    bool localeDependent = false;
    compile(compiled[i], l, pairs[i].first, 0, localeDependent);
  }
  Fields fields;
  std::optional<T> result;
  // Pair i is matched with a continuation that requires its whole input and goes on to pair i+1.
  auto matchFrom = [&](auto& self, std::size_t i) -> bool {
    if (i == pairs.size()) {
      result = build(fields, static_cast<const T*>(nullptr));
      return result.has_value();
    }
    const std::string_view in = pairs[i].second;
    const char* end = in.data() + in.size();
    auto k = [&](const char* p) {
      if (acceptWS) p = skipSpaces(p, end);
      return p == end && self(self, i + 1);
    };
    Matcher<decltype(k)> m(l, in, fields, k);
    const char* start = acceptWS ? skipSpaces(in.data(), end) : in.data();
    return m.run(compiled[i].begin(), compiled[i].end(), start, false);
  };
  matchFrom(matchFrom, 0);
  return result;
}

// The single-pair case without the vector of compiled formats (the common, fast path).
template <class T>
std::optional<T> parseOne(bool acceptWS, const TimeLocale& l, std::string_view format,
                          std::string_view in) {
  const CompiledFormat items(l, format);
  Fields fields;
  std::optional<T> result;
  const char* end = in.data() + in.size();
  auto k = [&](const char* p) {
    if (acceptWS) p = skipSpaces(p, end);
    if (p != end) return false;
    result = build(fields, static_cast<const T*>(nullptr));
    return result.has_value();
  };
  Matcher<decltype(k)> m(l, in, fields, k);
  m.run(items.begin(), items.end(), acceptWS ? skipSpaces(in.data(), end) : in.data(), true);
  return result;
}

template <class T>
std::vector<std::pair<T, std::string>> readsAll(bool acceptWS, const TimeLocale& l,
                                                std::string_view format, std::string_view in) {
  const CompiledFormat items(l, format);
  Fields fields;
  std::vector<std::pair<T, std::string>> out;
  const char* end = in.data() + in.size();
  auto k = [&](const char* p) {
    if (acceptWS) p = skipSpaces(p, end);
    if (auto v = build(fields, static_cast<const T*>(nullptr))) {
      out.emplace_back(std::move(*v), std::string(p, end));
    }
    return false;  // keep looking: every reading is wanted
  };
  Matcher<decltype(k)> m(l, in, fields, k);
  m.run(items.begin(), items.end(), acceptWS ? skipSpaces(in.data(), end) : in.data(), false);
  return out;
}

}  // namespace

namespace detail {
#define CHRONAL_PARSE_ENTRY_DEF(T)                                                                \
  std::optional<T> parseInto(bool acceptWS, const TimeLocale& l,                                  \
                             std::span<const FormatInput> pairs, const T*) {                      \
    if (pairs.size() == 1) return parseOne<T>(acceptWS, l, pairs[0].first, pairs[0].second);      \
    return parseAll<T>(acceptWS, l, pairs);                                                       \
  }                                                                                               \
  std::vector<std::pair<T, std::string>> readsInto(bool acceptWS, const TimeLocale& l,            \
                                                   std::string_view format,                       \
                                                   std::string_view input, const T*) {            \
    return readsAll<T>(acceptWS, l, format, input);                                               \
  }
CHRONAL_PARSE_ENTRY_DEF(Day)
CHRONAL_PARSE_ENTRY_DEF(TimeOfDay)
CHRONAL_PARSE_ENTRY_DEF(LocalTime)
CHRONAL_PARSE_ENTRY_DEF(TimeZone)
CHRONAL_PARSE_ENTRY_DEF(UTCTime)
CHRONAL_PARSE_ENTRY_DEF(ZonedTime)
#undef CHRONAL_PARSE_ENTRY_DEF

void noParse(std::string_view function, std::string_view format, std::string_view input) {
  using ::Data::Format::showStringLiteral;
  throw std::invalid_argument(std::string(function) + ": no parse of " + showStringLiteral(input) +
                              " with format " + showStringLiteral(format));
}
}  // namespace detail

std::string formatTime(const TimeLocale& l, std::string_view format, const Day& v) {
  const GregorianDate g = Calendar::toGregorian(v);
  return formatWith(l, format, Source{&g, &v, nullptr, nullptr, nullptr});
}

std::string formatTime(const TimeLocale& l, std::string_view format, const TimeOfDay& v) {
  return formatWith(l, format, Source{nullptr, nullptr, &v, nullptr, nullptr});
}

std::string formatTime(const TimeLocale& l, std::string_view format, const LocalTime& v) {
  const GregorianDate g = Calendar::toGregorian(v.localDay);
  return formatWith(l, format, Source{&g, &v.localDay, &v.localTimeOfDay, nullptr, nullptr});
}

std::string formatTime(const TimeLocale& l, std::string_view format, const TimeZone& v) {
  return formatWith(l, format, Source{nullptr, nullptr, nullptr, &v, nullptr});
}

std::string formatTime(const TimeLocale& l, std::string_view format, const UTCTime& v) {
  static const TimeZone utcZone = Data::Time::LocalTime::utc();
  const GregorianDate g = Calendar::toGregorian(v.utctDay);
  const TimeOfDay tod = Data::Time::LocalTime::timeToTimeOfDay(v.utctDayTime);
  return formatWith(l, format, Source{&g, &v.utctDay, &tod, &utcZone, &v});
}

std::string formatTime(const TimeLocale& l, std::string_view format, const ZonedTime& v) {
  const LocalTime& lt = v.zonedTimeToLocalTime;
  const GregorianDate g = Calendar::toGregorian(lt.localDay);
  const UTCTime u = Data::Time::LocalTime::zonedTimeToUTC(v);
  return formatWith(l, format,
                    Source{&g, &lt.localDay, &lt.localTimeOfDay, &v.zonedTimeZone, &u});
}

}  // namespace Data::Time::Format
