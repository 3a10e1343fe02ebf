#include "wizard/skins.h"

#include "platform/platform.h"
#include "ui/image_bytes.h"
#include "wizard/control_names.h"

namespace {

const char* const kLargePictureBoxes[] = {"图片框1", "图片框4"};
const char* const kSmallPictureBoxes[] = {"图片框2", "图片框3", "图片框5", "图片框6",
                                          "备用_图片框"};

Bytes ReadOrEmpty(const std::string& path) {
  Bytes bytes;
  if (!plat::ReadFileBytes(path, bytes)) bytes.clear();
  return bytes;
}

void PutPicture(Form& form, const std::string& box, const Bytes& bytes) {
  if (bytes.empty()) return;
  form.SetPictureFit(box, PictureKindOf(bytes) == PictureKind::kPng ? PictureFit::kStretch
                                                                    : PictureFit::kNatural);
  form.SetPicture(box, bytes);
}

}  // namespace

void ReadSkinPictures(InstallSession& session) {
  SkinPictures& skin = session.wizard.skin;
  const std::string& folder = session.run.package.workFolder;
  skin = {};
  if (folder.empty()) return;
  skin.welcome = ReadOrEmpty(folder + "界面图片.jpg");
  skin.header = ReadOrEmpty(folder + "界面小图片.jpg");
  skin.installing = ReadOrEmpty(folder + "界面安装时图像.jpg");
  skin.large = ReadOrEmpty(folder + "界面大图片.jpg");
}

void ApplySkinPictures(InstallSession& session) {
  Form& form = *session.form;
  for (const char* box : kLargePictureBoxes) PutPicture(form, box, session.wizard.skin.welcome);
  for (const char* box : kSmallPictureBoxes) PutPicture(form, box, session.wizard.skin.header);
}

void ShowInstallPicture(InstallSession& session) {
  const Bytes& picture = session.wizard.skin.installing;
  if (picture.empty()) return;
  Form& form = *session.form;
  PutPicture(form, wizard_names::kInstallPicture, picture);
  form.SetVisible(wizard_names::kInstallPicture, true);
  form.SetVisible(wizard_names::kDetailList, false);
}
