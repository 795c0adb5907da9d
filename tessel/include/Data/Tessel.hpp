// SPDX-License-Identifier: MIT
// Data/Tessel.hpp: Tessel, an immutable compact UTF-8 text for many small, long-lived strings.
//   using namespace Data::Tessel::Literals;
//   auto [name, rest] = Data::Tessel::splitAt(3, U"abcdef"_tessel);
//
// Every operation that yields a new text copies the bytes it keeps into a fresh array; no text
// ever points into another. Characters are code points (char32_t) 0 to 0x10FFFF; operations that
// take characters from the caller store a surrogate (U+D800 to U+DFFF) as U+FFFD. Counts and
// indices are code points, sizes are bytes. Partial accessors are in Data/Tessel/Partial.hpp.
#pragma once

#include <tessel/export.hpp>

#include "Data/Tessel/Internal.hpp"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>
#include <version>
#if defined(__cpp_lib_format)
#include <format>
#endif

namespace Data::Tessel {

// ---- construction and conversion to characters ------------------------------------------------

/// The empty text.
inline Tessel empty() noexcept { return Tessel(); }
/// The text of one code point (a surrogate becomes U+FFFD); 1 to 4 bytes.
TESSEL_API Tessel singleton(char32_t c);
/// The text of a sequence of code points, each surrogate stored as U+FFFD.
TESSEL_API Tessel fromString(std::u32string_view s);
inline Tessel pack(std::u32string_view s) { return fromString(s); }
inline Tessel fromStringLit(std::u32string_view s) { return fromString(s); }

/// The code points of a text, decoded on demand from the front as the range is walked. The range
/// holds the text (sharing its array).
class TESSEL_API CodePoints {
 public:
  class iterator {
   public:
    using value_type = char32_t;
    using difference_type = std::ptrdiff_t;
    using iterator_category = std::forward_iterator_tag;
    iterator() = default;
    iterator(const std::uint8_t* s, std::int64_t ofs) : s_(s), ofs_(ofs) {}
    char32_t operator*() const noexcept { return Internal::decode(s_, ofs_); }
    iterator& operator++() noexcept {
      ofs_ += Internal::width(Internal::decode(s_, ofs_));
      return *this;
    }
    iterator operator++(int) noexcept {
      iterator old = *this;
      ++*this;
      return old;
    }
    friend bool operator==(const iterator& a, const iterator& b) noexcept { return a.ofs_ == b.ofs_; }

   private:
    const std::uint8_t* s_ = nullptr;
    std::int64_t ofs_ = 0;
  };
  explicit CodePoints(Tessel t) noexcept : t_(std::move(t)) {}
  iterator begin() const noexcept { return {t_.data(), 0}; }
  iterator end() const noexcept { return {t_.data(), t_.size()}; }
  /// All code points at once.
  std::u32string toU32String() const { return std::u32string(begin(), end()); }

 private:
  Tessel t_;
};

/// The code points of t, produced on demand from the front.
inline CodePoints toString(const Tessel& t) { return CodePoints(t); }
inline CodePoints unpack(const Tessel& t) { return CodePoints(t); }

// ---- measuring and testing --------------------------------------------------------------------

/// Number of code points.
inline std::int64_t length(const Tessel& t) noexcept {
  return static_cast<std::int64_t>(hs_tessel_length(t.data(), static_cast<std::uint64_t>(t.size())));
}
/// True for the empty text.
inline bool null(const Tessel& t) noexcept { return t.size() == 0; }
/// True when every byte is below 0x80.
inline bool isAscii(const Tessel& t) noexcept {
  return hs_tessel_is_ascii(t.data(), static_cast<std::uint64_t>(t.size())) != 0;
}
/// True when the bytes are well-formed UTF-8 (always, for a text built through checked means).
inline bool isValidUtf8(const Tessel& t) noexcept {
  return hs_tessel_is_valid_utf8(t.data(), static_cast<std::uint64_t>(t.size())) == 0;
}

// ---- building ---------------------------------------------------------------------------------

/// c (a surrogate becomes U+FFFD) followed by t.
TESSEL_API Tessel cons(char32_t c, const Tessel& t);
/// t followed by c (a surrogate becomes U+FFFD).
TESSEL_API Tessel snoc(const Tessel& t, char32_t c);
/// The bytes of a followed by those of b.
TESSEL_API Tessel append(const Tessel& a, const Tessel& b);
inline Tessel operator+(const Tessel& a, const Tessel& b) { return append(a, b); }
/// All texts one after another.
TESSEL_API Tessel concat(std::span<const Tessel> list);
inline Tessel concat(std::initializer_list<Tessel> list) { return concat(std::span(list.begin(), list.size())); }
/// t repeated n times; empty for n <= 0. Throws std::bad_alloc when the result cannot be allocated.
TESSEL_API Tessel replicate(std::int64_t n, const Tessel& t);
/// The code points in reverse order, each kept as its own byte sequence.
TESSEL_API Tessel reverse(const Tessel& t);

// ---- splitting and indexing -------------------------------------------------------------------

/// (first n code points, rest): (empty, t) for n <= 0, (t, empty) for n at least the length.
TESSEL_API std::pair<Tessel, Tessel> splitAt(std::int64_t n, const Tessel& t);
/// (all but the last n code points, last n): (t, empty) for n <= 0, (empty, t) for n at least the
/// length.
TESSEL_API std::pair<Tessel, Tessel> splitAtEnd(std::int64_t n, const Tessel& t);
TESSEL_API Tessel take(std::int64_t n, const Tessel& t);
TESSEL_API Tessel drop(std::int64_t n, const Tessel& t);
TESSEL_API Tessel takeEnd(std::int64_t n, const Tessel& t);
TESSEL_API Tessel dropEnd(std::int64_t n, const Tessel& t);
/// Code point i from the front; absent for a negative i or one not below the length. `!?`.
TESSEL_API std::optional<char32_t> indexMaybe(const Tessel& t, std::int64_t i);
/// Code point i from the back (0 = last); absent when there is none.
TESSEL_API std::optional<char32_t> indexEndMaybe(const Tessel& t, std::int64_t i);
/// (first code point, rest), absent for the empty text.
TESSEL_API std::optional<std::pair<char32_t, Tessel>> uncons(const Tessel& t);
/// (all but the last code point, last), absent for the empty text.
TESSEL_API std::optional<std::pair<Tessel, char32_t>> unsnoc(const Tessel& t);

// ---- renderings -------------------------------------------------------------------------------

/// A double-quoted literal: \" and \\ escaped, \a \b \t \n \v \f \r by name, other characters
/// below 0x20 or above 0x7E as \uXXXX (\UXXXXXXXX above 0xFFFF). Tessel::read parses it back.
TESSEL_API std::string show(const Tessel& t);
/// The same as show: the precedence does not matter for a literal.
inline std::string showsPrec(int, const Tessel& t) { return show(t); }
/// Writes the text itself (its UTF-8 bytes), as a std::string is written: the stream's width and
/// fill apply, counted in bytes. show gives the quoted literal.
TESSEL_API std::ostream& operator<<(std::ostream& os, const Tessel& t);

// ---- searching, splitting and folding ---------------------------------------------------------

namespace Internal {
/// (bytes before ofs, bytes from ofs), sharing t for an empty side; ofs is a code-point boundary.
TESSEL_API std::pair<Tessel, Tessel> splitAtOffset(const Tessel& t, std::int64_t ofs);
/// The bytes [a, b) of t: t itself when they are all of it, empty when a >= b.
TESSEL_API Tessel between(const Tessel& t, std::int64_t a, std::int64_t b);
/// Offset where the longest prefix of code points satisfying p ends.
template <class P>
std::int64_t prefixEnd(P& p, const Tessel& t) {
  const std::uint8_t* s = t.data();
  const std::int64_t n = t.size();
  std::int64_t o = 0;
  while (o < n) {
    const char32_t c = decode(s, o);
    if (!p(c)) break;
    o += width(c);
  }
  return o;
}
/// Offset where the longest suffix of code points satisfying p starts.
template <class P>
std::int64_t suffixStart(P& p, const Tessel& t) {
  const std::uint8_t* s = t.data();
  std::int64_t o = t.size();
  while (o > 0) {
    const char32_t c = decodeBack(s, o);
    if (!p(c)) break;
    o -= width(c);
  }
  return o;
}
}  // namespace Internal

/// The first code point satisfying p, or absent.
template <class P>
std::optional<char32_t> find(P&& p, const Tessel& t) {
  const std::uint8_t* s = t.data();
  const std::int64_t n = t.size();
  for (std::int64_t o = 0; o < n;) {
    const char32_t c = Internal::decode(s, o);
    if (p(c)) return c;
    o += Internal::width(c);
  }
  return std::nullopt;
}
/// The code-point index of the first code point satisfying p, or absent.
template <class P>
std::optional<std::int64_t> findIndex(P&& p, const Tessel& t) {
  const std::uint8_t* s = t.data();
  const std::int64_t n = t.size();
  std::int64_t k = 0;
  for (std::int64_t o = 0; o < n; ++k) {
    const char32_t c = Internal::decode(s, o);
    if (p(c)) return k;
    o += Internal::width(c);
  }
  return std::nullopt;
}
/// True when some code point satisfies p.
template <class P>
bool any(P&& p, const Tessel& t) {
  return find(p, t).has_value();
}
/// True when every code point satisfies p (true for the empty text).
template <class P>
bool all(P&& p, const Tessel& t) {
  return Internal::prefixEnd(p, t) == t.size();
}
/// The code points satisfying p, in order.
template <class P>
Tessel filter(P&& p, const Tessel& t) {
  const std::uint8_t* s = t.data();
  const std::int64_t n = t.size();
  return Tessel(Bytes::ShortByteString(static_cast<std::size_t>(n), [&](std::uint8_t* out) {
    std::size_t w = 0;
    for (std::int64_t o = 0; o < n;) {
      const char32_t c = Internal::decode(s, o);
      const int k = Internal::width(c);
      if (p(c)) {
        std::memcpy(out + w, s + o, static_cast<std::size_t>(k));
        w += static_cast<std::size_t>(k);
      }
      o += k;
    }
    return w;
  }));
}
/// (longest prefix whose code points all satisfy p, rest).
template <class P>
std::pair<Tessel, Tessel> span(P&& p, const Tessel& t) {
  return Internal::splitAtOffset(t, Internal::prefixEnd(p, t));
}
/// span of the negated predicate.
template <class P>
std::pair<Tessel, Tessel> break_(P&& p, const Tessel& t) {
  auto q = [&p](char32_t c) { return !p(c); };
  return span(q, t);
}
/// (rest, longest suffix whose code points all satisfy p).
template <class P>
std::pair<Tessel, Tessel> spanEnd(P&& p, const Tessel& t) {
  return Internal::splitAtOffset(t, Internal::suffixStart(p, t));
}
/// spanEnd of the negated predicate.
template <class P>
std::pair<Tessel, Tessel> breakEnd(P&& p, const Tessel& t) {
  auto q = [&p](char32_t c) { return !p(c); };
  return spanEnd(q, t);
}
template <class P>
Tessel takeWhile(P&& p, const Tessel& t) {
  return Internal::between(t, 0, Internal::prefixEnd(p, t));
}
template <class P>
Tessel dropWhile(P&& p, const Tessel& t) {
  return Internal::between(t, Internal::prefixEnd(p, t), t.size());
}
template <class P>
Tessel takeWhileEnd(P&& p, const Tessel& t) {
  return Internal::between(t, Internal::suffixStart(p, t), t.size());
}
template <class P>
Tessel dropWhileEnd(P&& p, const Tessel& t) {
  return Internal::between(t, 0, Internal::suffixStart(p, t));
}
/// t without its longest prefix and longest suffix of code points satisfying p.
template <class P>
Tessel dropAround(P&& p, const Tessel& t) {
  const std::int64_t a = Internal::prefixEnd(p, t);
  if (a == t.size()) return Tessel();
  return Internal::between(t, a, Internal::suffixStart(p, t));
}

/// The pieces of t between the code points satisfying p (separators dropped), produced on demand
/// from the first: always one more piece than there are separators.
template <class P>
class Pieces {
 public:
  Pieces(P p, Tessel t) : p_(std::move(p)), t_(std::move(t)) {}
  class iterator {
   public:
    using value_type = Tessel;
    using difference_type = std::ptrdiff_t;
    using iterator_category = std::input_iterator_tag;
    iterator() = default;
    explicit iterator(Pieces* r) : r_(r), start_(0), stop_(r->next(0)) {}
    Tessel operator*() const { return Internal::between(r_->t_, start_, stop_); }
    iterator& operator++() {
      if (stop_ == r_->t_.size()) {
        r_ = nullptr;
      } else {
        start_ = stop_ + Internal::width(Internal::decode(r_->t_.data(), stop_));
        stop_ = r_->next(start_);
      }
      return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const iterator& a, const iterator& b) noexcept {
      return a.r_ == b.r_ && (a.r_ == nullptr || a.start_ == b.start_);
    }

   private:
    Pieces* r_ = nullptr;
    std::int64_t start_ = 0;  // first byte of the current piece
    std::int64_t stop_ = 0;   // separator after it, or the size
  };
  iterator begin() { return iterator(this); }
  iterator end() { return iterator(); }
  /// All pieces at once.
  std::vector<Tessel> toVector() {
    std::vector<Tessel> out;
    for (iterator it = begin(); it != end(); ++it) out.push_back(*it);
    return out;
  }

 private:
  std::int64_t next(std::int64_t o) {
    const std::uint8_t* s = t_.data();
    const std::int64_t n = t_.size();
    while (o < n) {
      const char32_t c = Internal::decode(s, o);
      if (p_(c)) return o;
      o += Internal::width(c);
    }
    return n;
  }
  P p_;
  Tessel t_;
};

/// The pieces between the code points satisfying p, on demand.
template <class P>
Pieces<std::decay_t<P>> split(P&& p, const Tessel& t) {
  return Pieces<std::decay_t<P>>(std::forward<P>(p), t);
}

/// The texts joined with sep between them: empty for no texts, the one text itself for one.
TESSEL_API Tessel intercalate(const Tessel& sep, std::span<const Tessel> list);
inline Tessel intercalate(const Tessel& sep, std::initializer_list<Tessel> list) {
  return intercalate(sep, std::span(list.begin(), list.size()));
}
/// c (a surrogate becomes U+FFFD) between every two code points of t.
TESSEL_API Tessel intersperse(char32_t c, const Tessel& t);
/// Byte-wise prefix test (a code-point prefix test, UTF-8 being self-synchronising).
TESSEL_API bool isPrefixOf(const Tessel& a, const Tessel& b) noexcept;
/// Byte-wise suffix test.
TESSEL_API bool isSuffixOf(const Tessel& a, const Tessel& b) noexcept;
/// b without the prefix a, or absent when a is not a prefix of b.
TESSEL_API std::optional<Tessel> stripPrefix(const Tessel& a, const Tessel& b);
/// b without the suffix a, or absent when a is not a suffix of b.
TESSEL_API std::optional<Tessel> stripSuffix(const Tessel& a, const Tessel& b);

/// f(...f(f(z, c1), c2)..., cn).
template <class F, class A>
A foldl(F&& f, A z, const Tessel& t) {
  const std::uint8_t* s = t.data();
  const std::int64_t n = t.size();
  for (std::int64_t o = 0; o < n;) {
    const char32_t c = Internal::decode(s, o);
    z = f(std::move(z), c);
    o += Internal::width(c);
  }
  return z;
}
/// foldl with the accumulator evaluated at every step (the same thing here).
template <class F, class A>
A foldlStrict(F&& f, A z, const Tessel& t) {
  return foldl(std::forward<F>(f), std::move(z), t);
}
/// f(c1, f(c2, ... f(cn, z))). Evaluated from the last code point to the first, so that a long
/// text needs no deep recursion; f sees the same arguments as in the nested form.
template <class F, class B>
B foldr(F&& f, B z, const Tessel& t) {
  const std::uint8_t* s = t.data();
  for (std::int64_t o = t.size(); o > 0;) {
    const char32_t c = Internal::decodeBack(s, o);
    z = f(c, std::move(z));
    o -= Internal::width(c);
  }
  return z;
}
/// f(...f(f(c1, c2), c3)..., cn); fails with "foldl1: empty Tessel" on the empty text.
template <class F>
char32_t foldl1(F&& f, const Tessel& t) {
  if (t.size() == 0) Internal::fail(Internal::Failure::foldl1Empty);
  const std::uint8_t* s = t.data();
  const std::int64_t n = t.size();
  char32_t acc = Internal::decode(s, 0);
  for (std::int64_t o = Internal::width(acc); o < n;) {
    const char32_t c = Internal::decode(s, o);
    acc = f(acc, c);
    o += Internal::width(c);
  }
  return acc;
}
template <class F>
char32_t foldl1Strict(F&& f, const Tessel& t) {
  return foldl1(std::forward<F>(f), t);
}
/// f(c1, f(c2, ... f(c(n-1), cn))); fails with "foldr1: empty Tessel" on the empty text.
template <class F>
char32_t foldr1(F&& f, const Tessel& t) {
  if (t.size() == 0) Internal::fail(Internal::Failure::foldr1Empty);
  const std::uint8_t* s = t.data();
  char32_t acc = Internal::decodeBack(s, t.size());
  for (std::int64_t o = t.size() - Internal::width(acc); o > 0;) {
    const char32_t c = Internal::decodeBack(s, o);
    acc = f(c, acc);
    o -= Internal::width(c);
  }
  return acc;
}

// ---- exchange with bytes, text and literals ---------------------------------------------------

/// The text wrapping s itself (no copy), or absent when s is not well-formed UTF-8.
TESSEL_API std::optional<Tessel> fromShortByteString(Bytes::ShortByteString s);
/// The text wrapping s itself, unchecked: the caller guarantees well-formed UTF-8.
inline Tessel fromShortByteStringUnsafe(Bytes::ShortByteString s) noexcept {
  return Internal::fromShortByteStringUnsafe(std::move(s));
}
/// A copy of the bytes; absent when they are not well-formed UTF-8 (checked before copying).
TESSEL_API std::optional<Tessel> fromUtf8(std::span<const std::uint8_t> bytes);
inline std::optional<Tessel> fromUtf8(std::string_view bytes) {
  return fromUtf8(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}
/// fromUtf8 of the byte string's bytes.
TESSEL_API std::optional<Tessel> fromByteString(const Bytes::ByteString& b);
/// A copy of the bytes, unchecked.
TESSEL_API Tessel fromByteStringUnsafe(const Bytes::ByteString& b);
/// The array of t itself (no copy).
inline Bytes::ShortByteString toShortByteString(const Tessel& t) noexcept { return t.bytes(); }
/// A new byte string holding a copy of the bytes.
TESSEL_API Bytes::ByteString toByteString(const Tessel& t);
/// A builder step that copies the bytes when run.
inline Bytes::Builder toBuilder(const Tessel& t) { return Bytes::Builder::shortByteString(t.bytes()); }
/// The text over the same array, offset 0, length = size (no copy).
inline Bytes::Text toText(const Tessel& t) noexcept { return Bytes::Text{t.bytes(), 0, t.size()}; }
/// The text's bytes: its array itself when it spans the whole array from offset 0, else a copy.
TESSEL_API Tessel fromText(const Bytes::Text& x);
/// A static NUL-terminated ASCII literal, copied as it is (ASCII by contract, not checked).
TESSEL_API Tessel fromLitAsciiAddr(const char* p);
/// A static NUL-terminated modified-UTF-8 literal (0xC0 0x80 for U+0000, surrogates as their own
/// 3-byte sequences), copied, with 0xC0 0x80 turned into 0x00 and each surrogate into U+FFFD.
TESSEL_API Tessel fromLitMUtf8Addr(const char* p);

// ---- serialised form --------------------------------------------------------------------------

/// Appends the serialised text: an 8-byte big-endian signed byte count, then the bytes.
TESSEL_API void put(std::vector<std::uint8_t>& out, const Tessel& t);
/// Appends an 8-byte big-endian signed element count, then each text in turn.
TESSEL_API void putList(std::vector<std::uint8_t>& out, std::span<const Tessel> list);

/// Reads serialised values from a byte range, from the front.
class TESSEL_API Decoder {
 public:
  explicit Decoder(std::span<const std::uint8_t> input) noexcept : input_(input) {}
  std::size_t position() const noexcept { return pos_; }
  std::size_t remaining() const noexcept { return input_.size() - pos_; }
  /// Reads a big-endian signed 64-bit count; false (nothing consumed) when fewer than 8 bytes remain.
  bool readInt64(std::int64_t& v) noexcept;
  /// The next count bytes, consumed; empty span and false when fewer remain.
  bool readBytes(std::size_t count, std::span<const std::uint8_t>& out) noexcept;
  void rewind(std::size_t position) noexcept { pos_ = position; }

 private:
  std::span<const std::uint8_t> input_;
  std::size_t pos_ = 0;
};

/// A decoded value or the decoder's failure message (failures are returned, never thrown).
template <class T>
class Decoded {
 public:
  static Decoded success(T v) { return Decoded(std::in_place_index<0>, std::move(v)); }
  static Decoded failure(std::string message) { return Decoded(std::in_place_index<1>, std::move(message)); }
  bool ok() const noexcept { return v_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }
  const T& value() const { return std::get<0>(v_); }
  T& value() { return std::get<0>(v_); }
  const std::string& message() const { return std::get<1>(v_); }

 private:
  template <std::size_t I, class V>
  Decoded(std::in_place_index_t<I> i, V&& v) : v_(i, std::forward<V>(v)) {}
  std::variant<T, std::string> v_;
};

/// Reads one serialised text. Fails with "Binary.get(Tessel): Invalid UTF-8 stream" when the bytes
/// are not well-formed UTF-8, "Binary.get: not enough bytes" when the input ends early and
/// "Binary.get: negative count" for a negative count; on failure the decoder is left where it was.
TESSEL_API Decoded<Tessel> get(Decoder& in);
/// Reads a serialised sequence of texts, failing as get does.
TESSEL_API Decoded<std::vector<Tessel>> getList(Decoder& in);

namespace Literals {
/// A text from a UTF-8 literal; a byte that is not part of well-formed UTF-8 becomes U+FFFD.
TESSEL_API Tessel operator""_tessel(const char* s, std::size_t n);
TESSEL_API Tessel operator""_tessel(const char8_t* s, std::size_t n);
/// A text from a code-point literal (fromString).
TESSEL_API Tessel operator""_tessel(const char32_t* s, std::size_t n);
}  // namespace Literals

}  // namespace Data::Tessel

#if defined(__cpp_lib_format)
/// std::format writes the text itself, with the width, fill and alignment options of a string (width, fill,
/// alignment and precision counted as for any UTF-8 string argument).
template <>
struct std::formatter<Data::Tessel::Tessel, char> : std::formatter<std::string_view, char> {
  template <class FormatContext>
  auto format(const Data::Tessel::Tessel& t, FormatContext& ctx) const {
    return std::formatter<std::string_view, char>::format(t.view(), ctx);
  }
};
#endif
