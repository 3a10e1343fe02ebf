// The page texts of GUItext.ini onto the wizard's controls.
//
// Decisions worth knowing:
// - A key the package does not set, or sets to "", leaves its control as the window table
//   built it (the packer writes no empty values).
// - Colours are 24-bit: the bits above a COLORREF's blue byte are dropped, so no value of the
//   package can stand for "the system's colour" (kSystemColour) by accident.
// - "目录4", "协议4" and "安装2" are captions: a markup in them (the packer refuses one) is
//   removed, not applied.
#include "wizard/page_texts.h"

#include "common/keyed_store.h"
#include "common/ini.h"
#include "common/text.h"
#include "wizard/control_names.h"

namespace {

constexpr char kMarkupStart[] = "<font";
constexpr char kMarkupEnd[] = "/>";
constexpr char kButtonFaceText[] = "15790320";
constexpr char kNoTextTag[] = "no";

Rgb ColourOf(const std::string& field) {
  return static_cast<Rgb>(text::ToInt64(field)) & 0x00FFFFFF;
}

// The page panels "背景" colours, in its order, each with the header picture that takes the
// colour of its band ("" for the page bodies and the two text panels).
struct ColouredPanel {
  const char* panel;
  const char* picture;
};
const ColouredPanel kColouredPanels[12] = {
    {"外形框1", ""}, {"外形框I_1", ""}, {"外形框6", "图片框6"}, {"外形框I_2", ""},
    {"外形框3", "图片框2"}, {"外形框I_3", ""}, {"外形框4", "图片框3"}, {"外形框I_4", ""},
    {"外形框5", "图片框5"}, {"外形框I_5", ""}, {"外形框2", ""}, {"外形框I_6", ""},
};

// The styled page labels, in table order up to "目录3".
struct StyledKey {
  const char* key;
  const char* control;
};
const StyledKey kLabelKeys[] = {
    {"欢迎0", "编辑框_欢迎0"}, {"欢迎1", "编辑框_欢迎1"}, {"协议0", "编辑框_协议0"},
    {"协议1", "编辑框_协议1"}, {"协议2", "编辑框_协议2"}, {"协议3", "编辑框_协议3"},
    {"组件0", "编辑框_组件0"}, {"组件1", "编辑框_组件1"}, {"组件2", "编辑框_组件2"},
    {"组件3", "编辑框_组件3"}, {"目录0", "编辑框_目录0"}, {"目录1", "编辑框_目录1"},
    {"目录2", "编辑框_目录2"}, {"安装0", "编辑框_安装0"}, {"安装1", "编辑框_安装1"},
    {"完成0", "编辑框_完成0"}, {"完成1", "编辑框_完成1"}, {"组件4", "编辑框_组件4"},
    {"目录3", "编辑框_目录3"},
};

}  // namespace

StyledText ParseStyledText(const std::string& value, Rgb buttonFace) {
  StyledText out;
  out.text = value;
  const size_t at = value.find(kMarkupStart);
  if (at == std::string::npos) return out;
  const size_t fieldsAt = at + sizeof(kMarkupStart) - 1;
  const size_t close = value.find(kMarkupEnd, fieldsAt);
  if (close == std::string::npos) return out;
  std::vector<std::string> fields = text::Split(value.substr(fieldsAt, close - fieldsAt), ",");
  fields.resize(5);
  // The face "" is the form's standard face, which is 宋体 (SimSun).
  out.font.face = fields[0];
  out.font.points = fields[1].empty() ? 9 : text::ToInt(fields[1]);
  out.font.bold = fields[2] == text::kTrueText;
  out.textColour = ColourOf(fields[3]);
  if (fields[4] == kButtonFaceText)
    out.backColour = buttonFace;
  else if (!fields[4].empty())
    out.backColour = ColourOf(fields[4]);
  out.text = value.substr(0, at) + value.substr(close + sizeof(kMarkupEnd) - 1);
  return out;
}

std::string ApplyStyledText(Form& form, const std::string& value, const std::string& control,
                            StyleTarget target) {
  const StyledText styled = ParseStyledText(value, form.ButtonFaceColour());
  if (target == StyleTarget::kNone || !form.Has(control)) return styled.text;
  form.SetFont(control, styled.font);
  form.SetTextColour(control, styled.textColour);
  form.SetBackColour(control, styled.backColour);
  if (target == StyleTarget::kLabel && form.Tag(control) != kNoTextTag)
    form.SetText(control, styled.text);
  return styled.text;
}

std::array<Rgb, 12> ParseColourList(const std::string& value, Rgb buttonFace) {
  const std::string list =
      text::ReplaceAll(value, kButtonFaceText, std::to_string(buttonFace));
  std::vector<std::string> fields = text::Split(list, ",");
  fields.resize(12);
  std::array<Rgb, 12> colours{};
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = ColourOf(fields[i]);
  return colours;
}

std::array<std::string, 6> ParseButtonCaptions(const std::string& value) {
  std::vector<std::string> parts = text::Split(value, ",");
  parts.resize(6);
  std::array<std::string, 6> captions;
  for (size_t i = 0; i < captions.size(); ++i) captions[i] = parts[i];
  return captions;
}

std::string PageTextValue(const InstallSession& session, const std::string& key) {
  const Bytes& guiText = session.run.config.guiText;
  if (guiText.empty()) return "";
  Bytes item;
  if (ReadKeyedItem(guiText, key, true, item)) return item;
  const ini::Document doc = ini::Document::Parse(guiText);
  for (const std::string& section : doc.SectionNames())
    for (const std::string& name : doc.KeyNames(section))
      if (name == key) return doc.Get(section, key);
  return "";
}

void ApplyPageTexts(InstallSession& session) {
  Form& form = *session.form;
  auto value = [&session](const char* key) { return PageTextValue(session, key); };

  if (std::string caption = value("窗口标题"); !caption.empty()) form.SetText("", caption);
  for (const StyledKey& k : kLabelKeys)
    if (std::string v = value(k.key); !v.empty())
      ApplyStyledText(form, v, k.control, StyleTarget::kLabel);

  if (std::string v = value("背景"); !v.empty()) {
    const std::array<Rgb, 12> colours = ParseColourList(v, form.ButtonFaceColour());
    for (size_t i = 0; i < colours.size(); ++i) {
      form.SetBackColour(kColouredPanels[i].panel, colours[i]);
      if (*kColouredPanels[i].picture) form.SetBackColour(kColouredPanels[i].picture, colours[i]);
    }
  }
  if (std::string v = value("树框"); !v.empty())
    ApplyStyledText(form, v, wizard_names::kTree, StyleTarget::kTree);
  if (std::string v = value("组件5"); !v.empty()) {
    // The description label keeps its text for the tree's descriptions.
    form.SetTag(wizard_names::kHint, kNoTextTag);
    ApplyStyledText(form, v, wizard_names::kHint, StyleTarget::kLabel);
  }
  if (std::string v = value("目录4"); !v.empty())
    form.SetText(wizard_names::kBrowse, ApplyStyledText(form, v, "", StyleTarget::kNone));
  if (std::string v = value("协议4"); !v.empty())
    form.SetText(wizard_names::kTerms, ApplyStyledText(form, v, "", StyleTarget::kNone));
  if (std::string v = value("目录5"); !v.empty()) {
    ApplyStyledText(form, v, wizard_names::kSpaceNeeded, StyleTarget::kTree);
    const std::string templates =
        ApplyStyledText(form, v, wizard_names::kSpaceFree, StyleTarget::kTree);
    const size_t lineEnd = templates.find("\r\n");
    form.SetText(wizard_names::kSpaceNeeded, templates.substr(0, lineEnd));
    form.SetText(wizard_names::kSpaceFree,
                 lineEnd == std::string::npos ? "" : templates.substr(lineEnd + 2));
  }
  if (std::string v = value("安装2"); !v.empty())
    form.SetText(wizard_names::kShowDetails, ApplyStyledText(form, v, "", StyleTarget::kNone));
  if (std::string v = value("安装3"); !v.empty()) session.wizard.stepCaptions = text::Split(v, ",");
  if (std::string v = value("安装s"); !v.empty()) {
    ApplyStyledText(form, v, wizard_names::kStatusLabel, StyleTarget::kTree);
    form.SetText(wizard_names::kStatusLabel, "Waiting……");
  }
  if (std::string v = value("按钮"); !v.empty()) session.wizard.buttonCaptions = ParseButtonCaptions(v);
  // Back and Next take their captions from the page switch; Cancel keeps its one.
  form.SetText(wizard_names::kCancel, session.wizard.buttonCaptions[4]);
}
