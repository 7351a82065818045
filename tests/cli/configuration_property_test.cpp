// Properties of show and set over random configurations in each layout. A random walk from the
// start-up configuration: each step sets one to three random controls to random values (texts
// of every byte, over-long ones, list items, check states), and for every configuration on the
// way:
//  - a set either stores exactly the values asked (read back through show --json) or refuses
//    with nothing written;
//  - show's text is valid UTF-8;
//  - show --json applied with set rebuilds the file byte for byte.

#include <random>
#include <regex>
#include <sstream>

#include "core/json.hpp"
#include "support/configurations.hpp"

namespace capcode {
namespace {

using test::fileBytes;
using test::Outcome;

#ifdef CAPCODE_SANITIZED
// The instrumented build walks fewer: the full walk runs in the normal build.
constexpr int kConfigurations = 40;
#else
constexpr int kConfigurations = 200;
#endif

struct JsonControl {
  std::string name;
  std::string kind;
  std::string value;  // texts and checks: the bytes; lists: the item text; sliders: the number
  int index = -1;
  std::vector<std::string> items;
};

std::vector<JsonControl> controlsOf(const std::string& json) {
  static const std::regex kLine(
      R"re(^  "([^"]+)": \{"label":"(?:[^"\\]|\\.)*","kind":"(\w+)","value":((?:"(?:[^"\\]|\\.)*")|-?\d+)(?:,"item":((?:"(?:[^"\\]|\\.)*")|null))?.*$)re");
  std::vector<JsonControl> controls;
  std::istringstream lines(json);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, kLine)) continue;
    JsonControl c{m[1], m[2], m[3], -1, {}};
    if (c.kind == "text" || c.kind == "check") c.value = parseJsonString(c.value).value_or("?");
    if (c.kind == "list") {
      c.index = std::stoi(m[3]);
      c.value = m[4] == "null" ? "" : parseJsonString(m[4].str()).value_or("?");
    }
    controls.push_back(c);
  }
  return controls;
}

const JsonControl* find(const std::vector<JsonControl>& controls, const std::string& name) {
  for (const JsonControl& c : controls) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

// The same value to a person: equal, the same number, or the text padded with blanks.
bool storedAsAsked(const std::string& asked, const std::string& stored) {
  if (asked == stored) return true;
  const bool numbers = !asked.empty() && !stored.empty() &&
                       asked.find_first_not_of("0123456789.") == std::string::npos &&
                       stored.find_first_not_of("0123456789.") == std::string::npos;
  if (numbers && std::stold(asked) == std::stold(stored)) return true;
  return stored.size() > asked.size() && stored.compare(0, asked.size(), asked) == 0 &&
         stored.find_first_not_of(' ', asked.size()) == std::string::npos;
}

class ConfigurationProperties : public test::Configurations,
                                public ::testing::WithParamInterface<std::uint8_t> {
 protected:
  std::string revision() const { return revisionOptionName(GetParam()); }
  Outcome tool(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.end(), {"--revision", revision()});
    return run(args, input);
  }

  // A random value a person could type or pick for `c` (or one a bit too long).
  std::string randomValue(const JsonControl& c, std::size_t maxLength) {
    if (c.kind == "check") return random_() % 2 ? "on" : "off";
    if (c.kind == "list") return std::to_string(random_() % 12);
    if (c.kind == "slider") return std::to_string(random_() % 120);
    std::string bytes;
    const std::size_t length = random_() % (maxLength + 2);
    const int style = static_cast<int>(random_() % 4);
    for (std::size_t i = 0; i < length; ++i) {
      switch (style) {
        case 0:  // digits, as most fields hold
          bytes += static_cast<char>('0' + random_() % 10);
          break;
        case 1:  // hexadecimal digits, as the tone patterns hold
          bytes += "0123456789ABCDEF"[random_() % 16];
          break;
        case 2:  // printable ASCII
          bytes += static_cast<char>(0x20 + random_() % 0x5F);
          break;
        default:  // any byte at all, control characters and Latin-1 included
          bytes += static_cast<char>(1 + random_() % 255);
          break;
      }
    }
    return jsonString(bytes);  // the quoted form set reads back
  }

  std::mt19937 random_{20261209};
};

INSTANTIATE_TEST_SUITE_P(Layouts, ConfigurationProperties, ::testing::Values(kHwA2, kHwA3, kHwB),
                         [](const auto& info) { return revisionOptionName(info.param); });

TEST_P(ConfigurationProperties, RandomConfigurationsShowAndSetFaithfully) {
  std::string current = settled(GetParam());
  int stored = 0;
  for (int step = 0; step < kConfigurations; ++step) {
    const Outcome json = tool({"show", current, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const std::vector<JsonControl> controls = controlsOf(json.out);
    ASSERT_GT(controls.size(), 150u);

    // show's text is valid UTF-8.
    const Outcome text = tool({"show", current});
    ASSERT_EQ(text.status, 0);
    EXPECT_TRUE(test::validUtf8(text.out)) << current;
    EXPECT_TRUE(test::validUtf8(json.out)) << current;

    // show --json applied with set rebuilds the file.
    std::vector<std::string> all{"set", current};
    for (const JsonControl& c : controls) {
      if (c.kind == "list" && c.index < 0) continue;
      all.push_back(c.name + "=" + (c.kind == "slider" ? c.value : jsonString(c.value)));
    }
    const std::string rebuilt = folder / ("rebuilt" + std::to_string(step) + ".eep");
    all.insert(all.end(), {"-o", rebuilt});
    const Outcome again = tool(all);
    ASSERT_EQ(again.status, 0) << again.err;
    ASSERT_EQ(fileBytes(rebuilt), fileBytes(current)) << "step " << step;

    // A random set either stores exactly what was asked or refuses with nothing written.
    std::vector<std::string> edit{"set", current};
    std::vector<std::pair<std::string, std::string>> asked;
    for (int n = 1 + static_cast<int>(random_() % 3); n > 0; --n) {
      const JsonControl& c = controls[random_() % controls.size()];
      const std::size_t limit =
          c.name.rfind("hellomsg", 0) == 0 || c.name.rfind("canned", 0) == 0 ? 20 : 9;
      const std::string value = randomValue(c, limit);
      edit.push_back(c.name + "=" + value);
      asked.emplace_back(c.name, value);
    }
    const std::string next = folder / ("config" + std::to_string(step) + ".eep");
    edit.insert(edit.end(), {"-o", next});
    const Outcome o = tool(edit);
    if (o.status != 0) {
      EXPECT_TRUE(fileBytes(next).empty()) << "refused yet written: " << o.err;
      EXPECT_TRUE(o.out.find("ok!") == std::string::npos);
      continue;
    }
    const Outcome shown = tool({"show", next, "--json"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    const std::vector<JsonControl> after = controlsOf(shown.out);
    // The last assignment of a control is the one it keeps.
    std::map<std::string, std::string> last(asked.begin(), asked.end());
    for (const auto& [name, value] : last) {
      const JsonControl* c = find(after, name);
      ASSERT_NE(c, nullptr) << name;
      const std::string bytes = value.front() == '"' ? parseJsonString(value).value_or("?") : value;
      if (c->kind == "list") {
        // Picked by item text when an item reads so, else by index.
        EXPECT_TRUE(c->value == bytes || std::to_string(c->index) == bytes) << name << " " << bytes;
      } else {
        EXPECT_TRUE(storedAsAsked(bytes, c->value))
            << name << " asked " << value << " stored " << jsonString(c->value);
      }
    }
    ++stored;
    current = next;
  }
  EXPECT_GT(stored, kConfigurations / 20) << "the walk hardly moved";
}

}  // namespace
}  // namespace capcode
