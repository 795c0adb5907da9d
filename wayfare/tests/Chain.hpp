// SPDX-License-Identifier: MIT
// A container of the tests' own made index-aware through IndexTraits alone: a singly linked chain
// (forward walks only) whose index is a label computed on the fly ("#0", "#1", ...).
#pragma once

#include <indexed.hpp>

#include <cstddef>
#include <forward_list>
#include <string>
#include <utility>

namespace chain {

template <class T>
struct Chain {
  std::forward_list<T> items;
  std::size_t count = 0;

  static Chain from(auto const& values) {
    Chain c;
    auto tail = c.items.before_begin();
    for (const auto& v : values) {
      tail = c.items.insert_after(tail, T(v));
      ++c.count;
    }
    return c;
  }
};

inline std::string label(std::size_t k) { return "#" + std::to_string(k); }

}  // namespace chain

template <class T>
struct indexed::IndexTraits<chain::Chain<T>> {
  using index_type = std::string;
  using index_reference = std::string;  // made for each visit, not stored in the chain
  using element_type = T;
  template <class B>
  using rebind = chain::Chain<B>;

  template <class V>
  static bool forEach(const chain::Chain<T>& c, V&& visit) {
    std::size_t k = 0;
    for (const T& x : c.items)
      if (!visit(chain::label(k++), x)) return false;
    return true;
  }
  template <class G>
  static auto mapWithIndex(const chain::Chain<T>& c, G&& g) {
    chain::Chain<std::decay_t<std::invoke_result_t<G&, std::string, const T&>>> out;
    auto tail = out.items.before_begin();
    std::size_t k = 0;
    for (const T& x : c.items) tail = out.items.insert_after(tail, g(chain::label(k++), x));
    out.count = k;
    return out;
  }
};
