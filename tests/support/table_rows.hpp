#pragma once
// Rows of the table-driven tests whose cases are two or three texts (what is given and what must
// come back, a file's name and what it holds, a field, what is typed and what it shows), or two
// texts with a number between them (an exit status, a row of a list). A test names the parts where
// it walks its table, so that the rows read as their own: `for (const auto& [script, message] :
// cases)`.

namespace capcode::test {

struct TextAndText {
  const char* first;
  const char* second;
};

struct ThreeTexts {
  const char* first;
  const char* second;
  const char* third;
};

struct TextNumberAndText {
  const char* first;
  int number;
  const char* second;
};

}  // namespace capcode::test
