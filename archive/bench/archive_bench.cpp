// Extraction benchmark: our 7z engine against `7zz x -mmt=1` on the same archive, in the same
// run. Builds a mixed corpus (half text from /usr/include, half shared libraries from
// /usr/lib), compresses it with 7zz -mx5 (and again with -p -mhe=on), then extracts each
// archive with both tools several times in child processes and prints the throughput ratio
// (reference time / our time: above 1 means we are faster) and the peak resident memory of
// each child against the archive's dictionary size.
//
// A third archive holds many small files (70,000 by default, 100 to 4,000 bytes each, in
// folders of 100), where the cost per entry (headers, paths, file creation, times) dominates.
// 7zz is measured twice: with one thread (-mmt=1) and with its default threads; ours also
// twice: with its default threads (one per processor) and with one.
//
// The payload archive is what setup-pack makes of a 200 MiB payload (100 MiB of random bytes,
// 100 MiB of generated text, as bench/install_bench.sh has it), with setup-pack's own 7zz
// switches (tools/pack/payload_method.h); the small files are packed with them too. The same
// payload is also packed in solid blocks of 32 MiB (-ms=32m) and non-solid (-ms=off), whose
// folders we decode side by side. For those rows, two `7zz x -mmt=1` run at the same time
// show what the second processor can give at all: with two independent decoders and no
// coordination, wall time of the pair against one alone is the ceiling for any threading.
//
// Usage: archive_bench [corpus MiB, default 256] [rounds, default 3] [small files, default 70000]
//                      [payload MiB, default 200]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <time.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/parallel.h"
#include "archive/stream.h"
#include "tools/pack/payload_method.h"

namespace fs = std::filesystem;

namespace {

struct Measure {
  double wall = 0;  // seconds
  double cpu = 0;   // user + system seconds of the child
  long maxRssKb = 0;
  int exitCode = -1;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// <chrono> does not build with the GBK execution charset (its unit suffixes), hence the C clock.
double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// Runs `work` in a child process and measures it there, so each side's peak memory is its own.
template <typename Work>
Measure InChild(Work work) {
  Measure m;
  double start = Now();
  pid_t pid = fork();
  if (pid == 0) _exit(work());
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  m.wall = Now() - start;
  m.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  m.maxRssKb = usage.ru_maxrss;
  m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return m;
}

Measure RunReference(const fs::path& archive, const fs::path& out, const std::string& password,
                     bool oneThread) {
  fs::remove_all(out);
  return InChild([&]() -> int {
    std::string o = "-o" + out.string();
    std::string p = "-p" + password;
    std::vector<const char*> argv = {"7zz", "x", oneThread ? "-mmt=1" : "-mmt=on", "-y", "-bd", "-bso0", "-bsp0",
                                     o.c_str()};
    if (!password.empty()) argv.push_back(p.c_str());
    argv.push_back(archive.c_str());
    argv.push_back(nullptr);
    execv("/usr/bin/7zz", const_cast<char* const*>(argv.data()));
    return 127;
  });
}

// Two single-threaded 7zz extractions of the same archive at once (wall time of the pair).
double TwoReferencesAtOnce(const fs::path& archive, const fs::path& out) {
  double start = Now();
  pid_t pids[2];
  for (int i = 0; i < 2; ++i) {
    fs::path dir = out / ("r" + std::to_string(i));
    fs::remove_all(dir);
    pids[i] = fork();
    if (pids[i] == 0) {
      std::string o = "-o" + dir.string();
      execl("/usr/bin/7zz", "7zz", "x", "-mmt=1", "-y", "-bd", "-bso0", "-bsp0", o.c_str(),
            archive.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
  double wall = Now() - start;
  fs::remove_all(out);
  return wall;
}

// Our extraction runs in a freshly executed copy of this program, as 7zz does: a forked
// child would count the pages it shares with this process (the corpus buffers, the trees
// compared) in its peak memory.
int ExtractHere(const char* archivePath, const char* out, const char* password, unsigned threads) {
  archive::detail::CurrentLimits().decodeThreads = threads;
  archive::Reader reader;
  archive::Status s = reader.Open(archivePath, password);
  if (s == archive::Status::kOk) s = reader.Extract({}, out, nullptr);
  if (s != archive::Status::kOk) std::fprintf(stderr, "ours: %s\n", archive::StatusText(s));
  return static_cast<int>(s);
}

Measure RunOurs(const fs::path& archive, const fs::path& out, const std::string& password,
                unsigned threads) {
  fs::remove_all(out);
  return InChild([&]() -> int {
    std::string t = std::to_string(threads);
    execl("/proc/self/exe", "archive_bench", "--extract", archive.c_str(), out.c_str(),
          password.c_str(), t.c_str(), static_cast<char*>(nullptr));
    return 127;
  });
}

// Appends regular files under `root` whose name passes `want` into `chunk`-sized files named
// prefix_NNN until `total` bytes are written; goes round again when the tree is too small.
void MakeChunks(const fs::path& root, bool (*want)(const fs::path&), const fs::path& dir,
                const std::string& prefix, uint64_t total) {
  constexpr size_t kChunk = 1 << 20;
  std::string buffer;
  uint64_t written = 0;
  int index = 0;
  auto flush = [&](size_t n) {
    std::ofstream(dir / (prefix + "_" + std::to_string(index++)), std::ios::binary)
        .write(buffer.data(), static_cast<std::streamsize>(n));
    buffer.erase(0, n);
    written += n;
  };
  for (int round = 0; round < 20 && written < total; ++round) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator() && written < total; it.increment(ec)) {
      if (ec) break;
      if (it->is_symlink() || !it->is_regular_file() || !want(it->path())) continue;
      std::ifstream in(it->path(), std::ios::binary);
      buffer.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      while (buffer.size() >= kChunk && written < total) flush(kChunk);
    }
  }
  if (written < total && !buffer.empty()) flush(std::min<size_t>(buffer.size(), total - written));
}

// `count` files of 100 to 4,000 bytes of header text, 100 to a folder.
void MakeSmallFiles(const fs::path& dir, int count) {
  std::string text;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator("/usr/include", fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator() && text.size() < (8u << 20); it.increment(ec)) {
    if (ec) break;
    if (it->is_symlink() || !it->is_regular_file()) continue;
    std::ifstream in(it->path(), std::ios::binary);
    text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  uint32_t seed = 12345;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    size_t size = 100 + (seed >> 8) % 3900;
    size_t at = (seed >> 4) % (text.size() - size);
    fs::path folder = dir / ("d" + std::to_string(i / 100));
    if (i % 100 == 0) fs::create_directories(folder);
    std::ofstream(folder / ("f" + std::to_string(i) + ".txt"), std::ios::binary)
        .write(text.data() + at, static_cast<std::streamsize>(size));
  }
}

// Half random bytes (four files), half lines of words from a fixed vocabulary in 1 MiB files.
void MakePayload(const fs::path& dir, uint64_t mib) {
  fs::create_directories(dir / "data");
  fs::create_directories(dir / "text");
  uint64_t x = 0x9E3779B97F4A7C15ull;
  auto next = [&x] {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    return x;
  };
  const uint64_t half = (mib << 20) / 2;
  std::string block(static_cast<size_t>(half / 4), '\0');
  for (int f = 0; f < 4; ++f) {
    for (size_t i = 0; i + 8 <= block.size(); i += 8) {
      uint64_t v = next();
      std::memcpy(&block[i], &v, 8);
    }
    std::ofstream(dir / "data" / ("blob" + std::to_string(f) + ".bin"), std::ios::binary)
        .write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  std::vector<std::string> vocabulary(4000);
  for (std::string& w : vocabulary)
    for (uint64_t n = 3 + next() % 8; n > 0; --n) w += static_cast<char>('a' + next() % 26);
  std::string text;
  int line = 0, file = 0;
  for (uint64_t written = 0; written < half;) {
    char number[16];
    std::snprintf(number, sizeof number, "%06d", line++);
    text += number;
    for (uint64_t k = 4 + next() % 12; k > 0; --k) {
      uint64_t r = next() % 4000;
      text += " " + vocabulary[static_cast<size_t>(r * (next() % 4000) / 4000)];
    }
    if (next() % 5 == 0) text += " = " + std::to_string(next() % 100000) + ";";
    text += "\n";
    if (text.size() >= (1u << 20) || written + text.size() >= half) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(text.size(), half - written));
      std::ofstream(dir / "text" / ("part" + std::to_string(file++) + ".txt"), std::ios::binary)
          .write(text.data(), static_cast<std::streamsize>(n));
      written += n;
      text.clear();
    }
  }
}

bool IsHeader(const fs::path&) { return true; }
bool IsSharedLibrary(const fs::path& p) { return p.filename().string().find(".so") != std::string::npos; }

// The first line of 7zz's technical listing of the archive that starts with `prefix`.
std::string ListingLine(const fs::path& archive, const std::string& password, const std::string& prefix) {
  std::string cmd = "/usr/bin/7zz l -slt -p" + (password.empty() ? std::string("-") : password) +
                    " " + archive.string() + " 2>/dev/null | grep -m1 '^" + prefix + "'";
  FILE* pipe = popen(cmd.c_str(), "r");
  char line[512] = {0};
  if (!pipe) return "";
  if (!fgets(line, sizeof line, pipe)) line[0] = 0;
  pclose(pipe);
  return line;
}

// The dictionary of the archive's first folder, from 7zz's technical listing ("LZMA2:25" is
// 2^25 bytes; "LZMA2:24m"-style sizes are also understood).
uint64_t DictionaryOf(const fs::path& archive, const std::string& password) {
  std::string s = ListingLine(archive, password, "Method = ");
  size_t at = s.find("LZMA2:");
  if (at == std::string::npos) return 0;
  std::string v = s.substr(at + 6);
  uint64_t n = std::strtoull(v.c_str(), nullptr, 10);
  size_t digits = v.find_first_not_of("0123456789");
  char unit = digits == std::string::npos ? 0 : v[digits];
  if (unit == 'm') return n << 20;
  if (unit == 'k') return n << 10;
  return n < 64 ? uint64_t{1} << n : n;
}

// How many folders (solid blocks) 7zz lists for the archive.
int FoldersOf(const fs::path& archive, const std::string& password) {
  std::string s = ListingLine(archive, password, "Blocks = ");
  return s.size() > 9 ? std::atoi(s.c_str() + 9) : 0;
}

bool SameTree(const fs::path& a, const fs::path& b) {
  for (const auto& e : fs::recursive_directory_iterator(a)) {
    if (!e.is_regular_file()) continue;
    fs::path other = b / fs::relative(e.path(), a);
    std::ifstream x(e.path(), std::ios::binary), y(other, std::ios::binary);
    if (!y) return false;
    std::string bx((std::istreambuf_iterator<char>(x)), std::istreambuf_iterator<char>());
    std::string by((std::istreambuf_iterator<char>(y)), std::istreambuf_iterator<char>());
    if (bx != by) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--extract") == 0)
    return ExtractHere(argv[2], argv[3], argv[4], static_cast<unsigned>(std::atoi(argv[5])));
  uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  int smallFiles = argc > 3 ? std::atoi(argv[3]) : 70000;
  uint64_t payloadMib = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 200;
  const unsigned threads = archive::detail::DecodeThreads();
  fs::path work = fs::temp_directory_path() / ("archive-bench-" + std::to_string(getpid()));
  fs::create_directories(work / "corpus");
  std::printf("corpus: %llu MiB (half /usr/include text, half /usr/lib shared libraries)\n",
              static_cast<unsigned long long>(mib));
  MakeChunks("/usr/include", IsHeader, work / "corpus", "text", (mib << 20) / 2);
  MakeChunks("/usr/lib", IsSharedLibrary, work / "corpus", "lib", (mib << 20) / 2);
  if (smallFiles > 0) MakeSmallFiles(work / "small", smallFiles);
  if (payloadMib > 0) MakePayload(work / "payload", payloadMib);
  const std::string packSwitches = std::string("-m0=") + pack::kPayloadMethod;
  std::printf("setup-pack's payload switches: %s; our decoding threads: %u\n", packSwitches.c_str(),
              threads);

  struct Variant {
    const char* name;
    const char* switches;
    const char* password;
    const char* corpus;
  };
  std::vector<Variant> variants = {{"-mx5", "-mx5", "", "corpus"},
                                   {"-mx5 -p -mhe=on", "-mx5 -pbench -mhe=on", "bench", "corpus"}};
  if (smallFiles > 0) {
    variants.push_back({"small files -mx5", "-mx5", "", "small"});
    variants.push_back({"small files, setup-pack switches", packSwitches.c_str(), "", "small"});
  }
  const std::string solidBlocks = packSwitches + " -ms=32m";
  const std::string nonSolid = packSwitches + " -ms=off";
  if (payloadMib > 0) {
    variants.push_back({"payload, setup-pack switches", packSwitches.c_str(), "", "payload"});
    variants.push_back({"payload, solid blocks of 32 MiB", solidBlocks.c_str(), "", "payload"});
    variants.push_back({"payload, non-solid", nonSolid.c_str(), "", "payload"});
  }
  int failures = 0;
  for (const Variant& v : variants) {
    fs::path arc = work / "corpus.7z";
    fs::remove(arc);
    std::string cmd = "cd " + (work / v.corpus).string() + " && /usr/bin/7zz a -bd -bso0 -bsp0 " +
                      arc.string() + " * " + v.switches;
    if (std::system(cmd.c_str()) != 0) {
      std::fprintf(stderr, "7zz a failed\n");
      return 2;
    }
    uint64_t dict = DictionaryOf(arc, v.password);
    Measure bestRef, bestThreads, bestOurs, bestOne;
    for (Measure* m : {&bestRef, &bestThreads, &bestOurs, &bestOne}) m->wall = m->cpu = 1e30;
    auto keepBest = [](Measure& best, const Measure& m) {
      best.wall = std::min(best.wall, m.wall);
      best.cpu = std::min(best.cpu, m.cpu);
      best.maxRssKb = std::max(best.maxRssKb, m.maxRssKb);
    };
    for (int r = 0; r < rounds; ++r) {
      Measure ref = RunReference(arc, work / "ref", v.password, true);
      Measure threads = RunReference(arc, work / "ref", v.password, false);
      Measure one = RunOurs(arc, work / "ours", v.password, 1);
      Measure ours = RunOurs(arc, work / "ours", v.password, 0);
      if (ref.exitCode != 0 || threads.exitCode != 0 || ours.exitCode != 0 || one.exitCode != 0) {
        std::fprintf(stderr, "extraction failed (7zz %d/%d, ours %d/%d)\n", ref.exitCode,
                     threads.exitCode, ours.exitCode, one.exitCode);
        return 2;
      }
      keepBest(bestRef, ref);
      keepBest(bestThreads, threads);
      keepBest(bestOurs, ours);
      keepBest(bestOne, one);
    }
    double pair = 0;
    if (std::string(v.corpus) == "payload")
      for (int r = 0; r < rounds; ++r) {
        double w = TwoReferencesAtOnce(arc, work / "pair");
        pair = r == 0 ? w : std::min(pair, w);
      }
    bool same = SameTree(work / "ref", work / "ours");
    failures += !same;
    double mb = static_cast<double>(mib);
    if (std::string(v.corpus) != "corpus") {
      uint64_t bytes = 0;
      for (const auto& e : fs::recursive_directory_iterator(work / v.corpus))
        if (e.is_regular_file()) bytes += e.file_size();
      mb = static_cast<double>(bytes) / (1 << 20);
    }
    double goalMb = static_cast<double>(dict) / (1 << 20) * threads + 48;
    std::printf("\n[%s] archive %.1f MiB, %d folders, dictionary %llu MiB, output identical: %s\n",
                v.name, static_cast<double>(fs::file_size(arc)) / (1 << 20),
                FoldersOf(arc, v.password), static_cast<unsigned long long>(dict >> 20),
                same ? "yes" : "NO");
    std::printf("  7zz x -mmt=1 : wall %.3f s  cpu %.3f s  (%.0f MiB/s)  peak RSS %.1f MiB\n",
                bestRef.wall, bestRef.cpu, mb / bestRef.cpu, bestRef.maxRssKb / 1024.0);
    std::printf("  7zz x        : wall %.3f s  cpu %.3f s  (%.0f MiB/s)  peak RSS %.1f MiB\n",
                bestThreads.wall, bestThreads.cpu, mb / bestThreads.cpu, bestThreads.maxRssKb / 1024.0);
    std::printf("  ours         : wall %.3f s  cpu %.3f s  (%.0f MiB/s)  peak RSS %.1f MiB\n",
                bestOurs.wall, bestOurs.cpu, mb / bestOurs.cpu, bestOurs.maxRssKb / 1024.0);
    std::printf("  ours, 1 thread: wall %.3f s  cpu %.3f s  (%.0f MiB/s)  peak RSS %.1f MiB\n",
                bestOne.wall, bestOne.cpu, mb / bestOne.cpu, bestOne.maxRssKb / 1024.0);
    std::printf("  ratio ours 1 thread / ours: wall %.3f  (goal with two or more blocks: >= 1.5)\n",
                bestOne.wall / bestOurs.wall);
    std::printf("  ratio 7zz -mmt=1 / ours: cpu %.3f (goal on small files: >= 1.0), wall %.3f\n", bestRef.cpu / bestOurs.cpu,
                bestRef.wall / bestOurs.wall);
    std::printf("  ratio 7zz (default threads) / ours: cpu %.3f, wall %.3f  (goal: wall >= 1.0)\n",
                bestThreads.cpu / bestOurs.cpu, bestThreads.wall / bestOurs.wall);
    if (pair > 0)
      std::printf("  two 7zz x -mmt=1 at once: wall %.3f s; 2 x one alone / pair = %.3f (the most "
                  "two processors give here)\n",
                  pair, 2 * bestRef.wall / pair);
    std::printf("  peak RSS %.1f MiB against dictionary x %u threads + 48 MiB = %.0f MiB: %s\n",
                bestOurs.maxRssKb / 1024.0, threads, goalMb,
                bestOurs.maxRssKb / 1024.0 <= goalMb ? "within" : "OVER");
  }
  fs::remove_all(work);
  return failures == 0 ? 0 : 1;
}
