// The wizard's windows described as data (the types are in ui/window_desc.h). Both form
// implementations build from these tables, so a native test sees the same controls as the real
// window.
#pragma once

#include <string>
#include <vector>

#include "ui/window_desc.h"

// The six-page wizard window (503 x 399 at design time).
const WindowDesc& WizardWindowDesc();
// The small window shown while the payload is copied out (258 x 70).
const WindowDesc& UnpackWindowDesc();

// Page indexes of the wizard.
enum WizardPage : int {
  kPageWelcome = 0,
  kPageLicence = 1,
  kPageComponents = 2,
  kPageFolder = 3,
  kPageInstalling = 4,
  kPageFinish = 5,
  kPageCount = 6,
};
