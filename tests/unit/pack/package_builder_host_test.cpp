// setup-pack against the runtime's own code: a package built from examples/demo is found by
// the block scans, its configuration unpacked through the archiver library and expanded by the
// package step, its payload extracted; bad projects stop the build with file and line and leave
// no output behind. The stub is a small PE image made here, with or without a "KEY" resource.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "archiver/archiver.h"
#include "common/compressed_block.h"
#include "common/crypto.h"
#include "common/keyed_store.h"
#include "common/text.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "startup/archiver_driver.h"
#include "package/blocks.h"
#include "startup/config.h"
#include "package/data_keys.h"
#include "package/package_types.h"
#include "startup/package.h"
#include "tests/support/test_folder.h"
#include "tools/pack/inspector.h"
#include "tools/pack/launcher_name.h"
#include "tools/pack/package_builder.h"
#include "tools/pack/pe_resource.h"
#include "package/uninst_dat.h"
#include "uninstall/record_writer.h"

namespace fs = std::filesystem;

namespace {

namespace host = plat::host;

const fs::path kDemo = fs::path(INSTALLER_SOURCE_DIR) / "examples" / "demo";

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char(v >> 8 & 0xFF);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

struct Resource {
  std::string type;  // a named type
  uint16_t id;
  Bytes data;
};

// A minimal PE32+ image whose only section is a resource directory holding `resources` (named
// types, one numbered name and one language each) - the shape the packer looks for.
Bytes MakeImage(const std::vector<Resource>& resources) {
  const size_t n = resources.size();
  // The section: root directory, then per resource its name and language directories and its
  // data entry (64 bytes), then the type names, then the data.
  Bytes rsrc(16 + 8 * n + 64 * n, '\0');
  Put16(rsrc, 12, uint32_t(n));  // named entries
  std::vector<size_t> nameAt(n), dataAt(n);
  for (size_t i = 0; i < n; ++i) {
    nameAt[i] = rsrc.size();
    rsrc.resize(rsrc.size() + 2 + 2 * resources[i].type.size() + 2, '\0');
    Put16(rsrc, nameAt[i], uint32_t(resources[i].type.size()));
    for (size_t c = 0; c < resources[i].type.size(); ++c)
      Put16(rsrc, nameAt[i] + 2 + 2 * c, uint8_t(resources[i].type[c]));
  }
  for (size_t i = 0; i < n; ++i) {
    rsrc.resize((rsrc.size() + 7) / 8 * 8, '\0');
    dataAt[i] = rsrc.size();
    rsrc += resources[i].data;
  }
  rsrc.resize((rsrc.size() + 7) / 8 * 8, '\0');
  for (size_t i = 0; i < n; ++i) {
    const size_t dir = 16 + 8 * n + 64 * i;
    Put32(rsrc, 16 + 8 * i, 0x80000000u | uint32_t(nameAt[i]));
    Put32(rsrc, 16 + 8 * i + 4, 0x80000000u | uint32_t(dir));
    Put16(rsrc, dir + 14, 1);  // one numbered name
    Put32(rsrc, dir + 16, resources[i].id);
    Put32(rsrc, dir + 20, 0x80000000u | uint32_t(dir + 24));
    Put16(rsrc, dir + 24 + 14, 1);  // one language
    Put32(rsrc, dir + 24 + 16, 0x409);
    Put32(rsrc, dir + 24 + 20, uint32_t(dir + 48));
    Put32(rsrc, dir + 48, uint32_t(0x1000 + dataAt[i]));  // data entry: RVA, size
    Put32(rsrc, dir + 52, uint32_t(resources[i].data.size()));
  }

  Bytes image(0x200, '\0');
  image[0] = 'M', image[1] = 'Z';
  Put32(image, 0x3C, 0x40);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  Put16(image, 0x44, 0x8664);
  Put16(image, 0x46, 1);                    // sections
  Put16(image, 0x54, 240);                  // optional header size
  const size_t optional = 0x58;
  Put16(image, optional, 0x20B);
  Put32(image, optional + 108, 16);         // data directories
  Put32(image, optional + 112 + 16, 0x1000);  // resources
  Put32(image, optional + 112 + 20, uint32_t(rsrc.size()));
  const size_t section = optional + 240;
  image.replace(section, 5, ".rsrc");
  Put32(image, section + 8, uint32_t(rsrc.size()));
  Put32(image, section + 12, 0x1000);
  Put32(image, section + 16, uint32_t(rsrc.size()));
  Put32(image, section + 20, 0x200);
  return image + rsrc;
}

// The launcher as the build makes it: "NAME" 100, "Product" then NUL bytes to 256.
Bytes MakeLauncher() {
  Bytes name = package::kLauncherDefaultName;
  name.resize(package::kLauncherNameLength, '\0');
  return MakeImage({{"NAME", 100, name}});
}

// A stub: resource `type` `id` holding "000" (the KEY), and the launcher ("UNINST_DAT" 100).
Bytes MakeStub(const std::string& type = "KEY", uint16_t id = 250) {
  return MakeImage({{type, id, "000"}, {"UNINST_DAT", 100, MakeLauncher()}});
}

std::string ReadHost(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteHost(const fs::path& path, const std::string& data) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << data;
}
// Project files are UTF-8, while this file's literals are GBK.
std::string U(const std::string& gbk) { return plat::GbkToUtf8(gbk); }

struct PackBuild : ::testing::Test {
  TestFolder folder;
  fs::path root;  // the Linux path of the test folder

  void SetUp() override {
    root = host::HostPath(folder.Path());
    WriteHost(root / "stub.exe", MakeStub());
    host::RegisterLibrary(kArchiverFileName,
                          {{"SevenZip", reinterpret_cast<void*>(&SevenZip)},
                           {"SevenZipSetOwnerWindowEx", reinterpret_cast<void*>(&SevenZipSetOwnerWindowEx)}});
    SetUpArchiver("");
  }
  BuildOptions Options(const fs::path& project, const std::string& key = "417") {
    BuildOptions options;
    options.projectDir = project.string();
    options.output = (root / "out" / "setup.exe").string();
    options.stub = (root / "stub.exe").string();
    options.key = key;
    return options;
  }
};

TEST_F(PackBuild, DemoIsReadBackByTheRuntime) {
  const BuildResult built = BuildPackage(Options(kDemo));
  ASSERT_TRUE(built.ok) << built.error;
  const std::string setup = folder / "out\\setup.exe";
  Bytes file;
  ASSERT_TRUE(plat::ReadFileBytes(setup, file));

  // The stub comes first, its KEY resource and the product name in its launcher's "NAME"
  // field set in place, and nothing else changed.
  const Bytes stub = MakeStub();
  const pe::ResourceLocation key = pe::FindNamedTypeResource(file, "KEY", 250);
  ASSERT_TRUE(key.found) << key.error;
  EXPECT_EQ(file.substr(key.fileOffset, 3), "417");
  const LauncherNameField name = FindLauncherName(file);
  ASSERT_TRUE(name.found) << name.error;
  ASSERT_EQ(name.size, package::kLauncherNameLength);
  Bytes expected = stub;
  expected.replace(key.fileOffset, 3, "417");
  Bytes field = "演示软件";
  field.resize(package::kLauncherNameLength, '\0');
  expected.replace(name.fileOffset, field.size(), field);
  EXPECT_EQ(file.substr(0, stub.size()), expected);
  std::string launcherName;
  ASSERT_TRUE(ReadLauncherName(file, launcherName));
  EXPECT_EQ(launcherName, "演示软件");

  // Blocks in the runtime's order: type, payload, configuration.
  const size_t type = text::Find(file, blocks::MakeBlock(blocks::kTypeStart, "qzr-1", blocks::kTypeEnd));
  EXPECT_EQ(type, stub.size());
  EXPECT_EQ(blocks::ReadPackageType(setup), "qzr-1");
  const size_t payloadAt = text::Find(file, std::string(1, '\0') + blocks::kPayloadStart + '\1');
  const size_t configAt = text::Find(file, std::string(1, '\0') + blocks::kConfigStart + '\1');
  EXPECT_LT(type, payloadAt);
  EXPECT_LT(payloadAt, configAt);
  const Bytes config = blocks::FindBlockBackward(setup, blocks::kConfigStart, blocks::kConfigEnd);
  ASSERT_GT(config.size(), 8u);
  EXPECT_EQ(config[0], '7');
  EXPECT_NE(config[1], 'z');  // the signature is hidden

  // The package step: configuration unpacked with MD5(key) through the archiver, expanded.
  host::SetModulePath(setup);
  host::SetCommandLine("\"" + setup + "\"");
  host::SetOwnResource("KEY", 250, file.substr(key.fileOffset, 3));
  RunContext context;
  context.extractAll = [](const std::string& archive, const std::string& dest,
                          const std::string& password) {
    return ExtractArchive(archive, dest, password, nullptr, "", "");
  };
  ASSERT_EQ(UnpackPackage(context), 1);
  EXPECT_FALSE(context.package.configUnpackFailed);
  EXPECT_EQ(context.package.archivePassword, crypto::Md5Hex("417"));
  EXPECT_TRUE(text::Contains(context.config.dataIni, "Mokta软件名称=演示软件"));
  // Page texts are an enciphered keyed store; names known when packing are filled in.
  Bytes welcome;
  ASSERT_TRUE(ReadKeyedItem(context.config.guiText, "欢迎0", true, welcome));
  EXPECT_EQ(welcome, "<font黑体,14,真,9109504,16777215/>欢迎安装 演示软件 1.0.0");
  ASSERT_TRUE(ReadKeyedItem(context.config.guiText, "欢迎1", true, welcome));
  EXPECT_TRUE(text::Contains(welcome, "计算机上。\r\n\r\n安装之前")) << welcome;
  EXPECT_TRUE(text::Contains(context.config.assignments, "%InstallPath%\\帮助,-1\r\n帮助.txt,0"));
  EXPECT_TRUE(text::Contains(context.config.registryList, "REGpath1"));
  EXPECT_TRUE(context.package.showSpace);
  Bytes licence;  // the licence page's text, as the runtime reads it out of data.ini
  ASSERT_TRUE(ReadKeyedItem(context.config.dataIni, kLicenceItem, true, licence));
  EXPECT_TRUE(text::StartsWith(licence, "最终用户许可协议\r\n\r\n1.")) << licence;
  uintmax_t payloadBytes = 0;  // the packer fills in the payload's size
  for (const auto& entry : fs::recursive_directory_iterator(kDemo / "payload"))
    if (entry.is_regular_file()) payloadBytes += entry.file_size();
  EXPECT_EQ(context.package.uncompressedSize, int64_t(payloadBytes));

  // The payload block is a 7z of the payload folder, Chinese names included.
  const blocks::ForwardResult payload =
      blocks::FindBlockForward(setup, blocks::kPayloadStart, blocks::kPayloadEnd);
  ASSERT_TRUE(payload.found);
  ASSERT_TRUE(plat::WriteFileBytes(folder / "payload.7z", payload.content));
  ASSERT_TRUE(ExtractArchive(folder / "payload.7z", folder / "App", "", nullptr, "", ""));
  for (const char* name : {"readme.txt", "文档\\说明书.txt", "bin\\演示.bat", "bin\\初始化.cmd", "bin\\演示.ico",
                           "帮助.txt", "数据\\说明.txt"}) {
    Bytes installed;
    EXPECT_TRUE(plat::ReadFileBytes(folder / ("App\\" + std::string(name)), installed)) << name;
    const std::string utf8 = plat::GbkToUtf8(text::ReplaceAll(name, "\\", "/"));
    EXPECT_EQ(installed, ReadHost(kDemo / "payload" / utf8)) << name;
  }

  // inspect reads the same file back.
  const InspectResult inspected = InspectPackage((root / "out" / "setup.exe").string());
  ASSERT_TRUE(inspected.ok) << inspected.error << inspected.report;
  EXPECT_NE(inspected.report.find("KEY 250: \"417\""), std::string::npos);
  EXPECT_NE(inspected.report.find("package type: qzr-1"), std::string::npos);
  EXPECT_NE(inspected.report.find("\xE6\xBC\x94\xE7\xA4\xBA\xE8\xBD\xAF\xE4\xBB\xB6"),  // 演示软件, UTF-8
            std::string::npos);
}

// The stub as the build makes it: the launcher stored as a compressed block with spare room.
// The name goes into the inflated launcher, which is compressed again into the same resource:
// nothing outside that resource moves, and the block inflates to the launcher with the name.
TEST_F(PackBuild, CompressedLauncherGetsTheNameInItsOwnResource) {
  const Bytes stub =
      MakeImage({{"KEY", 250, "000"}, {"UNINST_DAT", 100, block::Deflate(MakeLauncher()) + Bytes(1024, '\0')}});
  WriteHost(root / "stub.exe", stub);
  const BuildResult built = BuildPackage(Options(kDemo));
  ASSERT_TRUE(built.ok) << built.error;
  Bytes file;
  ASSERT_TRUE(plat::ReadFileBytes(folder / "out\\setup.exe", file));

  const pe::ResourceLocation launcher = pe::FindNamedTypeResource(file, "UNINST_DAT", 100);
  ASSERT_TRUE(launcher.found) << launcher.error;
  const pe::ResourceLocation key = pe::FindNamedTypeResource(file, "KEY", 250);
  ASSERT_TRUE(key.found) << key.error;
  Bytes outside = stub;
  outside.replace(key.fileOffset, 3, "417");
  outside.replace(launcher.fileOffset, launcher.size, file.substr(launcher.fileOffset, launcher.size));
  EXPECT_EQ(file.substr(0, stub.size()), outside);

  Bytes expected = MakeLauncher();
  Bytes field = "演示软件";
  field.resize(package::kLauncherNameLength, '\0');
  expected.replace(expected.find(package::kLauncherDefaultName), field.size(), field);
  EXPECT_EQ(block::Inflate(file.substr(launcher.fileOffset, launcher.size)), expected);
  const LauncherNameField name = FindLauncherName(file);
  EXPECT_TRUE(name.found && name.compressed) << name.error;
  std::string launcherName;
  ASSERT_TRUE(ReadLauncherName(file, launcherName));
  EXPECT_EQ(launcherName, "演示软件");
}

TEST_F(PackBuild, RandomKeyIsThreeDigitsAndUnlocksTheConfiguration) {
  const BuildResult built = BuildPackage(Options(kDemo, ""));
  ASSERT_TRUE(built.ok) << built.error;
  ASSERT_EQ(built.key.size(), 3u);
  EXPECT_EQ(built.key.find_first_not_of("0123456789"), std::string::npos);
  const InspectResult inspected = InspectPackage((root / "out" / "setup.exe").string());
  EXPECT_TRUE(inspected.ok) << inspected.report;
  EXPECT_NE(inspected.report.find("KEY 250: \"" + built.key + "\""), std::string::npos);
}

TEST_F(PackBuild, VolumesBesideTheSetupFileAreFoundAndExtracted) {
  const fs::path project = root / "project";
  std::string noise;
  uint32_t state = 12345;
  for (int i = 0; i < 6000; ++i) noise += char((state = state * 1103515245 + 12345) >> 24);
  WriteHost(project / "data.ini", U("[Mokta软件安装配置]\nMokta软件名称=演示\n"));
  WriteHost(project / "payload" / "noise.bin", noise);
  WriteHost(project / "payload" / U("文档") / "a.txt", "abc");
  BuildOptions options = Options(project);
  options.volumeSize = "2k";
  const BuildResult built = BuildPackage(options);
  ASSERT_TRUE(built.ok) << built.error;
  int volumes = 0;
  while (fs::exists(root / "out" / ("setup.7z.00" + std::to_string(volumes + 1)))) ++volumes;
  EXPECT_GE(volumes, 3);

  const std::string setup = folder / "out\\setup.exe";
  Bytes file;
  ASSERT_TRUE(plat::ReadFileBytes(setup, file));
  EXPECT_EQ(text::Find(file, std::string(blocks::kPayloadStart) + '\1'), text::npos);
  host::SetModulePath(setup);
  host::SetCommandLine("\"" + setup + "\"");
  host::SetOwnResource("KEY", 250, "417");
  RunContext context;
  context.extractAll = [](const std::string& archive, const std::string& dest,
                          const std::string& password) {
    return ExtractArchive(archive, dest, password, nullptr, "", "");
  };
  ASSERT_EQ(UnpackPackage(context), 1);
  // No variables in this project, so data.ini is read where the package step unpacked it.
  EXPECT_EQ(ReadMainKey(context.package, keys::kUncompressedSize), "6003");
  EXPECT_EQ(ReadMainKey(context.package, keys::kVolumeCount), std::to_string(volumes));
  EXPECT_EQ(context.package.payloadArchivePath, folder / "out\\setup.7z.001");
  ASSERT_TRUE(ExtractArchive(context.package.payloadArchivePath, folder / "App", "", nullptr, "", ""));
  Bytes extracted;
  EXPECT_TRUE(plat::ReadFileBytes(folder / "App\\noise.bin", extracted));
  EXPECT_EQ(extracted, noise);
  EXPECT_TRUE(plat::ReadFileBytes(folder / "App\\文档\\a.txt", extracted));
  EXPECT_EQ(extracted, "abc");
}

// The configuration files of a setup file in their stored forms, unpacked as the runtime does.
std::map<std::string, Bytes> StoredConfiguration(const TestFolder& folder, const std::string& setup,
                                                 const std::string& into) {
  std::map<std::string, Bytes> files;
  const Bytes config = blocks::FindBlockBackward(setup, blocks::kConfigStart, blocks::kConfigEnd);
  EXPECT_TRUE(plat::CreateDirectories(folder / into));
  EXPECT_TRUE(plat::WriteFileBytes(folder / (into + "\\data.7z"), config));
  blocks::RepairArchiveSignature(folder / (into + "\\data.7z"), 0);
  EXPECT_TRUE(ExtractArchive(folder / (into + "\\data.7z"), folder / (into + "\\files"),
                             crypto::Md5Hex("417"), nullptr, "", ""));
  for (const auto& entry : fs::directory_iterator(host::HostPath(folder / (into + "\\files"))))
    files[entry.path().filename().string()] = ReadHost(entry.path());
  return files;
}

TEST_F(PackBuild, RoundTripThroughAnExtractedProjectKeepsTheConfiguration) {
  // The demo with an install password, which the project holds plainly.
  const fs::path project = root / "project";
  fs::copy(kDemo, project, fs::copy_options::recursive);
  const std::string dataIni = ReadHost(project / "data.ini");
  WriteHost(project / "data.ini", text::ReplaceAll(dataIni, U("软件版本=1.0.0\n"),
                                                   U("软件版本=1.0.0\n安装密码=口令123\n")));
  ASSERT_TRUE(BuildPackage(Options(project)).ok);
  const fs::path first = root / "first.exe";
  fs::rename(root / "out" / "setup.exe", first);
  const InspectResult extracted = InspectPackage(first.string(), (root / "again").string());
  ASSERT_TRUE(extracted.ok) << extracted.error << extracted.report;
  const BuildResult rebuilt = BuildPackage(Options(root / "again"));
  ASSERT_TRUE(rebuilt.ok) << rebuilt.error;

  const auto before = StoredConfiguration(folder, folder / "first.exe", "one");
  const auto after = StoredConfiguration(folder, folder / "out\\setup.exe", "two");
  // Every file of the demo, registry, resource items and both skin pictures included.
  EXPECT_EQ(before.size(), 9u);
  EXPECT_EQ(before, after);
  EXPECT_EQ(ReadMainKeyFrom(before.at("data.ini"), keys::kInstallPassword), crypto::Md5Hex("口令123"));
  for (const auto& entry : fs::recursive_directory_iterator(kDemo / "payload")) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), kDemo);  // payload/...
    EXPECT_EQ(ReadHost(root / "again" / relative), ReadHost(entry.path())) << relative;
  }
}

// Each case spoils a copy of a small project; the build must name the file and line, and leave
// neither the output nor its temporary file.
TEST_F(PackBuild, BadProjectsStopWithFileAndLine) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& project, BuildOptions& options)> spoil;
    const char* expected;  // part of the message: file and line
  } cases[] = {
      {"unknown section", [](const fs::path& p, BuildOptions&) {
         std::ofstream(p / "data.ini", std::ios::app) << U("[没有这个节]\n"); }, "data.ini:4: unknown section"},
      {"unknown main key", [](const fs::path& p, BuildOptions&) {
         WriteHost(p / "data.ini", U("[Mokta软件安装配置]\nMokta软件名称=演示\n软件版=1\n")); },
       "data.ini:3: unknown key"},
      {"numbered key without number", [](const fs::path& p, BuildOptions&) {
         WriteHost(p / "data.ini", U("[完成后选项_列表]\n标题=x\n")); }, "data.ini:2: unknown key"},
      {"data.ini text GBK cannot hold", [](const fs::path& p, BuildOptions&) {
         WriteHost(p / "data.ini", U("[Mokta软件安装配置]\n\nMokta软件名称=") + "\xF0\x9F\x98\x80\n"); },
       "data.ini:3: text that GBK cannot represent"},
      {"GUItext.ini text GBK cannot hold", [](const fs::path& p, BuildOptions&) {
         WriteHost(p / "GUItext.ini", U("[欢迎]\n标题=") + "\xED\x95\x9C\n"); },
       "GUItext.ini:2: text that GBK cannot represent"},
      {"licence text GBK cannot hold", [](const fs::path& p, BuildOptions&) {
         WriteHost(p / "licence.txt", U("许可\n\n第三行") + "\xF0\x9F\x98\x80\n"); },
       "licence.txt:3: text that GBK cannot represent"},
      {"install password digest too short", [](const fs::path& p, BuildOptions&) {
         std::ofstream(p / "data.ini", std::ios::app) << U("安装密码=md5:abc\n"); },
       "data.ini:0: "},
      {"section twice", [](const fs::path& p, BuildOptions&) {
         std::ofstream(p / "data.ini", std::ios::app) << U("[Mokta软件安装配置]\n"); },
       "data.ini:4: section"},
      {"missing data.ini", [](const fs::path& p, BuildOptions&) { fs::remove(p / "data.ini"); },
       "data.ini:0: missing"},
      {"missing payload", [](const fs::path& p, BuildOptions&) { fs::remove_all(p / "payload"); },
       "payload:0: missing"},
      {"stub without KEY", [](const fs::path& p, BuildOptions& o) {
         WriteHost(p / "stub.exe", MakeStub("ICO")); o.stub = (p / "stub.exe").string(); },
       "stub.exe:0: stub without \"KEY\" 250 resource"},
      {"stub with KEY of another number", [](const fs::path& p, BuildOptions& o) {
         WriteHost(p / "stub.exe", MakeStub("KEY", 251)); o.stub = (p / "stub.exe").string(); },
       "stub.exe:0: stub without \"KEY\" 250 resource"},
      {"stub that is no program", [](const fs::path& p, BuildOptions& o) {
         WriteHost(p / "stub.exe", "MZ but not much else"); o.stub = (p / "stub.exe").string(); },
       "stub.exe:0: stub without \"KEY\" 250 resource"},
      {"stub without the launcher", [](const fs::path& p, BuildOptions& o) {
         WriteHost(p / "stub.exe", MakeImage({{"KEY", 250, "000"}})); o.stub = (p / "stub.exe").string(); },
       "stub.exe:0: no launcher (\"UNINST_DAT\" 100)"},
      {"launcher without its name field", [](const fs::path& p, BuildOptions& o) {
         WriteHost(p / "stub.exe", MakeImage({{"KEY", 250, "000"}, {"UNINST_DAT", 100, MakeImage({{"ICO", 100, "x"}})}}));
         o.stub = (p / "stub.exe").string(); },
       "stub.exe:0: the launcher has no \"NAME\" 100 resource"},
      {"launcher whose name field is short", [](const fs::path& p, BuildOptions& o) {
         WriteHost(p / "stub.exe", MakeImage({{"KEY", 250, "000"}, {"UNINST_DAT", 100, MakeImage({{"NAME", 100, "Pro"}})}}));
         o.stub = (p / "stub.exe").string(); },
       "stub.exe:0: the product name is 4 bytes in GBK; the launcher's name field holds 2"},
      {"launcher block that is damaged", [](const fs::path& p, BuildOptions& o) {
         WriteHost(p / "stub.exe", MakeImage({{"KEY", 250, "000"}, {"UNINST_DAT", 100, block::Deflate(MakeLauncher()).substr(0, 40)}}));
         o.stub = (p / "stub.exe").string(); },
       "stub.exe:0: the launcher (\"UNINST_DAT\" 100) is a damaged compressed block"},
      {"launcher block without room for the name", [](const fs::path& p, BuildOptions& o) {
         WriteHost(p / "stub.exe", MakeImage({{"KEY", 250, "000"}, {"UNINST_DAT", 100, block::Deflate(MakeLauncher())}}));
         o.stub = (p / "stub.exe").string();
         std::string name;
         for (int i = 0; i < 200; ++i) name += char('a' + (i * 7 + i / 3) % 26);
         WriteHost(p / "data.ini", U("[Mokta软件安装配置]\nMokta软件名称=") + name + "\n"); },
       "stub.exe:0: the launcher with the product name compresses to "},
      {"product name longer than the launcher's field", [](const fs::path& p, BuildOptions&) {
         WriteHost(p / "data.ini", U("[Mokta软件安装配置]\nMokta软件名称=") + std::string(254, 'x') + U("演\n")); },
       "is 256 bytes in GBK; the uninstaller's name field holds 255"},
      {"missing stub", [](const fs::path& p, BuildOptions& o) { o.stub = (p / "none.exe").string(); },
       "none.exe:0: stub missing"},
      {"key not three digits", [](const fs::path&, BuildOptions& o) { o.key = "41a"; },
       "--key 41a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path project = root / "project";
    fs::remove_all(project);
    WriteHost(project / "data.ini", U("[Mokta软件安装配置]\nMokta软件名称=演示\n\n"));
    WriteHost(project / "payload" / "a.txt", "a");
    BuildOptions options = Options(project);
    c.spoil(project, options);
    const BuildResult built = BuildPackage(options);
    EXPECT_FALSE(built.ok);
    EXPECT_NE(built.error.find(c.expected), std::string::npos) << built.error;
    EXPECT_FALSE(fs::exists(options.output));
    EXPECT_FALSE(fs::exists(options.output + ".partial"));
  }
}

TEST(PeResource, DamagedImagesFindNothing) {
  const Bytes good = MakeStub();
  ASSERT_TRUE(pe::FindNamedTypeResource(good, "key", 250).found);  // type names without case
  Bytes badRoot = good;
  Put32(badRoot, 0x58 + 112 + 16, 0x9000);  // resource RVA outside every section
  Bytes badData = good;
  Put32(badData, 0x200 + 0x4C, 0x10000);  // resource size past the end of the file
  Bytes badHeader = good;
  Put32(badHeader, 0x3C, 0xFFFFFFF0u);  // header offset that wraps around in 32 bits
  for (const Bytes& image : {Bytes(), Bytes("MZ"), good.substr(0, 0x100), good.substr(0, 0x230),
                             badRoot, badData, badHeader})
    EXPECT_FALSE(pe::FindNamedTypeResource(image, "KEY", 250).found) << image.size();
}

}  // namespace

namespace {

// Each case writes files into a small valid project; the build must stop naming the file and
// line, and leave no output behind.
TEST_F(PackBuild, ProjectFilesAreCheckedWithFileAndLine) {
  const std::string sixteen = [] {
    std::string params = "param1=整数型,1\n";
    for (int i = 2; i <= 16; ++i) params += "param" + std::to_string(i) + "=文本型,p\n";
    return params;
  }();
  const std::string rawSixteen = [] {
    std::string list = "DLLnameStartDLLname_endDLLmd0DLLmd_endDLLparam$参数，整数型$参数，1";
    for (int i = 2; i <= 16; ++i) list += "\nDLL标记$$参数，整数型$参数，" + std::to_string(i);
    return list + "DLLparam_end\n";
  }();
  const std::string tree = "Treelists\n｛\nInstall(){基本组件$,-1$,1$,真$,$,0\n}\n｝\n\n";
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // name, text (this file's GBK)
    std::string expected;                                     // file:line: and the start of the message
  } cases[] = {
      {"shortcut item beyond the count",
       {{"data.ini", "[新建快捷方式参数]\n欲运行的次数=1\n参数快捷方式名1=a\n参数文件名1=a.txt\n"
                     "参数生成位置1=%Desktop%\n参数文件名2=b\n"}},
       "data.ini:6: \"参数文件名2\" is item 2 but 欲运行的次数=1"},
      {"shortcut item without its target",
       {{"data.ini", "[新建快捷方式参数]\n欲运行的次数=1\n参数快捷方式名1=a\n参数生成位置1=x\n"}},
       "data.ini:2: item 1 has no \"参数文件名1\""},
      {"run list key misspelt",
       {{"data.ini", "[解压后运行的参数]\n欲运行的次数=1\n参数运行文件名1=a\n作用方式1=x\n"}},
       "data.ini:4: unknown key \"作用方式1\""},
      {"uninstall command with a run-list key",
       {{"data.ini", "[卸载时运行命令]\n欲运行的次数=1\n参数运行文件名1=a\n作用方案1=解压后运行\n"}},
       "data.ini:4: unknown key"},
      {"count that is no number", {{"data.ini", "[卸载时运行命令]\n欲运行的次数=两\n"}},
       "data.ini:2: 欲运行的次数 needs a number"},
      {"key twice", {{"data.ini", "[Mokta软件安装配置]\n软件版本=1\n软件版本=2\n"}}, "data.ini:3: key \"软件版本\" again"},
      // The product name becomes a folder the uninstaller deletes with its contents.
      {"product name ..", {{"data.ini", "[Mokta软件安装配置]\nMokta软件名称=..\n"}},
       "data.ini:2: \"Mokta软件名称\" must be one plain folder name"},
      {"product name with a separator", {{"data.ini", "[Mokta软件安装配置]\nMokta软件名称=a\\b\n"}},
       "data.ini:2: \"Mokta软件名称\" must be one plain folder name"},
      {"product name empty", {{"data.ini", "[Mokta软件安装配置]\n软件版本=1\nMokta软件名称=\n"}},
       "data.ini:3: \"Mokta软件名称\" must be one plain folder name"},
      {"page text key unknown", {{"GUItext.ini", "欢迎0=a\n欢迎9=b\n"}}, "GUItext.ini:2: unknown page text key"},
      {"font markup with four fields", {{"GUItext.ini", "\n欢迎1=<font宋体,12,真,0/>x\n"}},
       "GUItext.ini:2: font markup needs five fields"},
      {"font markup not closed", {{"GUItext.ini", "欢迎1=<font宋体,12,真,0,0 x\n"}},
       "GUItext.ini:1: font markup without \"/>\""},
      {"two font markups", {{"GUItext.ini", "欢迎1=<font,,,,/>a<font,,,,/>b\n"}}, "GUItext.ini:1: a second font markup"},
      {"font size no number", {{"GUItext.ini", "完成0=<font宋体,大,真,0,0/>x\n"}}, "GUItext.ini:1: font size"},
      {"markup on a caption", {{"GUItext.ini", "目录4=<font,,,,/>浏览\n"}}, "GUItext.ini:1: \"目录4\" is used as it is"},
      {"colour no number", {{"GUItext.ini", "背景=1,2,红\n"}}, "GUItext.ini:1: colour \"红\""},
      {"seven buttons", {{"GUItext.ini", "按钮=a,b,c,d,e,f,g\n"}}, "GUItext.ini:1: 按钮 takes six captions"},
      {"assignment before a group", {{"Except.ini", "a.txt,0\n"}}, "Except.ini:1: an entry before the first group"},
      {"assigned entry not in the payload", {{"Except.ini", "%InstallPath%\\x,-1\n文档\\c.txt,0\n"}},
       "Except.ini:2: \"文档\\c.txt\" is not in payload/"},
      {"block that names no tree item", {{"choosegment.ini", tree + "组件X\n｛\nInstall(){\n}\n｝\n"}},
       "choosegment.ini:7: block \"组件X\" names no item"},
      {"block without its brace", {{"choosegment.ini", "基本组件\nInstall(){\n}\n"}},
       "choosegment.ini:2: \"｛\" on the line after"},
      {"content line starting with }", {{"choosegment.ini", "基本组件\n｛\nInstall(){\n}x\n}\n｝\n"}},
       "choosegment.ini:4: a content line cannot start"},
      {"script line without flag", {{"choosegment.ini", "基本组件\n｛\nUnzip(){\ncmd /c echo\n}\n｝\n"}},
       "choosegment.ini:4: a script line reads"},
      {"sections out of order", {{"choosegment.ini", "基本组件\n｛\nUnzip(){\n}\nInstall(){\n}\n｝\n"}},
       "choosegment.ini:5: Install comes after"},
      {"document ends inside a block", {{"choosegment.ini", "基本组件\n｛\nInstall(){\n"}},
       "choosegment.ini:4: the document ends inside block"},
      {"tree line with three fields", {{"choosegment.ini", "Treelists\n｛\nInstall(){基本组件$,-1$,1\n}\n｝\n"}},
       "choosegment.ini:3: a tree line needs at least four fields"},
      {"tree parent not yet added",
       {{"choosegment.ini", "Treelists\n｛\nInstall(){a$,-1$,1$,$,$,0\nb$,5$,1$,\n}\n｝\n"}},
       "choosegment.ini:4: parent index 5"},
      {"tree lines starting on the next line",
       {{"choosegment.ini", "Treelists\n｛\nInstall(){\na$,-1$,1$,\n}\n｝\n"}}, "choosegment.ini:3: the first tree line"},
      {"block found at an earlier block whose name ends the same",
       {{"choosegment.ini", "Treelists\n｛\nInstall(){ExtraTools$,-1$,1$,\nTools$,-1$,1$,\n}\n｝\n"
                            "ExtraTools\n｛\n｝\nTools\n｛\n｝\n"}},
       "choosegment.ini:10: block \"Tools\" would be found at block \"ExtraTools\""},
      {"registry type unknown", {{"registry.ini", "[1]\npath=HKEY_CURRENT_USER\\S\ntype=REG_QWORD\n"}},
       "registry.ini:3: type \"REG_QWORD\""},
      {"registry root unknown", {{"registry.ini", "[1]\npath=HKCU\\S\ntype=REG_SZ\n"}}, "registry.ini:2: path starts with a root"},
      {"registry dword no number", {{"registry.ini", "[1]\npath=HKEY_USERS\\S\ntype=REG_DWORD\ndata=0x10\n"}},
       "registry.ini:4: REG_DWORD data is a decimal number"},
      {"registry binary odd digits", {{"registry.ini", "[1]\npath=HKEY_USERS\\S\ntype=REG_BINARY\ndata=ab c\n"}},
       "registry.ini:4: REG_BINARY data is pairs"},
      {"registry entries misnumbered", {{"registry.ini", "[2]\npath=HKEY_USERS\\S\ntype=REG_SZ\n"}},
       "registry.ini:1: entries are numbered"},
      {"registry view unknown", {{"registry.ini", "[1]\npath=HKEY_USERS\\S\ntype=REG_SZ\nview=46\n"}},
       "registry.ini:4: view takes 64 or 32"},
      {"registry .reg text missing", {{"registry.ini", "[1]\ntype=file\nfile=none.reg\n"}}, "registry.ini:3: none.reg missing"},
      {"registry .reg text GBK cannot hold",
       {{"registry.ini", "[1]\ntype=file\nfile=x.reg\n"}, {"x.reg", "REGEDIT4\n\xF0\x9F\x98\x80\n"}},
       "x.reg:2: text that GBK cannot represent"},
      {"variable not in percent signs", {{"variable.ini", "[%A%]\n数据=1\n[B]\n数据=2\n"}},
       "variable.ini:3: a variable section is named %Name%"},
      {"resource item missing", {{"variable.ini", "[%Icon%]\n数据=#资源数据_没有\n"}},
       "variable.ini:2: resource item var_data/#资源数据_没有 missing"},
      {"plug-in with sixteen parameters",
       {{"plugins.ini", "[p]\nfile=p.dll\nfunction=Start\nrun=installer\n" + sixteen}, {"p.dll", "MZ"}},
       "plugins.ini:20: param16: more than 15 parameters"},
      {"stored plug-in list with sixteen parameters", {{"QZRDLL_s.ini", rawSixteen}},
       "QZRDLL_s.ini:16: more than 15 parameters"},
      {"plug-in parameter type unknown",
       {{"plugins.ini", "[p]\nfile=p.dll\nfunction=Start\nrun=both\nparam1=长整数型,1\n"}, {"p.dll", "MZ"}},
       "plugins.ini:5: parameter type \"长整数型\""},
      {"plug-in integer no number",
       {{"plugins.ini", "[p]\nfile=p.dll\nfunction=Start\nrun=both\nparam1=整数型,x\n"}, {"p.dll", "MZ"}},
       "plugins.ini:5: 整数型 needs a decimal integer"},
      {"plug-in parameter gap",
       {{"plugins.ini", "[p]\nfile=p.dll\nfunction=Start\nrun=both\nparam1=整数型,1\nparam3=整数型,3\n"}, {"p.dll", "MZ"}},
       "plugins.ini:1: param3 without param2"},
      {"plug-in run mode unknown", {{"plugins.ini", "[p]\nfile=p.dll\nfunction=Start\nrun=always\n"}, {"p.dll", "MZ"}},
       "plugins.ini:4: run takes installer, uninstaller or both"},
      {"plug-in file missing", {{"plugins.ini", "[p]\nfile=none.dll\nfunction=Start\nrun=both\n"}},
       "plugins.ini:2: plug-in file none.dll missing"},
      {"plug-in listed twice over", {{"plugins.ini", "[p]\n"}, {"QZRDLL_s.ini", "x"}},
       "plugins.ini:0: plugins.ini and QZRDLL_s.ini/QZRDLL.db together"},
      {"skin picture of an unknown name", {{"skin/logo.png", "\x89PNG...."}}, "logo.png:0: not a picture the runtime reads"},
      {"skin picture that is no picture", {{"skin/界面图片.jpg", "hello"}}, "界面图片.jpg:0: not a JPEG, PNG, BMP or GIF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path project = root / "project";
    fs::remove_all(project);
    WriteHost(project / "data.ini", U("[Mokta软件安装配置]\nMokta软件名称=演示\n"));
    WriteHost(project / "payload" / "a.txt", "a");
    WriteHost(project / "payload" / U("文档") / "b.txt", "b");
    for (const auto& [name, content] : c.files) {
      // Contents are this file's GBK literals; bytes that are no GBK (the emoji) pass unchanged.
      WriteHost(project / U(name), text::Contains(content, "\xF0\x9F") ? content : U(content));
    }
    BuildOptions options = Options(project);
    const BuildResult built = BuildPackage(options);
    EXPECT_FALSE(built.ok);
    EXPECT_NE(built.error.find(U(c.expected)), std::string::npos) << built.error;
    EXPECT_FALSE(fs::exists(options.output));
    EXPECT_FALSE(fs::exists(options.output + ".partial"));
  }
}

}  // namespace

namespace {

// plugins.ini becomes the runtime's two files (wire form, images compressed and paired by
// position), and inspect --extract gives plugins.ini and the DLLs back for an identical rebuild.
TEST_F(PackBuild, PluginsAreCompiledAndComeBackOut) {
  const fs::path project = root / "project";
  WriteHost(project / "data.ini", U("[Mokta软件安装配置]\nMokta软件名称=演示\n"));
  WriteHost(project / "payload" / "a.txt", "a");
  WriteHost(project / "plugins" / "skin.dll", std::string("MZ\0\1skin", 8));
  WriteHost(project / "plugins" / "log.dll", "MZlog");
  std::string fifteen;
  for (int i = 2; i <= 15; ++i) fifteen += "param" + std::to_string(i) + U("=字节集,") + std::to_string(i) + "\n";
  WriteHost(project / "plugins.ini",
            U("[皮肤]\nfile=plugins/skin.dll\nfunction=Start\nrun=installer\nparam2=整数型,-7\n"
              "param1=文本型,%InstallPath%\\说明\n[日志]\nfile=plugins/log.dll\nfunction=Log\nrun=both\n") +
                "param1=" + U("整数型,1\n") + fifteen);
  ASSERT_TRUE(BuildPackage(Options(project)).ok);
  fs::rename(root / "out" / "setup.exe", root / "first.exe");
  const auto stored = StoredConfiguration(folder, folder / "first.exe", "one");
  std::string second = "DLLnameLogDLLname_endDLLmd2DLLmd_endDLLparam$参数，整数型$参数，1";
  for (int i = 2; i <= 15; ++i) second += "\r\nDLL标记$$参数，字节集$参数，" + std::to_string(i);
  EXPECT_EQ(stored.at("QZRDLL_s.ini"),
            "DLLnameStartDLLname_endDLLmd0DLLmd_endDLLparam$参数，文本型$参数，%InstallPath%\\说明"
            "\r\nDLL标记$$参数，整数型$参数，-7DLLparam_end"
            "MoktaDLL分割标记" + second + "DLLparam_end");
  EXPECT_EQ(block::Inflate(stored.at("QZRDLL.db")),
            "DLLparam_end" + std::string("MZ\0\1skin", 8) + "MoktaDLL分割标记DLLparam_endMZlog");

  const InspectResult extracted = InspectPackage((root / "first.exe").string(), (root / "again").string());
  ASSERT_TRUE(extracted.ok) << extracted.error << extracted.report;
  EXPECT_EQ(ReadHost(root / "again" / "plugins" / "1.dll"), std::string("MZ\0\1skin", 8));
  EXPECT_FALSE(fs::exists(root / "again" / "QZRDLL_s.ini"));
  ASSERT_TRUE(BuildPackage(Options(root / "again")).ok);
  EXPECT_EQ(StoredConfiguration(folder, folder / "out\\setup.exe", "two"), stored);
}

// An uninstaller copy: the program image, then the uninstall data, record and skin blocks and
// the type block "qzr-2"; inspect lists the blocks and decodes each one.
TEST_F(PackBuild, InspectDecodesAnUninstallerCopy) {
  const std::string separator = "#！★！#";
  const std::string bundle = std::string("DLLnameStartDLLname_endDLLmd1DLLmd_endDLLparamDLLparam_end") +
                             separator + "DLLnameDLLparam_endMZ" + separator + separator +
                             "[%Icon%]\r\n数据=#资源数据_图标\r\n" + separator;
  Bytes record = "[软件卸载配置]\r\n软件名称=演示软件\r\n卸载路径=C:\\Program Files\\演示软件\r\n";
  AppendKeyedItem(record, "卸载路径", "C:\\Program Files\\演示软件\\a.txt\r\nC:\\Program Files\\演示软件\\uninst.dat", false);
  AppendKeyedItem(record, "卸载注册表", BytesOf({1, 2, 3}), false);
  Bytes skin;
  AppendKeyedItem(skin, "界面小图片", "\x89PNG1234", false);
  AppendKeyedItem(skin, "版权", "示例软件有限公司", false);
  const Bytes copy = MakeStub() + "{" +
                     blocks::MakeBlock(blocks::kUninstDataStart, bundle, blocks::kUninstDataEnd) +
                     blocks::MakeBlock(blocks::kUninstIniStart, record, blocks::kUninstIniEnd) +
                     blocks::MakeBlock(blocks::kSkinStart, skin, blocks::kSkinEnd) +
                     blocks::MakeBlock(blocks::kTypeStart, "qzr-2", blocks::kTypeEnd);
  WriteHost(root / "uninst.dat", copy);

  const InspectResult inspected = InspectPackage((root / "uninst.dat").string());
  ASSERT_TRUE(inspected.ok) << inspected.error << inspected.report;
  for (const char* expected :
       {"package type: qzr-2 (uninstaller copy)", "uninstall data: block at", "uninstall record: block at",
        "window skin: block at", "KEY 250: \"000\"", "QZRDLL.db: 21 bytes", "function=Start\nrun=uninstaller",
        "[%Icon%]\n数据=#资源数据_图标", "软件名称=演示软件\n卸载路径=C:\\Program Files\\演示软件\n",
        "[卸载路径] \nC:\\Program Files\\演示软件\\a.txt\nC:\\Program Files\\演示软件\\uninst.dat\n",
        "[卸载注册表] (empty)", "界面小图片: 8 bytes", "版权: \"示例软件有限公司\""})
    EXPECT_NE(inspected.report.find(U(expected)), std::string::npos) << expected << "\n" << inspected.report;
  // Only an installer's project can be written out.
  EXPECT_FALSE(InspectPackage((root / "uninst.dat").string(), (root / "x").string()).ok);
}

}  // namespace

namespace {

// The install's record of a package built from the demo, read back by inspect: the uninstaller
// copy starts with the setup's image (its launcher carrying the product name) and holds every
// uninstall block, and none of the package.
TEST_F(PackBuild, UninstallRecordOfABuiltPackageRoundTripsThroughInspect) {
  ASSERT_TRUE(BuildPackage(Options(kDemo)).ok);
  const std::string setup = folder / "out\\setup.exe";
  Bytes file;
  ASSERT_TRUE(plat::ReadFileBytes(setup, file));
  const pe::ResourceLocation launcher = pe::FindNamedTypeResource(file, "UNINST_DAT", 100);
  ASSERT_TRUE(launcher.found);

  UninstallRecordInputs in;
  in.productName = "演示软件";
  in.version = "1.0.0";
  in.installFolder = folder / "App";
  ASSERT_TRUE(plat::CreateDirectories(in.installFolder));
  in.installedFileList = in.installFolder + "\\readme.txt\r\n";
  in.configurationBundle = package::BuildConfigurationBundle({"", "", "", "[%A%]\r\n数据=1\r\n"});
  in.smallPicture = "\x89PNG small";
  in.largePicture = "large picture";
  in.company = "示例软件有限公司";
  in.ownFilePath = setup;
  in.launcher = file.substr(launcher.fileOffset, launcher.size);
  ASSERT_TRUE(WriteUninstallRecord(in).written);
  const fs::path dat = host::HostPath(in.installFolder + "\\uninst.dat");
  const std::string copy = ReadHost(dat);
  EXPECT_EQ(copy.substr(0, MakeStub().size()), file.substr(0, MakeStub().size()));
  EXPECT_EQ(ReadHost(host::HostPath(in.installFolder + "\\uninst.exe")), in.launcher);

  const InspectResult inspected = InspectPackage(dat.string());
  ASSERT_TRUE(inspected.ok) << inspected.error << inspected.report;
  for (const std::string& expected :
       {std::string("package type: qzr-2 (uninstaller copy)"), std::string("uninstall data: block at"),
        std::string("uninstall record: block at"), std::string("window skin: block at"),
        U("launcher product name (NAME 100): \"演示软件\""), U("软件名称=演示软件\n软件版本=1.0.0\n"),
        U("[卸载路径] \n") + plat::GbkToUtf8(in.installFolder) + "\\readme.txt\n",
        U("[卸载注册表] (empty)"), U("界面小图片: 10 bytes"), U("界面大图片: 13 bytes"),
        U("版权: \"示例软件有限公司\""), U("x皮肤: 0 bytes"), std::string("configuration package: none")})
    EXPECT_NE(inspected.report.find(expected), std::string::npos) << expected << "\n" << inspected.report;
  EXPECT_EQ(inspected.report.find("payload archive"), std::string::npos) << inspected.report;

  // The installed launcher on its own shows its name too.
  const InspectResult exe = InspectPackage(host::HostPath(in.installFolder + "\\uninst.exe"));
  EXPECT_NE(exe.report.find(U("product name (NAME 100, 256 bytes): \"演示软件\"")), std::string::npos)
      << exe.report;
}

}  // namespace
