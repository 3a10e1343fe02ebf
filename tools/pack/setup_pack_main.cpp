// setup-pack: the packaging tool (tools/pack/README.md).
//
//   setup-pack build PROJECT_DIR -o OUT.exe [--arch win32|win64] [--key NNN] [--stub PATH]
//                    [--method METHOD] [--volume-size SIZE]
//   setup-pack inspect FILE [--extract DIR]
//   setup-pack config SOURCE_DIR TARGET_DIR
//   setup-pack preview PROJECT_DIR -o OUT_DIR [--arch win32|win64] [--stub PATH]
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/pack/config_writer.h"
#include "tools/pack/inspector.h"
#include "tools/pack/package_builder.h"
#include "tools/pack/preview.h"
#include "tools/pack/project_check.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: setup-pack build PROJECT_DIR -o OUT.exe [--arch win32|win64] [--key NNN]\n"
               "                        [--stub PATH] [--method METHOD] [--volume-size SIZE]\n"
               "       setup-pack inspect FILE [--extract DIR]\n"
               "       setup-pack config SOURCE_DIR TARGET_DIR\n"
               "       setup-pack preview PROJECT_DIR -o OUT_DIR [--arch win32|win64] [--stub PATH]\n");
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "setup-pack: %s\n", message.c_str());
  return 1;
}

int Build(int argc, char** argv) {
  BuildOptions options;
  // The i686 stub by default: it runs on every Windows and loads 32-bit plug-in DLLs.
  std::string arch = "win32";
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "-o" && hasValue) options.output = argv[++i];
    else if (arg == "--arch" && hasValue) arch = argv[++i];
    else if (arg == "--key" && hasValue) options.key = argv[++i];
    else if (arg == "--stub" && hasValue) options.stub = argv[++i];
    else if (arg == "--method" && hasValue) options.method = argv[++i];
    else if (arg == "--volume-size" && hasValue) options.volumeSize = argv[++i];
    else if (options.projectDir.empty() && !arg.empty() && arg[0] != '-') options.projectDir = arg;
    else return Usage();
  }
  if (options.projectDir.empty() || options.output.empty()) return Usage();
  if (arch != "win32" && arch != "win64") return Fail("--arch " + arch + ": win32 or win64");
  if (options.stub.empty()) options.stub = DefaultStub(arch);
  options.progress = [](const std::string& step) {
    std::printf(step.empty() ? "\n" : "%s...\n", step.c_str());
  };
  const BuildResult result = BuildPackage(options);
  if (!result.ok) return Fail(result.error);
  std::printf("%s written (key %s)\n", options.output.c_str(), result.key.c_str());
  return 0;
}

int Preview(int argc, char** argv) {
  PreviewOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "-o" && hasValue) options.outputDir = argv[++i];
    else if (arg == "--arch" && hasValue) options.arch = argv[++i];
    else if (arg == "--stub" && hasValue) options.stub = argv[++i];
    else if (options.projectDir.empty() && !arg.empty() && arg[0] != '-') options.projectDir = arg;
    else return Usage();
  }
  if (options.projectDir.empty() || options.outputDir.empty()) return Usage();
  if (options.arch != "win32" && options.arch != "win64")
    return Fail("--arch " + options.arch + ": win32 or win64");
  if (std::string error = CheckProject(options.projectDir); !error.empty()) return Fail(error);
  std::error_code ec;
  options.selfPath = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  std::string error;
  if (RunPreview(options, error) != 0) return Fail(error);
  std::printf("pages of %s written to %s\n", options.projectDir.c_str(), options.outputDir.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "build") return Build(argc, argv);
  if (command == "inspect" && (argc == 3 || (argc == 5 && std::string(argv[3]) == "--extract"))) {
    const InspectResult result = InspectPackage(argv[2], argc == 5 ? argv[4] : "");
    std::fputs(result.report.c_str(), stdout);
    return result.ok ? 0 : Fail(result.error);
  }
  if (command == "config" && argc == 4) {
    if (std::string error = CheckProject(argv[2]); !error.empty()) return Fail(error);
    ConfigWriteResult result = WriteConfiguration(argv[2], argv[3]);
    if (!result.ok) return Fail(result.error);
    std::printf("configuration written to %s\n", argv[3]);
    return 0;
  }
  if (command == "preview") return Preview(argc, argv);
  return Usage();
}
