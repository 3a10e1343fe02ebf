// Plug-ins of a package. A project lists them in plugins.ini, one section per plug-in:
//
//   [皮肤]
//   file=plugins/skin.dll     the DLL, relative to the project
//   function=Start            exported function to call
//   run=installer             installer | uninstaller | both (or 0 | 1 | 2)
//   param1=文本型,some text   TYPE,VALUE: 文本型, 字节集 or 整数型; up to param15
//
// and the packer writes the runtime's two files from it: QZRDLL_s.ini (function, run mode,
// parameter list in its wire form) and QZRDLL.db (the images, compressed), paired by position.
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"

inline constexpr int kMaxPluginParameters = 15;

struct PluginFiles {
  Bytes settings;  // QZRDLL_s.ini
  Bytes images;    // QZRDLL.db
};

// Reads and checks `projectDir`/plugins.ini. "" or "file:line: what"; with no plugins.ini the
// result is "" and both files stay empty.
std::string CompilePlugins(const std::string& projectDir, PluginFiles& out);

// Checks a QZRDLL_s.ini written in the runtime's own form (a project may carry one instead of
// plugins.ini): at most 15 parameter lines per entry. `gbk` has CRLF line ends.
std::string CheckStoredPluginList(const std::string& path, BytesView gbk);

// plugins.ini text (GBK, LF) and the images to write beside it as plugins/<n>.dll, from the
// stored files; false when the files hold something plugins.ini cannot say (names of
// parameters, a different entry count), so the caller keeps the raw files instead.
struct DecodedPlugins {
  std::string ini;
  std::vector<Bytes> images;
};
bool DecodePlugins(BytesView settings, BytesView images, DecodedPlugins& out);
