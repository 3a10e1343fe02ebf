// The real unpack window: the texts and state of UnpackWindow shown through a Win32Form built
// from UnpackWindowDesc. The window exists from Open() to Close(); its 200 ms timer
// (`时钟1_upacking`) runs Refresh() while it is shown.
#pragma once

#include <memory>

#include "startup/unpack_window.h"
#include "ui/win32/win32_form.h"
#include "wizard/window_tables.h"

class Win32UnpackWindow : public UnpackWindow {
 public:
  Win32UnpackWindow() = default;
  ~Win32UnpackWindow() override;

  // The window while it is open, null otherwise (tests read it back through this).
  Win32Form* form() { return form_.get(); }

 protected:
  void Render() override;

 private:
  void Build();

  std::unique_ptr<Win32Form> form_;
  intptr_t icon_ = 0;
};
