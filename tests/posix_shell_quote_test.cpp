// The POSIX quoting against the real /bin/sh: the shell must read every
// quoted word back as exactly the original bytes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include "app/assembler_command.h"
#include "shared/shell_quote.h"

namespace quennet::brackwin {
namespace {

// What /bin/sh prints for `printf %s WORD`, with WORD as given.
std::string ShellEcho(const std::string& word) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return "<pipe failed>";
  const std::string script = "printf %s " + word;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipe_fds[1], STDOUT_FILENO);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  std::string output;
  char buffer[4096];
  ssize_t count;
  while ((count = read(pipe_fds[0], buffer, sizeof(buffer))) > 0) {
    output.append(buffer, static_cast<std::size_t>(count));
  }
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "<sh failed>";
  return output;
}

TEST(PosixShellQuoteTest, ShellReadsHostileWordsBack) {
  for (const std::string word :
       {"", "'", "''", "it's", "$(touch PWNED)", "`id`", "a;b&c|d", "\\",
        "a\nb", " ", "%KICKASS_PATH%", "$HOME", "${x:-y}", "!#~*?[a]", "-n",
        "\"\\\"'\"'"}) {
    EXPECT_EQ(ShellEcho(QuotePosixWord(word)), word);
  }
}

TEST(PosixShellQuoteTest, ShellReadsRandomBytesBack) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> byte(1, 255);  // No NUL in argv.
  std::uniform_int_distribution<int> length(0, 40);
  for (int sample = 0; sample < 200; ++sample) {
    std::string word(static_cast<std::size_t>(length(random)), ' ');
    for (char& c : word) c = static_cast<char>(byte(random));
    ASSERT_EQ(ShellEcho(QuotePosixWord(word)), word) << "sample " << sample;
  }
}

}  // namespace
}  // namespace quennet::brackwin
