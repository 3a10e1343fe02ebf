#include "tools/pack/package_builder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "common/crypto.h"
#include "common/ini.h"
#include "common/keyed_store.h"
#include "common/text.h"
#include "platform/platform.h"
#include "package/data_ini.h"
#include "package/data_keys.h"
#include "package/blocks.h"
#include "package/package_types.h"
#include "tools/pack/config_writer.h"
#include "tools/pack/inspector.h"
#include "tools/pack/launcher_name.h"
#include "tools/pack/payload_method.h"
#include "tools/pack/pe_resource.h"
#include "tools/pack/project_check.h"

namespace fs = std::filesystem;

namespace {

constexpr char kLicenceFile[] = "licence.txt";
constexpr char kDigestMark[] = "md5:";

bool ReadWhole(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Runs a program in `folder` and waits; its exit code, or -1 when it could not start.
int Run(const std::vector<std::string>& args, const fs::path& folder) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ValidKey(const std::string& key) {
  return key.size() == 3 && key.find_first_not_of("0123456789") == std::string::npos;
}

// Block start or end as the runtime searches for it; the 0x00 lead byte belongs to the start.
void WriteMarker(std::ofstream& out, const char* marker, bool start) {
  out << (start ? blocks::BlockHead(marker) : blocks::BlockTail(marker));
}

// A temporary folder that removes itself.
struct WorkFolder {
  fs::path path;
  WorkFolder() {
    std::string pattern = (fs::temp_directory_path() / "setup-pack-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~WorkFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

// UTF-8 to GBK with CRLF line ends; "" or a message naming the line GBK cannot represent.
std::string LicenceToGbk(const std::string& utf8, const std::string& file, std::string& gbk) {
  int lineNumber = 0;
  std::vector<std::string> lines;
  for (std::string line : text::Split(utf8, "\n")) {
    ++lineNumber;
    if (lineNumber == 1 && text::StartsWith(line, "\xEF\xBB\xBF")) line.erase(0, 3);
    if (text::EndsWith(line, "\r")) line.pop_back();
    bool ok = true;
    lines.push_back(plat::Utf8ToGbk(line, &ok));
    if (!ok) return file + ":" + std::to_string(lineNumber) + ": text that GBK cannot represent";
  }
  gbk = text::Join(lines, "\r\n");
  return "";
}

uint64_t PayloadSize(const fs::path& folder) {
  uint64_t total = 0;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
    if (entry.is_regular_file(ec)) total += entry.file_size(ec);
  return total;
}

}  // namespace

std::string DefaultStub(const std::string& arch) {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  return (self.parent_path() / ".." / arch / "setup.exe").lexically_normal().string();
}

BuildResult BuildPackage(const BuildOptions& options) {
  BuildResult result;
  auto fail = [&](const std::string& message) {
    result.error = message;
    return result;
  };
  auto step = [&](const std::string& what) {
    if (options.progress) options.progress(what);
  };
  const fs::path project(options.projectDir);
  const fs::path output(options.output);

  std::string key = options.key;
  if (key.empty()) {
    std::random_device random;
    char digits[4];
    std::snprintf(digits, sizeof digits, "%03u", unsigned(random() % 1000));
    key = digits;
  } else if (!ValidKey(key)) {
    return fail("--key " + key + ": the key must be 3 digits (000-999)");
  }

  if (!fs::is_directory(project)) return fail(options.projectDir + ": no such project folder");
  if (std::string error = CheckProject(project.string()); !error.empty())
    return fail(error);
  if (!fs::is_directory(project / "payload"))
    return fail((project / "payload").string() + ":0: missing (the files to install)");

  std::string stub;
  if (!ReadWhole(options.stub, stub)) return fail(options.stub + ":0: stub missing or unreadable");
  const pe::ResourceLocation keyResource = pe::FindNamedTypeResource(stub, package::kKeyResourceType, package::kKeyResourceId);
  if (!keyResource.found) return fail(options.stub + ":0: stub without \"KEY\" 250 resource (" +
                                      keyResource.error + ")");
  if (keyResource.size < key.size())
    return fail(options.stub + ":0: the stub's \"KEY\" 250 resource is shorter than 3 bytes");
  stub.replace(keyResource.fileOffset, key.size(), key);

  std::error_code ec;
  WorkFolder work;
  if (work.path.empty()) return fail("cannot create a temporary folder");
  step("writing the configuration files");
  const ConfigWriteResult written = WriteConfiguration(project.string(), (work.path / "config").string());
  if (!written.ok) return fail(written.error);
  // The launcher inside the stub names its temp folder after the product: its "NAME" field is
  // set in place, like the KEY.
  std::string storedDataIni;
  ReadWhole(work.path / "config" / keys::kDataIni, storedDataIni);
  if (std::string error =
          WriteLauncherName(stub, package::ReadMainKeyFrom(storedDataIni, keys::kProductName));
      !error.empty())
    return fail(options.stub + ":0: " + error);

  step("packing the payload");
  const fs::path payloadArchive = work.path / "payload.7z";
  const std::string volumeStem = output.stem().string() + ".7z";
  // The payload is the long step: 7zz's own percentage is shown when progress is wanted.
  const fs::path packedFolder = options.volumeSize.empty() ? work.path : work.path / "volumes";
  const std::string packedName = options.volumeSize.empty() ? "payload.7z" : volumeStem;
  auto packPayload = [&](const std::string& method, const fs::path& folder) {
    std::vector<std::string> args = {options.sevenZip, "a", "-t7z", "-bso0",
                                     options.progress ? "-bsp1" : "-bd"};
    if (!method.empty()) args.push_back("-m0=" + method);
    if (!options.volumeSize.empty()) args.push_back("-v" + options.volumeSize);
    args.push_back((folder / packedName).string());
    args.push_back(".");
    fs::create_directories(folder, ec);
    const int code = Run(args, project / "payload");
    step("");  // 7zz leaves its percentage line open
    return code;
  };
  // The archive (or its volumes) in `folder`, as name and bytes.
  auto packedFiles = [&](const fs::path& folder) {
    std::vector<std::pair<fs::path, uint64_t>> files;
    for (const auto& e : fs::directory_iterator(folder, ec))
      if (e.is_regular_file() && e.path().filename().string().rfind(packedName, 0) == 0)
        files.emplace_back(e.path(), e.file_size());
    return files;
  };
  auto totalOf = [](const std::vector<std::pair<fs::path, uint64_t>>& files) {
    uint64_t total = 0;
    for (const auto& f : files) total += f.second;
    return total;
  };
  // Blocks pay only with two of them or more; where they make the archive more than 1 %
  // larger than one stream would, the payload is packed again as one stream.
  const bool blocks =
      options.method.empty() && PayloadSize(project / "payload") >= pack::kPayloadBlocksFrom;
  const std::string method = !options.method.empty() ? options.method
                             : blocks                ? std::string(pack::kPayloadMethod)
                                                     : std::string(pack::kPayloadOneStream);
  if (packPayload(method, packedFolder) != 0)
    return fail(options.sevenZip + ": packing " + (project / "payload").string() + " failed");
  if (blocks) {
    const fs::path plainFolder = work.path / "one-stream";
    if (packPayload(pack::kPayloadOneStream, plainFolder) != 0)
      return fail(options.sevenZip + ": packing " + (project / "payload").string() + " failed");
    const auto withBlocks = packedFiles(packedFolder);
    const auto oneStream = packedFiles(plainFolder);
    if (totalOf(withBlocks) * 100 > totalOf(oneStream) * 101) {
      for (const auto& f : withBlocks) fs::remove(f.first, ec);
      for (const auto& f : oneStream) {
        fs::rename(f.first, packedFolder / f.first.filename(), ec);
        if (ec) return fail("cannot move " + f.first.string() + ": " + ec.message());
      }
    }
  }
  std::vector<std::string> volumes;
  for (int i = 1; !options.volumeSize.empty(); ++i) {
    char number[16];
    std::snprintf(number, sizeof number, ".%03d", i);
    if (!fs::exists(work.path / "volumes" / (volumeStem + number))) break;
    volumes.push_back(volumeStem + number);
  }

  // Keys that only the packer knows: the payload's size, and where its volumes are.
  {
    const fs::path dataIni = work.path / "config" / "data.ini";
    std::string text;
    ReadWhole(dataIni, text);
    ini::Document doc = ini::Document::Parse(text);
    if (doc.Get(keys::kMainSection, keys::kUncompressedSize).empty())
      doc.Set(keys::kMainSection, keys::kUncompressedSize, std::to_string(PayloadSize(project / "payload")));
    // The install password is written plainly in a project and stored as its digest;
    // "md5:" marks a digest already (as inspect --extract writes it back).
    const std::string password = doc.Get(keys::kMainSection, keys::kInstallPassword);
    if (!password.empty()) {
      std::string digest = crypto::Md5Hex(password);
      if (text::StartsWith(password, kDigestMark)) {
        digest = password.substr(std::string(kDigestMark).size());
        if (digest.size() != 32 || digest.find_first_not_of("0123456789abcdef") != std::string::npos)
          return fail((project / "data.ini").string() + ":0: " + plat::GbkToUtf8(keys::kInstallPassword) +
                      ": md5: needs 32 lower-case hexadecimal digits");
      }
      doc.Set(keys::kMainSection, keys::kInstallPassword, digest);
    }
    if (!volumes.empty()) {
      bool ok = true;
      std::vector<std::string> names;
      for (const std::string& v : volumes) names.push_back(plat::Utf8ToGbk(v, &ok));
      if (!ok) return fail(options.output + ": a file name that GBK cannot represent");
      doc.Set(keys::kMainSection, keys::kVolumeCount, std::to_string(volumes.size()));
      doc.Set(keys::kMainSection, keys::kVolumeNames, text::Join(names, "+"));
      doc.Set(keys::kMainSection, keys::kVolumeSize, options.volumeSize);
    }
    Bytes stored = doc.Serialize();
    // The licence travels inside data.ini as an enciphered keyed item on a line of its own.
    std::string licence;
    if (ReadWhole(project / kLicenceFile, licence)) {
      std::string gbk;
      if (std::string error = LicenceToGbk(licence, (project / kLicenceFile).string(), gbk);
          !error.empty())
        return fail(error);
      stored += "\r\n";
      AppendKeyedItem(stored, kLicenceItem, gbk, true);
      stored += "\r\n";
    }
    std::ofstream out(dataIni, std::ios::binary | std::ios::trunc);
    if (!(out << stored)) return fail(dataIni.string() + ": cannot write");
  }

  step("packing the configuration");
  const std::string password = crypto::Md5Hex(key);
  const fs::path configArchive = work.path / "data.7z";
  if (Run({options.sevenZip, "a", "-t7z", "-bd", "-bso0", "-bsp0", "-mhe=on", "-p" + password,
           configArchive.string(), "."},
          work.path / "config") != 0)
    return fail(options.sevenZip + ": packing the configuration failed");
  std::string config;
  if (!ReadWhole(configArchive, config) || config.size() < 8)
    return fail(configArchive.string() + ": not written");
  config[1] = '{';  // hides the 7z signature; the runtime writes "7z" back before extracting

  step("writing " + options.output);
  if (output.has_parent_path()) fs::create_directories(output.parent_path(), ec);
  const fs::path partial = output.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) return fail(partial.string() + ": cannot write");
    out << stub;
    WriteMarker(out, blocks::kTypeStart, true);
    out << package::kInstallerType;
    WriteMarker(out, blocks::kTypeEnd, false);
    if (volumes.empty()) {
      std::ifstream payload(payloadArchive, std::ios::binary);
      if (!payload) return fail(payloadArchive.string() + ": not written");
      WriteMarker(out, blocks::kPayloadStart, true);
      out << payload.rdbuf();
      WriteMarker(out, blocks::kPayloadEnd, false);
    }
    WriteMarker(out, blocks::kConfigStart, true);
    out << config;
    WriteMarker(out, blocks::kConfigEnd, false);
    if (!out.flush()) {
      out.close();
      fs::remove(partial, ec);
      return fail(partial.string() + ": cannot write");
    }
  }
  // Volumes go beside the setup file before it appears under its own name.
  std::vector<fs::path> placed;
  auto undo = [&](const std::string& message) {
    for (const fs::path& p : placed) fs::remove(p, ec);
    fs::remove(partial, ec);
    return fail(message);
  };
  for (const std::string& v : volumes) {
    const fs::path to = output.parent_path() / v;
    fs::copy_file(work.path / "volumes" / v, to, fs::copy_options::overwrite_existing, ec);
    if (ec) return undo(to.string() + ": cannot write");
    placed.push_back(to);
  }
  fs::rename(partial, output, ec);
  if (ec) return undo(options.output + ": cannot write");
  fs::permissions(output, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, ec);
  result.ok = true;
  result.key = key;
  return result;
}
