#include "startup/unpack_window.h"

#include "common/text.h"

void UnpackWindow::Open() {
  open_ = true;
  visible_ = false;
  label_ = kDesignLabel;
  title_.clear();
  Render();
}

void UnpackWindow::ShowProgress(int percent) {
  if (!open_ || percent == 0) return;
  if (timerInterval_ != 200) timerInterval_ = 200;
  percentText_ = text::FromInt(percent);
  Refresh();
  visible_ = true;
  Render();
}

void UnpackWindow::Refresh() {
  if (!open_) return;
  label_ = "Please wait while Setup is\r\n\r\n   upacking data: " + percentText_ + "%";
  title_ = "unpacking data: " + percentText_ + "%";
  Render();
}

void UnpackWindow::ShowJoining() {
  if (!open_) return;
  title_ = "unpacking data: unzipped";
  label_ = text::ReplaceAll(label_, "0%", "unzipped");
  visible_ = true;
  Render();
}

void UnpackWindow::Close() {
  open_ = false;
  visible_ = false;
  timerInterval_ = 0;
  Render();
}
