// The plug-in host natively: the wire form and the fifteen arguments built from it, the two
// plug-in files read back, run-mode selection, the loaded-plugin table with a loader that
// counts its loads, the bounded retry of a refused module, and the broadcast. One test goes
// through the host platform's fake modules and the real call with native functions.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/compressed_block.h"
#include "common/crypto.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "plugins/host_messages.h"
#include "plugins/plugin_call.h"
#include "plugins/plugin_host.h"
#include "tests/support/test_folder.h"

namespace {

using plugin_files::ReadPluginEntries;

std::string TextArg(intptr_t a) { return a ? reinterpret_cast<const char*>(a) : "(null)"; }

TEST(PluginWireForm, ReadableTextsBecomeWireLines) {
  struct Case {
    std::string readable, wire;
  } cases[] = {
      {"，整数型，1005", "$参数，整数型$参数，1005"},
      {"，整数型，1003……，整数型，1", "$参数，整数型$参数，1003\r\nDLL标记$$参数，整数型$参数，1"},
      {"消息，整数型，1002\r\n参数一，整数型，3\r\n",
       "消息$参数，整数型$参数，1002\r\nDLL标记$参数一$参数，整数型$参数，3\r\nDLL标记$"},
  };
  for (const Case& c : cases) EXPECT_EQ(ToWireForm(c.readable), c.wire) << c.readable;
}

TEST(PluginArguments, EachTypeBuildsItsSlot) {
  KeepAliveList keep;
  const std::string wire =
      "$参数，整数型$参数，-7\r\nDLL标记$"
      "a$参数，文本型$参数，路径\r\nDLL标记$"
      "$参数，文本型$参数，\r\nDLL标记$"
      "$参数，字节集$参数，\r\nDLL标记$"
      "$参数，字节集$参数，AB\r\nDLL标记$"
      "$参数，逻辑型$参数，1\r\nDLL标记$"
      "$参数，整数型";
  const PluginArguments a = BuildPluginArguments(wire, keep);
  EXPECT_EQ(a[0], -7);
  EXPECT_EQ(TextArg(a[1]), "路径");
  EXPECT_EQ(a[2], 0) << "an empty text passes 0";
  EXPECT_EQ(a[3], 0) << "an empty byte array passes 0, not a pointer to nothing";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a[4]), 2), "AB");
  EXPECT_EQ(a[5], 0) << "an unknown type";
  EXPECT_EQ(a[6], 0) << "a missing value";
  for (size_t k = 7; k < a.size(); ++k) EXPECT_EQ(a[k], 0) << k;
  // The pointers outlive the call: a plug-in may keep them.
  const PluginArguments again = BuildPluginArguments("$参数，文本型$参数，x", keep);
  EXPECT_EQ(TextArg(a[1]), "路径");
  EXPECT_EQ(TextArg(again[0]), "x");
}

TEST(PluginArguments, TheMessage1005IsOneIntegerAndFourteenZeros) {
  KeepAliveList keep;
  const PluginArguments a = BuildPluginArguments(ToWireForm(InstallEndMessage()), keep);
  EXPECT_EQ(a[0], 1005);
  for (size_t k = 1; k < a.size(); ++k) EXPECT_EQ(a[k], 0) << k;
  EXPECT_TRUE(keep.empty());
}

TEST(PluginArguments, LinesAfterTheFifteenthAreDropped) {
  std::vector<std::string> lines;
  for (int k = 1; k <= 17; ++k) lines.push_back("$参数，整数型$参数，" + std::to_string(k));
  std::string wire;
  for (size_t i = 0; i < lines.size(); ++i) wire += (i ? "\r\nDLL标记$" : "") + lines[i];
  KeepAliveList keep;
  const PluginArguments a = BuildPluginArguments(wire, keep);
  ASSERT_EQ(a.size(), 15u);
  EXPECT_EQ(a[0], 1);
  EXPECT_EQ(a[14], 15);
}

TEST(PluginRunMode, EntriesRunInTheirMode) {
  struct Case {
    int pluginMode, runMode;
    bool runs;
  } cases[] = {{0, 1, true}, {0, 2, false}, {1, 1, false}, {1, 2, true},
               {2, 1, true}, {2, 2, true},  {3, 1, false}, {0, 0, false}};
  for (const Case& c : cases)
    EXPECT_EQ(RunsInMode(c.pluginMode, c.runMode), c.runs) << c.pluginMode << " " << c.runMode;
}

std::string Settings(const std::string& function, int mode, const std::string& params) {
  return "DLLname" + function + "DLLname_endDLLmd" + std::to_string(mode) +
         "DLLmd_endDLLparam" + params + "DLLparam_end";
}

TEST(PluginFiles, EntriesPairByPositionFromEitherForm) {
  const std::string sep = plugin_files::kEntrySeparator;
  const std::string images = "DLLparam_endIMAGE1" + sep + "no end marker" + sep +
                             "DLLparam_endIMAGE3";
  const std::string settings = Settings("Start", 0, "$参数，整数型$参数，5") + sep +
                               Settings("Two", 1, "") + sep + Settings("Three", 2, "");
  // Stored compressed, as the packer writes it; an image file that starts with "DLLname" is
  // taken as it is.
  for (const Bytes& file : {block::Deflate(images), "DLLname" + images}) {
    const auto entries = ReadPluginEntries(file, settings);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].functionName, "Start");
    EXPECT_EQ(entries[0].runMode, 0);
    EXPECT_EQ(entries[0].parameters, "$参数，整数型$参数，5");
    EXPECT_EQ(entries[0].image, "IMAGE1");
    EXPECT_EQ(entries[1].image, "") << "an entry without DLLparam_end has no image";
    EXPECT_EQ(entries[1].runMode, 1);
    EXPECT_EQ(entries[2].image, "IMAGE3");
  }
  EXPECT_TRUE(ReadPluginEntries("", settings).empty());
  EXPECT_TRUE(ReadPluginEntries("not compressed", settings).empty());
  EXPECT_EQ(ReadPluginEntries(block::Deflate(images), Settings("Start", 0, "")).size(), 1u)
      << "an image without its settings entry has nothing to call";
}

// A loader whose modules are names: it counts loads, can refuse a path a number of times,
// and records every call.
class FakeLoader : public PluginLoader {
 public:
  std::map<std::string, int> refusals;  // path file name -> refusals left (-1 = always)
  std::vector<std::string> loads;
  std::map<intptr_t, std::vector<std::string>> exports;  // module -> functions
  struct Call {
    intptr_t module;
    std::string function;
    PluginArguments arguments;
  };
  std::vector<Call> calls;
  std::map<std::string, int> answers;  // function -> answer
  int waits = 0;

  intptr_t Load(const std::string& path, BytesView) override {
    loads.push_back(path);
    auto it = refusals.find(Name(path));
    if (it != refusals.end() && it->second != 0) {
      if (it->second > 0) --it->second;
      return 0;
    }
    const intptr_t module = 100 + intptr_t(modules_.size());
    modules_.push_back(path);
    exports[module] = {"Start", "tarn_msg"};
    return module;
  }
  intptr_t Find(intptr_t module, const std::string& name) override {
    for (const std::string& f : exports[module])
      if (f == name) {
        names_.push_back({module, name});
        return intptr_t(names_.size());
      }
    return 0;
  }
  int32_t Call(intptr_t function, const PluginArguments& arguments) override {
    const auto& [module, name] = names_[size_t(function) - 1];
    calls.push_back({module, name, arguments});
    auto it = answers.find(name);
    return it == answers.end() ? 0 : it->second;
  }
  void Wait(uint32_t milliseconds) override {
    ++waits;
    plat::SleepMs(milliseconds);
  }
  static std::string Name(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

 private:
  std::vector<std::string> modules_;
  std::vector<std::pair<intptr_t, std::string>> names_;
};

class PluginHostTest : public ::testing::Test {
 protected:
  TestFolder temp;
  FakeLoader loader;
  PluginHost host;
  std::vector<std::string> status;
  void SetUp() override {
    plat::host::SetTickCount(1000);
    host.loader = &loader;
    host.folder = PluginFolder();
    host.showStatus = [this](const std::string& text) { status.push_back(text); };
  }
  static std::string Files(std::initializer_list<std::pair<std::string, std::string>> entries,
                           std::string& settings) {
    const std::string sep = plugin_files::kEntrySeparator;
    std::string images;
    for (const auto& [image, s] : entries) {
      images += (images.empty() ? "" : sep) + "DLLparam_end" + image;
      settings += (settings.empty() ? "" : sep) + s;
    }
    return block::Deflate(images);
  }
};

TEST_F(PluginHostTest, IdenticalImagesShareOneFileAndOneModule) {
  std::string settings;
  const Bytes images = Files({{"SAME", Settings("Start", 0, "$参数，整数型$参数，1")},
                              {"SAME", Settings("Start", 2, "$参数，整数型$参数，2")},
                              {"OTHER", Settings("Start", 0, "")}},
                             settings);
  RunStartupPlugins(host, images, settings, 1);
  ASSERT_EQ(loader.loads.size(), 2u) << "the second SAME finds the first in LoadedPlugins";
  EXPECT_EQ(FakeLoader::Name(loader.loads[0]), crypto::Md5Hex("SAME") + ".dll");
  ASSERT_EQ(host.loadedPlugins.size(), 2u);
  EXPECT_EQ(host.loadedPlugins[0].path, host.folder + "\\" + crypto::Md5Hex("SAME") + ".dll");
  Bytes written;
  ASSERT_TRUE(plat::ReadFileBytes(host.loadedPlugins[1].path, written));
  EXPECT_EQ(written, "OTHER");
  ASSERT_EQ(loader.calls.size(), 3u);
  EXPECT_EQ(loader.calls[0].module, loader.calls[1].module);
  EXPECT_EQ(loader.calls[1].arguments[0], 2);

  // Each module hears a message once, in load order.
  loader.calls.clear();
  loader.answers["tarn_msg"] = 1;
  std::vector<int> answers;
  BroadcastMessage(host, InstallEndMessage(), answers);
  EXPECT_EQ(answers, (std::vector<int>{1, 1}));
  ASSERT_EQ(loader.calls.size(), 2u);
  EXPECT_EQ(loader.calls[0].function, "tarn_msg");
  EXPECT_EQ(loader.calls[0].arguments[0], 1005);
  EXPECT_EQ(loader.calls[1].arguments[1], 0);
  EXPECT_TRUE(AnyAnswerEquals(answers, 1));
}

TEST_F(PluginHostTest, RunModeDecidesWhichEntriesAreCalled) {
  std::string settings;
  const Bytes images = Files({{"INSTALLER", Settings("Start", 0, "")},
                              {"UNINSTALLER", Settings("Start", 1, "")},
                              {"BOTH", Settings("Start", 2, "")}},
                             settings);
  struct Case {
    int runMode;
    std::vector<std::string> loaded;
  } cases[] = {{1, {"INSTALLER", "BOTH"}}, {2, {"UNINSTALLER", "BOTH"}}};
  for (const Case& c : cases) {
    FakeLoader fresh;
    PluginHost h;
    h.loader = &fresh;
    h.folder = PluginFolder();
    RunStartupPlugins(h, images, settings, c.runMode);
    std::vector<std::string> names;
    for (const std::string& path : fresh.loads) names.push_back(FakeLoader::Name(path));
    std::vector<std::string> expected;
    for (const std::string& image : c.loaded) expected.push_back(crypto::Md5Hex(image) + ".dll");
    EXPECT_EQ(names, expected) << "run mode " << c.runMode;
  }
}

TEST_F(PluginHostTest, AMissingFunctionAnswersMinusOneAndVetoesNothing) {
  std::string settings;
  const Bytes images = Files({{"A", Settings("NoSuchEntry", 0, "")}}, settings);
  RunStartupPlugins(host, images, settings, 1);
  ASSERT_EQ(host.loadedPlugins.size(), 1u) << "the module loaded; only its function is missing";
  loader.exports[host.loadedPlugins[0].module] = {"Start"};  // no tarn_msg either
  std::vector<int> answers;
  BroadcastMessage(host, CancelMessage(CancelChoice::kConfirmed), answers);
  EXPECT_EQ(answers, std::vector<int>{kPluginFunctionMissing});
  EXPECT_FALSE(AnyAnswerEquals(answers, 1));
}

TEST_F(PluginHostTest, ARefusedModuleIsRetriedThenSkippedWithAStatusLine) {
  std::string settings;
  const Bytes images = Files({{"BUSY", Settings("Start", 0, "")},
                              {"LATE", Settings("Start", 0, "")},
                              {"FINE", Settings("Start", 0, "")}},
                             settings);
  loader.refusals[crypto::Md5Hex("BUSY") + ".dll"] = -1;
  loader.refusals[crypto::Md5Hex("LATE") + ".dll"] = 3;
  host.loadTimeoutMs = 50;
  RunStartupPlugins(host, images, settings, 1);
  ASSERT_EQ(host.loadedPlugins.size(), 2u) << "BUSY skipped, LATE after three refusals, FINE";
  EXPECT_GE(loader.waits, 3 + 1);
  ASSERT_EQ(status.size(), 1u);
  EXPECT_EQ(status[0], kPluginLoadFailedText + host.folder + "\\" + crypto::Md5Hex("BUSY") +
                           ".dll");
  EXPECT_EQ(loader.calls.size(), 2u);
  std::vector<int> answers;
  BroadcastMessage(host, InstallEndMessage(), answers);
  EXPECT_EQ(answers.size(), 2u) << "a skipped plug-in hears nothing";
}

TEST_F(PluginHostTest, NoPluginsNoAnswers) {
  RunStartupPlugins(host, "", "", 1);
  std::vector<int> answers;
  BroadcastMessage(host, CancelMessage(CancelChoice::kConfirmed), answers);
  EXPECT_TRUE(answers.empty());
  EXPECT_FALSE(AnyAnswerEquals(answers, 1));
}

// Through the platform: the host platform's fake module by its MD5 name, and native functions
// called with fifteen arguments.
std::vector<intptr_t> g_received;
intptr_t RecordStart(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5,
                     intptr_t a6, intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10,
                     intptr_t a11, intptr_t a12, intptr_t a13, intptr_t a14, intptr_t a15) {
  g_received = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15};
  return 42;
}
intptr_t AnswerOne(intptr_t message, intptr_t, intptr_t) { return message == 1002 ? 1 : 0; }

TEST_F(PluginHostTest, ThePlatformLoaderCallsTheExport) {
  PlatformPluginLoader real;
  host.loader = &real;
  plat::host::RegisterLibrary(crypto::Md5Hex("IMAGE") + ".dll",
                              {{"Start", reinterpret_cast<void*>(&RecordStart)},
                               {"tarn_msg", reinterpret_cast<void*>(&AnswerOne)}});
  intptr_t module = 0;
  EXPECT_EQ(CallPluginFunction(host, "IMAGE", "Start", "$参数，文本型$参数，hello\r\nDLL标记$$参数，整数型$参数，9", module), 42);
  ASSERT_NE(module, 0);
  ASSERT_EQ(g_received.size(), 15u);
  EXPECT_EQ(TextArg(g_received[0]), "hello");
  EXPECT_EQ(g_received[1], 9);
  EXPECT_EQ(g_received[14], 0);
  EXPECT_EQ(CallPluginFunction(host, "IMAGE", "Missing", "", module), -1);
  std::vector<int> answers;
  BroadcastMessage(host, NavigateMessage(2, 1), answers);
  EXPECT_EQ(answers, std::vector<int>{1});
}

}  // namespace
