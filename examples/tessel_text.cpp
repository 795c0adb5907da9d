// SPDX-License-Identifier: MIT
// A first look at tessel: compact UTF-8 text that counts code points, not bytes, and never holds
// malformed UTF-8.
#include <Data/Tessel.hpp>

#include <iostream>
#include <string_view>

int main() {
  namespace T = Data::Tessel;
  using namespace Data::Tessel::Literals;

  // A text prints as its UTF-8 bytes, like a std::string; show renders it as an escaped literal.
  const T::Tessel greeting = u8"Grüße, 世界! 👋"_tessel;
  std::cout << "text            " << greeting << "\n";
  std::cout << "show            " << T::show(greeting) << "\n";
  std::cout << "code points     " << T::length(greeting) << "\n";
  std::cout << "bytes           " << greeting.size() << "\n";

  const auto [head, tail] = T::splitAt(5, greeting);
  std::cout << "splitAt 5       " << head << " | " << tail << "\n";
  std::cout << "reverse         " << T::reverse(greeting) << "\n";

  // Bytes from outside are validated before they become text.
  for (std::string_view raw : {std::string_view("caf\xC3\xA9"), std::string_view("caf\xC3")}) {
    const auto text = T::fromByteString(T::Bytes::ByteString::copy(raw));
    std::cout << (text ? "valid bytes     " : "invalid bytes   ");
    if (text) std::cout << *text << "\n";
    else std::cout << "(rejected: a sequence is cut short)\n";
  }
}
