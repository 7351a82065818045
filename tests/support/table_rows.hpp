#pragma once
// Rows of the table-driven tests whose cases are two texts (what is given and what must come
// back, a file's name and what it holds), some with a number between them (an exit status, a
// row of a list). A test names the parts where it walks its table, so that the rows read as
// their own: `for (const auto& [script, message] : cases)`.

namespace capcode::test {

struct TextAndText {
  const char* first;
  const char* second;
};

struct TextNumberAndText {
  const char* first;
  int number;
  const char* second;
};

}  // namespace capcode::test
