#include "package/data_ini.h"

#include "common/ini.h"
#include "package/data_keys.h"

namespace package {

std::string ReadMainKeyFrom(BytesView dataIni, const std::string& key) {
  return ini::Document::Parse(dataIni).Get(keys::kMainSection, key);
}

}  // namespace package
