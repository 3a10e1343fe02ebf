// Writes the configuration files of a package in their stored forms, from a folder of
// human-editable UTF-8 texts:
//
//   data.ini, variable.ini                  -> GBK text, CRLF
//   Except.ini, choosegment.ini             -> GBK, enciphered with each file's pass phrase
//   GUItext.ini                             -> an enciphered keyed store inside a file
//                                              enciphered as a whole (page_texts.h)
//   registry.ini                            -> QZRREG.db: the registry list as a keyed store,
//                                              compressed (sections [1], [2], ... with keys
//                                              path, type, data or file, remove, name, view)
//   var_data/<item key>                     -> var_data.ini: one keyed item per file (bytes as
//                                              they are; the file name is the key)
//   plugins.ini + the DLLs                  -> QZRDLL_s.ini and QZRDLL.db (plugins.h); a
//                                              project may carry those two files instead
//   skin/<picture>                          -> copied under its own name
// The project is expected to have passed CheckProject.
#pragma once

#include <string>

struct ConfigWriteResult {
  bool ok = false;
  std::string error;  // names the file (and line) that stopped the write
};

ConfigWriteResult WriteConfiguration(const std::string& sourceFolder,
                                     const std::string& targetFolder);
