// Builds a finished setup file from a package project (layout: tools/pack/README.md):
// configuration files in their stored forms, packed by 7zz into a 7z with encrypted headers
// and the password MD5(key), its second byte altered; the payload folder packed by 7zz; then
// stub + type block + payload block + configuration block, with the stub's "KEY" 250
// resource set to the key.
#pragma once

#include <functional>
#include <string>

struct BuildOptions {
  std::string projectDir;
  std::string output;          // the setup file to write
  std::string stub;            // the setup program to put in front
  std::string key;             // 3 ASCII digits; "" = random
  std::string method;          // 7zz -m0= value; "" = pack::kPayloadMethod (LZMA2 in blocks)
  std::string volumeSize;      // 7zz -v value ("10m"); "" = the payload inside the setup file
  std::string sevenZip = "/usr/bin/7zz";
  // One call per step; "" ends the line that 7zz's percentage left open. May be empty.
  std::function<void(const std::string&)> progress;
};

struct BuildResult {
  bool ok = false;
  std::string error;  // names the file (and line) that stopped the build
  std::string key;    // the key that was set
};

// With a volume size the payload goes into numbered volumes beside the output
// (<output stem>.7z.001, ...) and data.ini gets the volume keys; "压缩原大小" is filled with the
// payload's size unless the project sets it.
// Nothing is left at `output` unless the build succeeds: the file is written under a temporary
// name beside it and renamed at the end.
BuildResult BuildPackage(const BuildOptions& options);

// The stub setup.exe that sits beside the running tool's build: <tool folder>/../<arch>/setup.exe
// (arch win32 or win64). "" when the tool's own location cannot be read.
std::string DefaultStub(const std::string& arch);
