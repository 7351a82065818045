// The README's git recipe: `*.eep diff=capcode` with `capcode show` as the textconv driver, in a
// throwaway repository, so that git diff and git log -p show configurations as text.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/configurations.hpp"

namespace capcode {
namespace {

using test::has;

std::string readText(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class GitTextconv : public test::Configurations {};

TEST_F(GitTextconv, GitDiffAndLogShowConfigurationsAsText) {
  if (std::system("git --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "git is not installed";
  const std::string before = settled(kHwB);
  const std::string after = folder / "after.eep";
  ASSERT_EQ(run({"set", before, "address3=2004800", "hellomsg2=Café", "-o", after}).status, 0);

  const std::string repo = folder / "repo";
  const std::string script = folder / "recipe.sh";
  std::ofstream out(script);
  out << "set -e\nexport HOME='" << folder.path() << "' GIT_CONFIG_NOSYSTEM=1\n"
      << "mkdir '" << repo << "' && cd '" << repo << "'\n"
      << "git init -q . && git config user.email t@example.org && git config user.name t\n"
      << "echo '*.eep diff=capcode' > .gitattributes\n"
      << "git config diff.capcode.textconv '" << CAPCODE_TOOL << " show --data-dir " << kData
      << "'\n"
      << "cp '" << before << "' cfg.eep && git add . && git commit -qm one\n"
      << "cp '" << after << "' cfg.eep && git commit -qam two\n"
      << "git diff HEAD~1 HEAD > diff.txt 2> diff.err\n"
      << "git log -p -- cfg.eep > log.txt 2> log.err\n"
      << "git -c diff.capcode.textconv='" << CAPCODE_TOOL << " show --quiet --data-dir " << kData
      << "' diff HEAD~1 HEAD > quiet.txt 2> quiet.err\n";
  out.close();
  ASSERT_EQ(std::system(("bash " + script).c_str()), 0);

  for (const char* name : {"diff.txt", "log.txt"}) {
    const std::string text = readText(repo + "/" + name);
    EXPECT_FALSE(has(text, "Binary files")) << name;
    EXPECT_TRUE(has(text, "\n-    [3] on  2004016")) << name << "\n" << text;
    EXPECT_TRUE(has(text, "\n+    [3] on  2004800")) << name << "\n" << text;
    EXPECT_TRUE(has(text, "\n+    hellomsg2 (hellomsg2): \"Café                \"")) << name;
    EXPECT_TRUE(test::validUtf8(text)) << name;
  }
  EXPECT_TRUE(has(readText(repo + "/diff.err"), "File loaded")) << "the open's log, on stderr";
  EXPECT_EQ(readText(repo + "/quiet.txt"), readText(repo + "/diff.txt"));
  EXPECT_EQ(readText(repo + "/quiet.err"), "") << "--quiet leaves the log out";
}

}  // namespace
}  // namespace capcode
