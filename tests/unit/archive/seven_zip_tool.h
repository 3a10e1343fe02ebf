// Helpers for the native tests that compare our extractor with the reference archiver
// `/usr/bin/7zz`: a fixture tree on the Linux file system, running 7zz, comparing trees.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "archive/archive.h"
#include "common/bytes.h"

namespace sevenzip {

namespace fs = std::filesystem;

inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// Runs a shell command quietly; true when it exited with 0.
inline bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline void WriteFile(const fs::path& path, BytesView data) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The tree every conformance case archives: nested and empty folders, an empty file, Chinese
// names (UTF-8 on disk, all representable in GBK), an x86 executable so 7zz picks its branch
// filters, and a 3 MiB file that outgrows the small dictionaries some cases ask for.
inline void MakeFixtureTree(const fs::path& root) {
  fs::remove_all(root);
  std::mt19937 rng(7);
  std::string text;
  for (int i = 0; text.size() < 200000; ++i)
    text += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog\n";
  WriteFile(root / "readme.txt", text.substr(0, 5000));
  WriteFile(root / "empty.txt", "");
  fs::create_directories(root / "emptydir");
  WriteFile(root / "nested" / "deep" / "er" / "leaf.txt", "leaf\r\n");
  WriteFile(root / "nested" / "sibling.dat", text.substr(100, 70000));
  WriteFile(root / u8"中文目录" / u8"说明文件.txt", "GBK names\n");
  WriteFile(root / "bin" / "tool.exe", ReadFile("/bin/ls"));
  Bytes big;
  while (big.size() < (3u << 20)) {
    big += text.substr(rng() % 1000, 40000);
    for (int i = 0; i < 20000; ++i) big.push_back(static_cast<char>(rng()));
  }
  WriteFile(root / "big.bin", big);
  // Distinct times, one with a fraction of a second, so a wrong time is noticed.
  auto base = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file())
      fs::last_write_time(e.path(), base + std::chrono::minutes(37 * ++n) + std::chrono::milliseconds(123));
  }
}

// Compares two extracted trees: the same names, kinds, bytes and file modification times.
inline void ExpectSameTree(const fs::path& expected, const fs::path& actual, const std::string& what) {
  size_t count = 0;
  for (const auto& e : fs::recursive_directory_iterator(expected)) {
    ++count;
    fs::path rel = fs::relative(e.path(), expected);
    fs::path other = actual / rel;
    SCOPED_TRACE(what + ": " + rel.string());
    ASSERT_TRUE(fs::exists(other)) << "missing";
    EXPECT_EQ(fs::is_directory(e.path()), fs::is_directory(other));
    if (e.is_regular_file()) {
      EXPECT_TRUE(ReadFile(e.path()) == ReadFile(other)) << "content differs";
      EXPECT_EQ(fs::last_write_time(e.path()), fs::last_write_time(other)) << "time differs";
    }
  }
  size_t actualCount = 0;
  for (const auto& e : fs::recursive_directory_iterator(actual)) {
    (void)e;
    ++actualCount;
  }
  EXPECT_EQ(count, actualCount) << what << ": extra entries";
}

// Archives every file below `root` with 7zz and `switches` (ASCII `password` when not empty),
// extracts the archive with our reader below `work` and compares each file with its source,
// byte for byte. `what` names the case in failures.
inline void ExpectExtractsLikeSource(const fs::path& root, const fs::path& work,
                                     const std::string& switches, const std::string& password,
                                     const std::string& what) {
  SCOPED_TRACE(what + " (" + switches + ")");
  fs::remove_all(work);
  fs::create_directories(work);
  fs::path arc = work / "a.7z";
  std::string pw = password.empty() ? "" : " -p" + Quote(password);
  ASSERT_TRUE(Shell("cd " + Quote(root.string()) + " && /usr/bin/7zz a -bd " + Quote(arc.string()) +
                    " * " + switches + pw));
  archive::Reader reader;
  ASSERT_EQ(reader.Open(arc.string(), password), archive::Status::kOk);
  ASSERT_EQ(reader.Extract({}, (work / "out").string(), nullptr), archive::Status::kOk)
      << reader.ErrorDetail();
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    ++files;
    fs::path rel = fs::relative(e.path(), root);
    EXPECT_TRUE(ReadFile(e.path()) == ReadFile(work / "out" / rel)) << rel << " differs";
  }
  EXPECT_GT(files, 0u);
  fs::remove_all(work);
}

}  // namespace sevenzip
