#pragma once
// One tavelin-cli command run in-process on the fake platform, with what it printed.
#include <string>
#include <vector>

namespace clisupport {

struct Run {
  int exit;
  std::string out;  // stdout
  std::string err;  // stderr
};

// words[0] is the command's name, as main passes it.
Run run(int (*command)(int, char**), std::vector<std::string> words);

// A mount table of a root file system and one mount of the given type at folder (resolved).
std::string mountTable(const std::string& folder, const std::string& type);

}  // namespace clisupport
