// The archiver's command-line parser and its name matching. The input is a command line,
// optionally followed by a line feed and an archive entry path to match against it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archiver/command_line.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  const std::string line = input.substr(0, newline);
  const std::string path = newline == std::string::npos ? line : input.substr(newline + 1);

  std::vector<bool> quoted;
  const std::vector<std::string> args = archiver::SplitArguments(line, &quoted);
  FUZZ_CHECK(quoted.size() == args.size());
  size_t total = 0;
  for (const std::string& arg : args) total += arg.size();
  FUZZ_CHECK(total <= line.size());

  archiver::Command command;
  std::string error;
  const bool parsed = archiver::ParseCommand(line, &command, &error);
  if (parsed) {
    FUZZ_CHECK(command.command == 'x' || command.command == 'e');
    FUZZ_CHECK(!command.archive.empty());
    FUZZ_CHECK(error.empty());
    FUZZ_CHECK(command.includes.size() + command.excludes.size() <= args.size());
    (void)archiver::IsSelected(command, path);
    for (const archiver::Pattern& p : command.includes) (void)archiver::MatchesPattern(p, path);
  } else {
    FUZZ_CHECK(!error.empty());
  }

  // A name matches itself exactly when it names anything at all, which is when "*" matches
  // it; as a recursive pattern it still does.
  const bool named = archiver::MatchesPattern({"*", false}, path);
  FUZZ_CHECK(archiver::MatchesPattern({path, false}, path) == named);
  FUZZ_CHECK(archiver::MatchesPattern({path, true}, path) == named);
  // The line as a pattern, both ways, against the path.
  (void)archiver::MatchesPattern({line, false}, path);
  (void)archiver::MatchesPattern({line, true}, path);
  // Without lists every entry is selected.
  FUZZ_CHECK(archiver::IsSelected(archiver::Command{}, path));
  return 0;
}
