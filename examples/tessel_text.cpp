// SPDX-License-Identifier: MIT
// A first look at tessel: compact UTF-8 text that counts code points, not bytes, and never holds
// malformed UTF-8.
#include <Data/Tessel.hpp>

#include <cstdio>
#include <string>
#include <string_view>

int main() {
  namespace T = Data::Tessel;
  using namespace Data::Tessel::Literals;

  // The bytes of a text are its UTF-8; show renders it as an escaped literal.
  const auto utf8 = [](const T::Tessel& t) {
    return std::string(reinterpret_cast<const char*>(t.data()), t.size());
  };
  const T::Tessel greeting = u8"Grüße, 世界! 👋"_tessel;
  std::printf("text            %s\n", utf8(greeting).c_str());
  std::printf("show            %s\n", T::show(greeting).c_str());
  std::printf("code points     %lld\n", static_cast<long long>(T::length(greeting)));
  std::printf("bytes           %zu\n", greeting.size());

  const auto [head, tail] = T::splitAt(5, greeting);
  std::printf("splitAt 5       %s | %s\n", utf8(head).c_str(), utf8(tail).c_str());
  std::printf("reverse         %s\n", utf8(T::reverse(greeting)).c_str());

  // Bytes from outside are validated before they become text.
  for (std::string_view raw : {std::string_view("caf\xC3\xA9"), std::string_view("caf\xC3")}) {
    const auto text = T::fromByteString(T::Bytes::ByteString::copy(raw));
    std::printf("%-15s %s\n", text ? "valid bytes" : "invalid bytes",
                text ? utf8(*text).c_str() : "(rejected: a sequence is cut short)");
  }
}
