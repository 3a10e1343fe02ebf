// Writes the configuration files of a package in their stored forms, from a folder of
// human-editable UTF-8 texts:
//
//   data.ini, variable.ini, QZRDLL_s.ini   -> GBK text
//   GUItext.ini, Except.ini, choosegment.ini -> GBK, enciphered with each file's pass phrase
//   registry.ini                            -> QZRREG.db: the registry list as a keyed store,
//                                              compressed (sections [1], [2], ... with keys
//                                              path, type, data, remove, name, view)
//   var_data/<item key>                     -> var_data.ini: one keyed item per file (bytes as
//                                              they are; the file name is the key, UTF-8)
//   QZRDLL.db                               -> copied unchanged
#pragma once

#include <string>

struct ConfigWriteResult {
  bool ok = false;
  std::string error;  // names the file (and line) that stopped the write
};

ConfigWriteResult WriteConfiguration(const std::string& sourceFolder,
                                     const std::string& targetFolder);
