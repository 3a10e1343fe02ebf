// A fresh, empty folder for one test, deleted afterwards. On the host platform the whole host
// state is reset first, with a sandbox of its own, so every test starts from a known machine.
#pragma once

#include <map>
#include <string>

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // The folder, as the runtime writes paths: GBK, "\" separators, ending with "\".
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
  std::string sandbox_;  // host only: the Linux folder behind the drives
};

// Every folder (as "<folder>") and file (with its bytes) below `root`, keyed by full path: a
// picture of a folder tree to compare before and after.
std::map<std::string, std::string> TreeContents(const std::string& root);
