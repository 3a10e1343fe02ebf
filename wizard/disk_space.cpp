#include "wizard/disk_space.h"

#include <algorithm>

#include "platform/platform.h"
#include "system/folders.h"
#include "wizard/control_names.h"
#include "wizard/page_flow.h"
#include "wizard/session.h"

const char kSizePlaceholder[] = "%Default%";
const char kBrowseTitle[] = "请选择安装目录";

namespace {

// A power of two has a terminating decimal fraction: 1/2^40 has exactly 40 digits, so no
// more places are ever needed.
constexpr int kMostPlaces = 40;

// `magnitude` / 2^shift rounded half up to `places` decimals, trailing zeros dropped. Exact
// integer arithmetic: how printf rounds an exact half is the C runtime's choice (glibc gives
// 1.12 for 1.125), and the folder page must show the same text on every build.
std::string DivideRounded(uint64_t magnitude, int shift, int places) {
  const uint64_t unit = uint64_t{1} << shift;
  uint64_t whole = magnitude >> shift;
  uint64_t rest = magnitude & (unit - 1);
  std::string fraction;
  for (int i = 0; i < places; ++i) {
    rest *= 10;  // rest < 2^40, so this stays far below 2^64
    fraction += static_cast<char>('0' + rest / unit);
    rest %= unit;
  }
  if (rest * 2 >= unit) {  // half or more of the last place: carry up
    size_t i = fraction.size();
    while (i > 0 && fraction[i - 1] == '9') fraction[--i] = '0';
    if (i > 0) {
      ++fraction[i - 1];
    } else {
      ++whole;
    }
  }
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string out = std::to_string(whole);
  if (!fraction.empty()) out += "." + fraction;
  return out;
}

}  // namespace

std::string FormatSize(int64_t bytes, int decimals, bool useDecimals) {
  const std::string plain = std::to_string(bytes);
  const int places = std::clamp(useDecimals ? decimals : 2, 0, kMostPlaces);
  static const struct {
    size_t minDigits;
    int shift;
    const char* unit;
  } kUnits[] = {{13, 40, "TB"}, {10, 30, "GB"}, {7, 20, "MB"}, {4, 10, "KB"}};
  for (const auto& u : kUnits) {
    if (plain.size() < u.minDigits) continue;
    // Negative sizes (a failed free-space query) round their magnitude, away from zero.
    const uint64_t magnitude =
        bytes < 0 ? uint64_t{0} - static_cast<uint64_t>(bytes) : static_cast<uint64_t>(bytes);
    const std::string number = DivideRounded(magnitude, u.shift, places);
    return (bytes < 0 && number != "0" ? "-" : "") + number + u.unit;
  }
  return plain + "B";
}

namespace {

// The first "%Default%" of `text` replaced; a text without one stays as it is.
std::string FillTemplate(const std::string& text, const std::string& value) {
  const size_t at = text.find(kSizePlaceholder);
  if (at == std::string::npos) return text;
  return text.substr(0, at) + value + text.substr(at + sizeof(kSizePlaceholder) - 1);
}

// The free-space label after a browse: its template when it has a place for the size, else the
// built-in wording.
std::string FreeSpaceLabel(const InstallSession& session, const std::string& size) {
  const std::string& pattern = session.wizard.freeSpaceTemplate;
  if (pattern.find(kSizePlaceholder) != std::string::npos) return FillTemplate(pattern, size);
  return "可用空间: " + size;
}

}  // namespace

std::string FreeSpaceText(const std::string& installPath) {
  const std::string drive = installPath.empty() ? "" : installPath.substr(0, 1) + ":\\";
  const int64_t bytes = plat::FreeDiskBytes(drive);
  // Whole KiB, as the count of 1024-byte units the display has always been made from; 64-bit,
  // so drives beyond 2 TiB do not wrap to negative sizes.
  const int64_t kib = bytes < 0 ? -1 : bytes / 1024;
  return FormatSize(kib * 1024, 0, false);
}

void ShowDiskSpace(InstallSession& session) {
  Form& form = *session.form;
  session.wizard.freeSpaceTemplate = form.Text(wizard_names::kSpaceFree);
  if (!session.run.package.showSpace) return;
  form.SetText(wizard_names::kSpaceNeeded,
               FillTemplate(form.Text(wizard_names::kSpaceNeeded),
                            FormatSize(session.run.package.uncompressedSize, 0, false)));
  form.SetText(wizard_names::kSpaceFree,
               FillTemplate(form.Text(wizard_names::kSpaceFree),
                            FreeSpaceText(session.run.installPath)));
  for (auto [control, top] : {std::pair{wizard_names::kFolderGroup, 171},
                              std::pair{wizard_names::kSpacePanel, 241}}) {
    Bounds b = form.GetBounds(control);
    b.top = top;
    form.SetBounds(control, b);
  }
  form.SetVisible(wizard_names::kSpacePanel, true);
}

void OnBrowseClicked(InstallSession& session) {
  Form& form = *session.form;
  std::string folder = plat::BrowseForFolder(form.Handle(""), kBrowseTitle);
  if (folder.empty()) return;
  folder = NormalizedFolder(folder);
  if (!ValidatePath(session, folder)) return;
  if (session.wizard.autoAppend && !session.wizard.browseAppend.empty())
    folder += "\\" + session.wizard.browseAppend;
  form.SetText(wizard_names::kPathEdit, folder);
  session.run.installPath = form.Text(wizard_names::kPathEdit);
  form.SetText(wizard_names::kSpaceFree,
               FreeSpaceLabel(session, FreeSpaceText(session.run.installPath)));
}
