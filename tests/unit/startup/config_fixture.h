// A configuration folder as the packaging tool writes it, made by the tests: GBK data.ini,
// variable.ini, var_data.ini, compressed QZRREG.db, enciphered GUItext.ini, Except.ini and
// choosegment.ini, the plug-in files.
#pragma once

#include <string>

#include "common/bytes.h"

namespace fixture {

inline const char kDataIni[] =
    "[Mokta软件安装配置]\r\n"
    "Mokta软件名称=演示软件\r\n"
    "软件版本=1.2\r\n"
    "公司名称=示例公司\r\n"
    "包内的程序名=demo.exe\r\n"
    "安装位置=%ProgramFiles%\\%ProductName%\r\n"
    "选择框_显示空间=真\r\n"
    "压缩原大小=123456789012\r\n"
    "说明=%MyVar%|%Icon%|%InstallPath%|%AC%|%ET%|%Unlisted%\r\n"
    "临时=%TempDir%\r\n"
    "[安装包命令行]\r\n"
    "p=/D=\r\n";

inline const char kVariableIni[] =
    "[%ProductName%]\r\n数据=ignored\r\n"
    "[%ProgramFiles%]\r\n数据=\r\n"
    "[%Version%]\r\n数据=\r\n"
    "[%TempDir%]\r\n数据=\r\n"
    "[%MyVar%]\r\n数据=值A%Second%\r\n"
    "[%Second%]\r\n数据=第二\r\n"
    "[%Icon%]\r\n数据=#资源数据_icon\r\n"
    "[%InstallPath%]\r\n数据=should stay\r\n"
    "[%AC%]\r\n数据=x\r\n"
    "[%ET%]\r\n数据=x\r\n";

inline const char kGuiText[] = "[界面]\r\n标题=欢迎安装%ProductName% %MyVar%\r\n";
inline const char kExcept[] = "%InstallPath%\\附件,-1\r\nreadme.txt,0\r\n";
inline const char kScript[] = "<组件>%ProductName%</组件>";
inline const char kPluginSettings[] = "DLLnameentryDLLname_end 版本%Version%";
inline const char kPluginData[] = "DLLname raw plug-in data";

// The resource item's bytes: binary, and spelling another variable that must stay as it is.
Bytes IconBytes();
// The registry list before expansion (as a plain keyed store).
Bytes RegistryList();

// Writes every file into `folder` (ends with "\"); with `withVariables` false, variable.ini
// has no section.
void WriteConfigFolder(const std::string& folder, bool withVariables = true);

}  // namespace fixture
