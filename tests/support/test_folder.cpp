#include "tests/support/test_folder.h"

#include <atomic>

#include "platform/platform.h"

#ifndef _WIN32
#include <unistd.h>

#include <filesystem>

#include "platform/host/host.h"
#else
#include <process.h>
#define getpid _getpid
#endif

namespace {
std::atomic<int> counter{0};
}

TestFolder::TestFolder() {
  int n = ++counter;
#ifndef _WIN32
  sandbox_ = "/tmp/installer-test-" + std::to_string(getpid()) + "-" + std::to_string(n);
  std::filesystem::remove_all(sandbox_);
  plat::host::Reset(sandbox_);
#endif
  path_ = plat::TempFolder() + "itest_" + std::to_string(getpid()) + "_" + std::to_string(n) + "\\";
  plat::RemoveDirectoryTree(path_);
  plat::CreateDirectories(path_);
}

TestFolder::~TestFolder() {
  plat::RemoveDirectoryTree(path_);
#ifndef _WIN32
  std::error_code ignored;
  std::filesystem::remove_all(sandbox_, ignored);
#endif
}

std::map<std::string, std::string> TreeContents(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const plat::DirEntry& entry : plat::ListDirectory(root)) {
    const std::string path = root + "\\" + entry.name;
    if (entry.isDirectory) {
      tree[path] = "<folder>";
      tree.merge(TreeContents(path));
    } else {
      Bytes content;
      plat::ReadFileBytes(path, content);
      tree[path] = content;
    }
  }
  return tree;
}
