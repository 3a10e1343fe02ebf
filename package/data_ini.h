// Reading data.ini, the package's main configuration file, where the format alone decides the
// answer: the runtime and setup-pack read its main section the same way.
#pragma once

#include <string>

#include "common/bytes.h"

namespace package {

// A key of the main section "Mokta软件安装配置" of data.ini held in memory; "" when absent.
std::string ReadMainKeyFrom(BytesView dataIni, const std::string& key);

}  // namespace package
