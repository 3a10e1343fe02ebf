// The skin pictures of a package: read from the work folder, put on the wizard's picture
// boxes, and the installing page's picture shown when the install starts.
#pragma once

#include "wizard/session.h"

// The four picture files of the work folder ("界面图片.jpg", "界面小图片.jpg",
// "界面安装时图像.jpg", "界面大图片.jpg"); a missing file reads as empty bytes.
void ReadSkinPictures(InstallSession& session);

// The welcome/finish picture on 图片框1 and 图片框4, the small one on the four header pictures
// and 备用_图片框. A PNG (told by its signature, whatever the name says) is stretched over its
// box, so its transparency lies over the box's background; any other kind is drawn at its own
// size from the top-left corner.
void ApplySkinPictures(InstallSession& session);

// The installing page's picture (when the package has one) in place of the detail list.
void ShowInstallPicture(InstallSession& session);
