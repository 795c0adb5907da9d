// SPDX-License-Identifier: MIT
// A first look at wayfare: map, fold and traverse that hand each element's index to the function:
// the position in a vector, the key in a map, Unit in the single-value wrappers.
#include <indexed.hpp>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace I = indexed;

// Parses a whole decimal number, or nothing.
std::optional<int> parse(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int main() {
  // Vectors: the index is the position, a std::int64_t from 0.
  const std::vector<int> scores{90, 75, 60};
  const auto ranked = I::imap([](std::int64_t i, int s) { return std::to_string(i + 1) + ". " + std::to_string(s); }, scores);
  for (const auto& line : ranked) std::printf("%s\n", line.c_str());
  const auto weighted = I::ifoldl([](std::int64_t i, std::int64_t acc, int s) { return acc + (i + 1) * s; }, 0, scores);
  std::printf("weighted sum     %lld\n", static_cast<long long>(weighted));

  // Right and left folds see the positions in the same order; ifoldMap combines a monoid.
  const auto right = I::ifoldr([](std::int64_t i, int, std::string acc) { return std::to_string(i) + acc; }, std::string(), scores);
  const auto left = I::ifoldl([](std::int64_t i, std::string acc, int) { return acc + std::to_string(i); }, std::string(), scores);
  std::printf("ifoldr / ifoldl  %s / %s\n", right.c_str(), left.c_str());
  const auto best = I::ifoldMap([](std::int64_t, int s) { return I::Max{s}; }, scores);
  std::printf("best score       %d\n", best.value);

  // Floating-point sums: ifoldMap nests to the right, ifoldMapStrict adds from the left.
  const std::vector<double> xs{1.0, 1e16, -1e16};
  const auto sum = [](std::int64_t, double x) { return I::Sum{x}; };
  std::printf("ifoldMap sum     %g (1 + (1e16 + (-1e16 + 0)))\n", I::ifoldMap(sum, xs).value);
  std::printf("ifoldMapStrict   %g (((0 + 1) + 1e16) + -1e16)\n", I::ifoldMapStrict(sum, xs).value);

  // Maps: the index is the key. Every operation on a hash map walks it in one order.
  const std::unordered_map<std::string, int> stock{{"pears", 4}, {"figs", 0}, {"plums", 12}};
  const auto report = I::ifoldr([](const std::string& k, int n, std::string acc) { return k + "=" + std::to_string(n) + " " + acc; },
                                std::string(), stock);
  std::printf("stock            %s\n", report.c_str());
  const auto restocked = I::imap([](const std::string& k, int n) { return n == 0 ? std::size_t{10} : k.size(); }, stock);
  std::printf("restock figs     %zu\n", restocked.at("figs"));

  // itraverse with std::optional: the first failure ends the traversal.
  const std::map<std::string, std::string> fields{{"height", "180"}, {"width", "64"}};
  const auto parsed = I::itraverse([](const std::string&, const std::string& v) { return parse(v); }, fields);
  std::printf("parsed fields    %s, width %d\n", parsed ? "all" : "not all", parsed ? parsed->at("width") : -1);
  const std::vector<std::string> raw{"7", "x8", "9"};
  int attempts = 0;
  const auto numbers = I::itraverse(
      [&](std::int64_t, const std::string& v) {
        ++attempts;
        return parse(v);
      },
      raw);
  std::printf("parsed list      %s after %d attempts\n", numbers ? "all" : "none", attempts);

  // Single-value wrappers: the index is Unit and the tag is kept.
  struct Celsius {};
  const I::Tagged<double, Celsius> temperature{21.5};
  const auto warmer = I::imap(
      [](I::Unit u, double t) {
        std::printf("index            %s\n", I::show(u).c_str());
        return t + 2;
      },
      temperature);
  std::printf("Tagged           %g\n", warmer.value);
  std::printf("Solo             %d\n", I::ifoldr([](I::Unit, int x, int z) { return x * z; }, 3, I::MkSolo(14)));
}
