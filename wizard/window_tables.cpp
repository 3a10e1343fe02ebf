#include "wizard/window_tables.h"

namespace {

using K = ControlKind;

// Page bodies are 500 x 290 at the top of the container; the button row sits below them.
constexpr int kBodyWidth = 500;
constexpr int kBodyHeight = 290;

// The header band of the four inner pages: title, subtitle and the small picture at the right.
void AddHeader(std::vector<ControlDesc>& c, const std::string& page, const std::string& band,
               const std::string& picture, const std::string& title, const std::string& subtitle,
               const std::string& titleText, const std::string& subtitleText) {
  c.push_back({band, K::kPanel, page, 0, 0, kBodyWidth, 57, ""});
  c.push_back({title, K::kLabel, band, 16, 8, 340, 18, titleText});
  c.push_back({subtitle, K::kLabel, band, 30, 28, 330, 26, subtitleText});
  c.push_back({picture, K::kPicture, band, 366, 2, 134, 53, ""});
}

WindowDesc BuildWizard() {
  WindowDesc w;
  w.caption = "Mokta软件版本-安装向导";
  w.width = 503;
  w.height = 399;
  auto& c = w.controls;
  c.push_back({"选择夹1", K::kPageContainer, "", 0, 0, 500, 366, ""});
  for (int page = 0; page < 6; ++page) {
    ControlDesc body{"外形框I_" + std::to_string(page + 1), K::kPanel, "选择夹1", 0, 0,
                     kBodyWidth, kBodyHeight, ""};
    body.page = page;
    c.push_back(body);
    // The rights line at the foot of the page; on welcome and finish right of the tall picture.
    const int rightsLeft = page == 0 || page == 5 ? 174 : 10;
    c.push_back({"编辑框_版权" + std::to_string(page + 1), K::kLabel, body.name, rightsLeft, 276,
                 220, 14, "Mokta公司版权所有"});
  }

  // Welcome: the tall picture at the left, the text panel to its right.
  c.push_back({"图片框1", K::kPicture, "外形框I_1", 0, 0, 164, 288, ""});
  c.push_back({"外形框1", K::kPanel, "外形框I_1", 164, 0, 336, 270, ""});
  c.push_back({"编辑框_欢迎0", K::kLabel, "外形框1", 16, 12, 304, 44,
               "欢迎使用 Mokta软件 版本-安装向导"});
  c.push_back({"编辑框_欢迎1", K::kLabel, "外形框1", 16, 64, 304, 190,
               "这个向导将指引你完成“Mokta软件版本”的安装进程。\r\n\r\n在开始安装之前，建议先关闭其他所有应用"
               "程序。这将允许“安装程序”更新指定的系统文件，而不需要重新启动你的计算机。\r\n\r\n单击 "
               "[下一步(N)] 继续。"});

  // Licence.
  AddHeader(c, "外形框I_2", "外形框6", "图片框6", "编辑框_协议0", "编辑框_协议1", "许可证协议",
            "在安装“Mokta软件版本”之前，请阅读授权协议");
  c.push_back({"编辑框_协议2", K::kLabel, "外形框I_2", 18, 64, 455, 18,
               "按 [PgDn] 阅读“授权协议”的其余部分。"});
  c.push_back({"编辑框4", K::kMultiEdit, "外形框I_2", 18, 86, 455, 134, ""});
  c.push_back({"编辑框_协议3", K::kLabel, "外形框I_2", 18, 224, 455, 32,
               "如果你接受协议中的条款，单击 [我接受(I)] 继续安装。如果你选定 [取消(C)] ，安装程序将会关闭。"
               "必须接受协议才能安装本程序。"});
  c.push_back({"选择框_条款", K::kCheckBox, "外形框I_2", 18, 259, 200, 16, "同意本协议的条款"});

  // Components.
  AddHeader(c, "外形框I_3", "外形框3", "图片框2", "编辑框_组件0", "编辑框_组件1", "选择组件",
            "选择你想要安装“Mokta软件版本”的那些功能。");
  c.push_back({"编辑框_组件2", K::kLabel, "外形框I_3", 18, 64, 455, 32,
               "勾选你想要安装的组件，并解除勾选你不希望安装的组件。 单击 [下一步(N)] 继续。"});
  c.push_back({"编辑框_组件3", K::kLabel, "外形框I_3", 18, 130, 150, 18, "选择安装的组件"});
  c.push_back({"树型框1", K::kTree, "外形框I_3", 180, 130, 140, 142, ""});
  c.push_back({"分组框1", K::kGroupBox, "外形框I_3", 330, 124, 150, 148, ""});
  c.push_back({"编辑框_组件4", K::kLabel, "分组框1", 8, 0, 60, 16, "提示"});
  c.push_back({"提示", K::kLabel, "分组框1", 8, 20, 134, 120, ""});

  // Destination folder.
  AddHeader(c, "外形框I_4", "外形框4", "图片框3", "编辑框_目录0", "编辑框_目录1", "选择安装位置",
            "选择你想要安装“Mokta软件版本”的那些功能。");
  c.push_back({"编辑框_目录2", K::kLabel, "外形框I_4", 18, 64, 455, 48,
               "安装向导将安装 “Mokta软件版本” 在下列文件夹。要安装到不同文件夹，单击 [浏览] 并选择其他的"
               "文件夹。单击 [安装] 开始安装进程。"});
  // The destination group; the space display moves it up to 171 and shows its panel at 241.
  c.push_back({"分组框_目标文件夹", K::kGroupBox, "外形框I_4", 24, 206, 452, 60, ""});
  c.push_back({"编辑框_目录3", K::kLabel, "分组框_目标文件夹", 8, 0, 100, 16, "浏览文件夹"});
  c.push_back({"安装路径_编辑框", K::kEdit, "分组框_目标文件夹", 12, 24, 340, 22, ""});
  c.push_back({"浏览目录", K::kButton, "分组框_目标文件夹", 360, 23, 82, 24, "浏览目录..."});
  c.push_back({"外形框_显示空间", K::kPanel, "外形框I_4", 15, 136, 462, 30, "", false});
  c.push_back({"标签_所需空间", K::kLabel, "外形框_显示空间", 9, 0, 300, 15, "所需空间: XXMB"});
  c.push_back({"标签_可用空间", K::kLabel, "外形框_显示空间", 9, 15, 300, 15, "可用空间: XXGB"});

  // Installing.
  AddHeader(c, "外形框I_5", "外形框5", "图片框5", "编辑框_安装0", "编辑框_安装1", "正在安装",
            "“Mokta软件版本”正在安装，请稍后…");
  c.push_back({"解压_标签", K::kLabel, "外形框I_5", 22, 64, 450, 18, "Waiting……"});
  c.push_back({"进度条1", K::kProgress, "外形框I_5", 22, 84, 450, 18, ""});
  c.push_back({"超级列表框", K::kList, "外形框I_5", 22, 110, 450, 160, ""});
  c.push_back({"按钮_显示细节", K::kButton, "外形框I_5", 22, 110, 100, 24, "显示细节(&D)", false});
  c.push_back({"图片框_界面安装时图片", K::kPicture, "外形框I_5", 22, 110, 450, 158, "", false});

  // Finish: the same shape as the welcome page; the option boxes are cloned from the template.
  c.push_back({"图片框4", K::kPicture, "外形框I_6", 0, 0, 164, 288, ""});
  c.push_back({"外形框2", K::kPanel, "外形框I_6", 164, 0, 336, 270, ""});
  c.push_back({"编辑框_完成0", K::kLabel, "外形框2", 16, 12, 304, 44,
               "已完成 Mokta软件 版本-安装程序"});
  c.push_back({"编辑框_完成1", K::kLabel, "外形框2", 16, 64, 304, 48,
               "“Mokta软件”已安装在您的系统。\r\n单击 [完成] 关闭此向导。"});
  c.push_back({"初始化的选择框", K::kCheckBox, "外形框2", 32, 116, 288, 24, "立即运行 Mokta软件",
               false});

  // The button row.
  c.push_back({"上一步_按钮", K::kButton, "", 232, 301, 80, 22, "上一步(&P)", false});
  c.push_back({"下一步_按钮", K::kButton, "", 320, 301, 80, 22, "下一步(&N)"});
  c.push_back({"取消按钮_主窗口", K::kButton, "", 407, 301, 80, 22, "取消(&C)"});
  c.push_back({"时钟1", K::kTimer, "", 0, 0, 0, 0, ""});

  // Spare controls outside the visible area: plug-ins reach the wizard through them.
  c.push_back({"备用_外形框1", K::kPanel, "", 368, 328, 134, 108, ""});
  c.push_back({"备用_主标题", K::kLabel, "备用_外形框1", 0, 0, 130, 16, "备用的传递消息"});
  c.push_back({"备用_备注标题", K::kLabel, "备用_外形框1", 0, 18, 130, 16, ""});
  c.push_back({"备用_编辑框版权", K::kLabel, "备用_外形框1", 0, 36, 130, 16, ""});
  c.push_back({"备用_图片框", K::kPicture, "备用_外形框1", 0, 54, 134, 53, ""});
  return w;
}

WindowDesc BuildUnpack() {
  WindowDesc w;
  w.caption = "unpacking data: 0%";
  w.width = 258;
  w.height = 70;
  auto& c = w.controls;
  c.push_back({"图片框1", K::kPicture, "", 16, 15, 32, 32, ""});
  c.push_back({"标签2", K::kLabel, "", 75, 14, 168, 48,
               "Please wait while Setup is\r\n\r\n   upacking data: 0%"});
  c.push_back({"标签1", K::kLabel, "", 0, 0, 40, 16, "", false});
  c.push_back({"时钟1_upacking", K::kTimer, "", 0, 0, 0, 0, ""});
  return w;
}

}  // namespace

const WindowDesc& WizardWindowDesc() {
  static const WindowDesc desc = BuildWizard();
  return desc;
}

const WindowDesc& UnpackWindowDesc() {
  static const WindowDesc desc = BuildUnpack();
  return desc;
}
