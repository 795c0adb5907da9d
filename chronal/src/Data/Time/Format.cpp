// SPDX-License-Identifier: MIT
// %-directive printing and parsing of calendar values.
//
// Parsing compiles the format into a flat list of items (composite directives such as %F and the
// locale's %c are expanded), then matches the items against the input with backtracking: every
// directive offers its readings longest first, and a continuation decides at the end of the items
// whether the reading is wanted (the whole input consumed and the fields make a valid value).
// Every alternative of a directive assigns the same fields, so a reading that fails later leaves
// nothing behind that the next one does not overwrite. Before any of that, an input laid out
// exactly as the format's usual widths say is read by checking its bytes against that layout,
// which gives the reading the search would find first.
//
// Printing writes into a buffer on the stack and allocates the result once.
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

/// The text being printed: a buffer on the stack, moved to a string only when it fills, so that
/// printing allocates the result once.
class Writer {
public:
  Writer& operator+=(char c) {
    if (n_ == kSize) spill();
    buf_[n_++] = c;
    return *this;
  }
  Writer& operator+=(std::string_view s) {
    append(s.data(), s.size());
    return *this;
  }
  void append(const char* p, std::size_t n) {
    if (n > kSize - n_) {
      appendLong(p, n);
      return;
    }
    // The pieces are a few bytes long: a plain copy beats the call into memcpy.
    for (std::size_t i = 0; i < n; ++i) buf_[n_ + i] = p[i];
    n_ += n;
  }
  void append(const char* first, const char* last) {
    append(first, static_cast<std::size_t>(last - first));
  }
  /// Room for n ≤ 256 more bytes, to be written through the pointer returned.
  char* extend(std::size_t n) {
    if (n > kSize - n_) spill();
    char* p = buf_ + n_;
    n_ += n;
    return p;
  }
  std::string take() {
    if (out_.empty()) return std::string(buf_, n_);
    spill();
    return std::move(out_);
  }

private:
  void spill() {
    out_.append(buf_, n_);
    n_ = 0;
  }
  [[gnu::noinline]] void appendLong(const char* p, std::size_t n) {
    spill();
    if (n > kSize) {
      out_.append(p, n);
    } else {
      std::memcpy(buf_, p, n);
      n_ = n;
    }
  }
  static constexpr std::size_t kSize = 256;
  char buf_[kSize];
  std::size_t n_ = 0;
  std::string out_;
};

[[gnu::noinline]] void appendPaddedNumSlow(Writer& out, std::int64_t v, int width, char padChar) {
  std::string text;
  Calendar::Private::appendPaddedNum(text, v, width, padChar);
  out += text;
}

/// v padded on the left with padChar to width, as Calendar::Private::appendPaddedNum writes it;
/// the usual values below 10000 are written directly.
void appendPaddedNum(Writer& out, std::int64_t v, int width, char padChar) {
  if (v >= 0 && v < 10000 && width <= 8) {
    const auto u = static_cast<unsigned>(v);
    const int n = u < 10 ? 1 : u < 100 ? 2 : u < 1000 ? 3 : 4;
    const int pads = width > n ? width - n : 0;
    char* p = out.extend(static_cast<std::size_t>(pads + n));
    for (int k = 0; k < pads; ++k) *p++ = padChar;
    switch (n) {
      case 4: *p++ = static_cast<char>('0' + u / 1000); [[fallthrough]];
      case 3: *p++ = static_cast<char>('0' + u / 100 % 10); [[fallthrough]];
      case 2: *p++ = static_cast<char>('0' + u / 10 % 10); [[fallthrough]];
      default: *p = static_cast<char>('0' + u % 10);
    }
    return;
  }
  appendPaddedNumSlow(out, v, width, padChar);
}
void appendPaddedNum(Writer& out, const Integer& v, int width, char padChar) {
  if (v.fitsInt64()) {
    appendPaddedNum(out, v.small(), width, padChar);
    return;
  }
  std::string text;
  Calendar::Private::appendPaddedNum(text, v, width, padChar);
  out += text;
}

void appendCased(Writer& out, std::string_view s, char caseMod) {
  if (caseMod == 0) {
    out += s;
    return;
  }
  for (char c : s) out += caseMod == '^' ? upper(c) : lower(c);
}

/// The width and padding character a directive's 64-bit value prints with (width 0: none).
struct Padding {
  int width;
  char padChar;
};
Padding numberPadding(const FieldOptions& s) {
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
  return {pad == 0 ? 0 : width, pad == 0 ? '0' : pad};
}

void appendNumber(Writer& out, const FieldOptions& s, std::int64_t v) {
  const Padding p = numberPadding(s);
  appendPaddedNum(out, v, p.width, p.padChar);
}

void appendNumber(Writer& out, const FieldOptions& s, const Integer& v) {
  if (v.fitsInt64()) {
    appendNumber(out, s, v.small());
    return;
  }
  const NumberStyle st = numberStyle(s.letter);
  char pad = s.pad == '_' ? ' ' : s.pad == '0' ? '0' : st.pad;
  if (s.pad == '-') pad = 0;
  const int width = s.width >= 0 ? s.width : st.width;
  appendPaddedNum(out, v, pad == 0 ? 0 : width, pad == 0 ? '0' : pad);
}

void appendOffset(Writer& out, int minutes, bool colon) {
  out += minutes < 0 ? '-' : '+';
  const std::int64_t a = minutes < 0 ? -std::int64_t{minutes} : minutes;
  appendPaddedNum(out, a / 60, 2, '0');
  if (colon) out += ':';
  appendPaddedNum(out, a % 60, 2, '0');
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
bool appendDirective(Writer& out, const TimeLocale& l, const FieldOptions& s, const Source& src) {
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

/// Walks a format for printing, composite directives expanded: literal(text) for text printed as
/// it stands, directive(options, text) for a directive and the text it came from. Sets
/// localeDependent when it expands a locale format.
template <class Literal, class Directive>
void forEachPrintPiece(const TimeLocale& l, std::string_view format, int depth, bool& localeDependent,
                       Literal& literal, Directive& directive) {
  const char* f = format.data();
  const char* end = f + format.size();
  while (f < end) {
    const char* pct = f;
    while (pct < end && *pct != '%') ++pct;
    if (pct != f) literal(std::string_view(f, static_cast<std::size_t>(pct - f)));
    if (pct == end) return;
    FieldOptions s;
    const char* next = readFieldOptions(pct + 1, end, s);
    if (!next) {  // a lone '%' at the end prints as it stands
      literal(std::string_view(pct, static_cast<std::size_t>(end - pct)));
      return;
    }
    const std::string_view comp = composite(s.letter, l);
    if (!comp.empty() && depth < kMaxExpansionDepth) {
      localeDependent = localeDependent || (s.letter != 'F' && s.letter != 'T' &&
                                            s.letter != 'R' && s.letter != 'D');
      forEachPrintPiece(l, comp, depth + 1, localeDependent, literal, directive);
    } else {
      directive(s, std::string_view(pct, static_cast<std::size_t>(next - pct)));
    }
    f = next;
  }
}

/// A format walked once for printing: its pieces, with their text held alongside. Trivially
/// constructed and destroyed; a format whose pieces do not fit is printed by walking it.
struct PrintProgram {
  static constexpr std::size_t kMaxFormat = 64;
  static constexpr std::size_t kMaxPieces = 32;
  static constexpr std::size_t kMaxText = 128;
  struct Piece {
    FieldOptions options;
    bool isDirective;
    std::uint8_t at;    // the text: offset and size in text
    std::uint8_t size;
    Padding padding;    // of a directive's 64-bit value
  };
  std::array<char, kMaxFormat> format{};
  std::uint8_t formatSize = 0;
  std::uint8_t pieceCount = 0;
  std::uint8_t textSize = 0;
  bool valid = false;
  std::array<Piece, kMaxPieces> pieces{};
  std::array<char, kMaxText> text{};

  /// Adds a piece; false when it does not fit.
  bool add(const FieldOptions& options, bool isDirective, std::string_view t) {
    if (pieceCount == kMaxPieces || t.size() > kMaxText - textSize) return false;
    std::copy(t.begin(), t.end(), text.begin() + textSize);
    pieces[pieceCount++] = {options, isDirective, textSize, static_cast<std::uint8_t>(t.size()),
                            isDirective ? numberPadding(options) : Padding{0, '0'}};
    textSize = static_cast<std::uint8_t>(textSize + t.size());
    return true;
  }
  bool holds(std::string_view f) const {
    if (!valid || formatSize != f.size()) return false;
    for (std::size_t i = 0; i < f.size(); ++i) {  // formats are short: no call into memcmp
      if (format[i] != f[i]) return false;
    }
    return true;
  }
  void print(Writer& out, const TimeLocale& l, const Source& src) const {
    for (std::size_t i = 0; i < pieceCount; ++i) {
      const Piece& p = pieces[i];
      std::int64_t v;
      if (!p.isDirective) {
        out.append(&text[p.at], p.size);
      } else if (quickNumber(p.options.letter, src, v)) {
        appendPaddedNum(out, v, p.padding.width, p.padding.padChar);
      } else if (!appendDirective(out, l, p.options, src)) {
        out.append(&text[p.at], p.size);
      }
    }
  }

private:
  // The value appendDirective prints through appendNumber for the usual date and time fields,
  // when it is at hand as a 64-bit integer; false leaves the directive to appendDirective.
  static bool quickNumber(char letter, const Source& src, std::int64_t& v) {
    const GregorianDate* g = src.date;
    const TimeOfDay* t = src.tod;
    switch (letter) {
      case 'Y':
        if (!g || !g->year.fitsInt64()) return false;
        v = g->year.small();
        return true;
      case 'm':
        if (!g) return false;
        v = g->month;
        return true;
      case 'd': case 'e':
        if (!g) return false;
        v = g->day;
        return true;
      case 'H': case 'k':
        if (!t) return false;
        v = t->todHour;
        return true;
      case 'M':
        if (!t) return false;
        v = t->todMin;
        return true;
      case 'S': {
        if (!t) return false;
        const Integer& ps = t->todSec.units();
        if (!ps.fitsInt64() || ps.small() < 0) return false;
        v = ps.small() / kPicosPerSecond;
        return true;
      }
      default:
        return false;
    }
  }
};

// The last format without locale formats printed on this thread, walked once. Out of line: the
// compiler would otherwise look the thread-local address up again at each use.
constinit thread_local PrintProgram lastPrintProgram{};
[[gnu::noinline]] PrintProgram& printCache() noexcept { return lastPrintProgram; }

std::string formatWith(const TimeLocale& l, std::string_view format, const Source& src) {
  Writer out;
  PrintProgram& cache = printCache();
  if (cache.holds(format)) {
    cache.print(out, l, src);
    return out.take();
  }
  PrintProgram program;
  bool fits = format.size() <= PrintProgram::kMaxFormat;
  bool localeDependent = false;
  auto literal = [&](std::string_view t) { fits = fits && program.add({}, false, t); };
  auto directive = [&](const FieldOptions& o, std::string_view t) {
    fits = fits && program.add(o, true, t);
  };
  forEachPrintPiece(l, format, 0, localeDependent, literal, directive);
  if (fits) {
    program.print(out, l, src);
    if (!localeDependent) {
      std::copy(format.begin(), format.end(), program.format.begin());
      program.formatSize = static_cast<std::uint8_t>(format.size());
      program.valid = true;
      cache = program;
    }
    return out.take();
  }
  auto print = [&](std::string_view t) { out += t; };
  auto printDirective = [&](const FieldOptions& o, std::string_view t) {
    if (!appendDirective(out, l, o, src)) out += t;
  };
  forEachPrintPiece(l, format, 0, localeDependent, print, printDirective);
  return out.take();
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

enum Has : unsigned {
  kYear = 1u << 0, kCentury = 1u << 1, kYearOfCentury = 1u << 2, kMonth = 1u << 3,
  kDay = 1u << 4, kDayOfYear = 1u << 5, kHour24 = 1u << 6, kHour12 = 1u << 7, kPm = 1u << 8,
  kMinute = 1u << 9, kSecond = 1u << 10, kFraction = 1u << 11, kPosix = 1u << 12, kZone = 1u << 13,
};

/// The fields the directives read.
struct Fields {
  // Set one by one in the body: from default member initialisers GCC clears the whole object
  // first with `rep stos`, whose start-up costs a fifth of a short parse.
  Fields() noexcept {
    has = 0;
    yearOfCentury = hour = minute = second = checkedOnly = zoneMinutes = 0;
    month = day = dayOfYear = 1;
    pm = zoneSummer = false;
    fraction = 0;
  }
  unsigned has;
  Integer year;
  Integer century;
  Integer posix;  // whole seconds
  int yearOfCentury;
  int month;
  int day;
  int dayOfYear;
  int hour;
  bool pm;
  int minute;
  int second;
  int checkedOnly;  // where the layout stores %u and %w, which only check their range
  std::int64_t fraction;  // picoseconds
  int zoneMinutes;
  bool zoneSummer;
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
/// The first path of a format made only of literals, white space and numbers of a fixed usual
/// width, as a byte layout: each number takes its usual width (digits only, no sign, no leading
/// spaces) and each white-space item one white-space character. An input of exactly that layout
/// is read by checking its bytes against the layout; the first path over the items would read it
/// the same way, since each number there takes at most its usual width and each white-space run
/// ends at a byte the layout requires to be a digit or another character. Any other input, and any
/// number out of its range, goes through the items.
struct Layout {
  static constexpr std::size_t kMaxBytes = 64;
  static constexpr std::size_t kMaxFields = 16;
  static constexpr std::size_t kMaxSpaces = 8;
  struct Field {
    std::uint8_t at;      // offset of the first digit
    std::uint8_t digits;  // 1..9
    char letter;          // 'Y' or 'C' for the Integer fields, else 0
    int Fields::*field;   // an int field (null for %u and %w, which are only checked)
    unsigned bit;
    int lo;
    int hi;
  };
  bool usable = false;
  std::uint8_t size = 0;
  std::uint8_t fieldCount = 0;
  std::uint8_t spaceCount = 0;
  unsigned has = 0;  // the bits of every field
  // The bytes are checked eight at a time (the last eight overlapping the ones before when the
  // size is not a multiple of eight): chunk j starts at chunkAt(j) and holds the literal bytes
  // wanted, a mask of the literal positions and a mask of the digit positions.
  std::array<std::uint64_t, kMaxBytes / 8> litBytes{};
  std::array<std::uint64_t, kMaxBytes / 8> litMask{};
  std::array<std::uint64_t, kMaxBytes / 8> digitMask{};
  std::array<std::uint8_t, kMaxSpaces> spaceAt{};
  std::array<Field, kMaxFields> fields{};

  std::size_t chunks() const { return (size + 7u) / 8u; }
  std::size_t chunkAt(std::size_t j) const { return size < 8 ? 0 : std::min<std::size_t>(8 * j, size - 8u); }
};

/// The layout of compiled items, or an unusable one when some item has no fixed layout.
Layout makeLayout(const Items& items) {
  enum : char { kLit, kDigit, kSpace };
  std::array<char, Layout::kMaxBytes> kind{};
  std::array<char, Layout::kMaxBytes> lit{};
  Layout out;
  std::size_t n = 0;
  auto put = [&](char k, char c) {
    if (n == Layout::kMaxBytes) return false;
    kind[n] = k;
    lit[n] = c;
    ++n;
    return true;
  };
  for (const Item& it : items) {
    if (it.kind == Kind::Literal) {
      if (!put(kLit, it.lit)) return {};
      continue;
    }
    if (it.kind == Kind::Space) {
      if (out.spaceCount == Layout::kMaxSpaces) return {};
      out.spaceAt[out.spaceCount++] = static_cast<std::uint8_t>(n);
      if (!put(kSpace, ' ')) return {};
      continue;
    }
    const FieldOptions& o = it.options;
    int digits = 0;
    if (it.intField >= 0) {
      digits = o.width > 0 ? o.width : kIntFields[it.intField].digits;
    } else if (o.letter == 'Y' || o.letter == 'C') {
      const int natural = o.letter == 'Y' ? 4 : 2;
      digits = o.width > 0 && o.width < natural ? o.width : natural;
    } else {
      return {};
    }
    if (it.spaces || digits > 9 || out.fieldCount == Layout::kMaxFields) return {};
    Layout::Field& field = out.fields[out.fieldCount++];
    field.at = static_cast<std::uint8_t>(n);
    field.digits = static_cast<std::uint8_t>(digits);
    if (it.intField >= 0) {
      const IntField& fd = kIntFields[it.intField];
      field = {field.at, field.digits, 0, fd.field ? fd.field : &Fields::checkedOnly, fd.bit, fd.lo,
               fd.hi};
    } else {
      field.letter = o.letter;
      field.bit = o.letter == 'Y' ? kYear : kCentury;
    }
    out.has |= field.bit;
    for (int i = 0; i < digits; ++i) {
      if (!put(kDigit, '0')) return {};
    }
  }
  out.size = static_cast<std::uint8_t>(n);
  for (std::size_t j = 0; j < out.chunks(); ++j) {
    const std::size_t at = out.chunkAt(j);
    for (std::size_t b = 0; b < 8 && at + b < n; ++b) {
      const unsigned shift = static_cast<unsigned>(8 * b);
      if (kind[at + b] == kLit) {
        out.litBytes[j] |= std::uint64_t{static_cast<unsigned char>(lit[at + b])} << shift;
        out.litMask[j] |= std::uint64_t{0xff} << shift;
      } else if (kind[at + b] == kDigit) {
        out.digitMask[j] |= std::uint64_t{0xff} << shift;
      }
    }
  }
  out.usable = true;
  return out;
}

/// The compiled items of a format. The last format without locale formats compiled on this thread
/// is kept, so a loop parsing with one format compiles it once.
class CompiledFormat {
public:
  CompiledFormat(const TimeLocale& l, std::string_view format) {
    Cache& cache = threadCache();
    if (cache.valid && sameText(cache, format)) {
      begin_ = cache.items.data();
      end_ = begin_ + cache.itemCount;
      layout_ = &cache.layout;
      return;
    }
    own_.emplace();
    bool localeDependent = false;
    compile(own_->items, l, format, 0, localeDependent);
    own_->layout = makeLayout(own_->items);
    begin_ = own_->items.begin();
    end_ = own_->items.end();
    layout_ = &own_->layout;
    const auto count = static_cast<std::size_t>(end_ - begin_);
    if (!localeDependent && format.size() <= Cache::kMaxFormat && count <= cache.items.size()) {
      cache.valid = false;
      std::copy(format.begin(), format.end(), cache.format.begin());
      cache.formatSize = static_cast<std::uint8_t>(format.size());
      std::copy(begin_, end_, cache.items.begin());
      cache.itemCount = static_cast<std::uint8_t>(count);
      cache.layout = own_->layout;
      cache.valid = true;
    }
  }
  const Item* begin() const { return begin_; }
  const Item* end() const { return end_; }
  const Layout& layout() const { return *layout_; }

private:
  // Trivially constructed and destroyed, so that reaching it takes one thread-local access and
  // no guard; formats longer than it holds are compiled each time.
  struct Cache {
    static constexpr std::size_t kMaxFormat = 64;
    std::array<char, kMaxFormat> format{};
    std::uint8_t formatSize = 0;
    std::uint8_t itemCount = 0;
    bool valid = false;
    std::array<Item, 32> items{};
    Layout layout;
  };
  struct Own {
    Items items;
    Layout layout;
  };
  // Formats are short: a plain loop beats the call into memcmp.
  static bool sameText(const Cache& c, std::string_view b) {
    if (c.formatSize != b.size()) return false;
    for (std::size_t i = 0; i < b.size(); ++i) {
      if (c.format[i] != b[i]) return false;
    }
    return true;
  }
  // Out of line: the compiler would otherwise look the thread-local address up again at each use.
  [[gnu::noinline]] static Cache& threadCache() noexcept { return cache_; }
  static constinit thread_local Cache cache_;
  std::optional<Own> own_;
  const Item* begin_ = nullptr;
  const Item* end_ = nullptr;
  const Layout* layout_ = nullptr;
};
constinit thread_local CompiledFormat::Cache CompiledFormat::cache_{};

/// The value of n ≤ 18 digits.
inline std::int64_t digitValue(const char* p, int n) {
  std::int64_t v = 0;
  for (int i = 0; i < n; ++i) v = v * 10 + (p[i] - '0');
  return v;
}

/// Whether every byte of x under mask (0xff bytes) is an ASCII digit.
constexpr bool digitsUnder(std::uint64_t x, std::uint64_t mask) {
  constexpr std::uint64_t kZeros = 0x3030303030303030;
  constexpr std::uint64_t kSix = 0x0606060606060606;
  constexpr std::uint64_t kHigh = 0xf0f0f0f0f0f0f0f0;
  // Each byte minus '0' must be at most 9: no high nibble, and none after adding 6 either. A byte
  // that fails the first test fails the whole check, so a carry out of it cannot matter.
  const std::uint64_t d = (x ^ kZeros) & mask;
  return ((d | (d + kSix)) & kHigh) == 0;
}

/// Reads an input [p, end) laid out exactly as the layout says into the fields, as the first path
/// over the items would; false (the fields partly written) when the input is not laid out so or a
/// number is outside its range.
bool readLayout(const Layout& layout, const char* p, const char* end, Fields& f) {
  if (!layout.usable || end - p != layout.size) return false;
  for (std::size_t j = 0; j < layout.chunks(); ++j) {
    std::uint64_t x = 0;
    if (layout.size >= 8) {
      std::memcpy(&x, p + layout.chunkAt(j), 8);
    } else {
      for (std::size_t b = 0; b < layout.size; ++b) {
        x |= std::uint64_t{static_cast<unsigned char>(p[b])} << (8 * b);
      }
    }
    if (((x ^ layout.litBytes[j]) & layout.litMask[j]) != 0) return false;
    if (!digitsUnder(x, layout.digitMask[j])) return false;
  }
  for (std::size_t i = 0; i < layout.spaceCount; ++i) {
    if (!isSpace(p[layout.spaceAt[i]])) return false;
  }
  f.has |= layout.has;
  for (std::size_t i = 0; i < layout.fieldCount; ++i) {
    const Layout::Field& field = layout.fields[i];
    const char* q = p + field.at;
    const std::int64_t v = field.digits == 2   ? (q[0] - '0') * 10 + (q[1] - '0')
                           : field.digits == 4 ? ((q[0] - '0') * 10 + (q[1] - '0')) * 100 +
                                                     (q[2] - '0') * 10 + (q[3] - '0')
                                               : digitValue(q, field.digits);
    if (field.letter == 0) {
      if (v < field.lo || v > field.hi) return false;
      f.*field.field = static_cast<int>(v);
    } else {
      (field.letter == 'Y' ? f.year : f.century) = Integer(v);
    }
  }
  return true;
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
        if (it->options.letter == 'Y' || it->options.letter == 'C') {
          if (const char* q = firstYearReading(it, p)) return q;
        }
        return firstDirectiveReading(it, p);
    }
  }

  // Any other directive on the first path, kept out of line so that the loop over the common
  // items stays small.
  [[gnu::noinline]] const char* firstDirectiveReading(const Item* it, const char* p) {
    return directive(it, p) ? linearEnd_ : nullptr;
  }

  // The first reading of %Y or %C when it fits 64 bits, as bigNumber would find it (an optional
  // sign, then the usual width or every digit when fewer); null leaves it to bigNumber.
  const char* firstYearReading(const Item* it, const char* p) {
    const char letter = it->options.letter;
    bool negative = false;
    if (p < end_ && (*p == '-' || *p == '+')) {
      negative = *p == '-';
      ++p;
    }
    const int natural = letter == 'Y' ? 4 : 2;
    const int width = it->options.width;
    int n = 0;
    while (n < natural && (width <= 0 || n < width) && p + n < end_ && isDigit(p[n])) ++n;
    if (n == 0) return nullptr;
    const std::int64_t v = digitValue(p, n);
    Integer& field = letter == 'Y' ? f_.year : f_.century;
    field = Integer(negative ? -v : v);
    f_.has |= letter == 'Y' ? kYear : kCentury;
    return p + n;
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
    if (f.year.fitsInt64() && f.year.small() > -Calendar::detail::fastYearLimit &&
        f.year.small() < Calendar::detail::fastYearLimit) {  // the usual years, on 64 bits
      const std::int64_t y = f.year.small();
      if (f.month < 1 || f.month > 12 || f.day < 1 ||
          (f.day > 28 && f.day > Calendar::detail::monthLength(Calendar::detail::isLeap(y), f.month))) {
        return std::nullopt;
      }
      return Day(Calendar::detail::mjdFromCivil(y, f.month, f.day));
    }
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
  const char* start = acceptWS ? skipSpaces(in.data(), end) : in.data();
  const char* last = end;
  if (acceptWS) {
    while (last > start && isSpace(last[-1])) --last;
  }
  if (readLayout(items.layout(), start, last, fields) && k(last)) return result;
  fields = Fields{};
  Matcher<decltype(k)> m(l, in, fields, k);
  m.run(items.begin(), items.end(), start, true);
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
