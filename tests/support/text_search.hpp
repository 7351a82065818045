#pragma once
// Whether a program's output holds a text: the tests' one spelling of the question.

#include <string>

namespace capcode::test {

inline bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace capcode::test
