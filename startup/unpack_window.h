// The small window shown while the payload is copied out of the setup file or split volumes
// are joined: 258 x 70 pixels, a picture, a two-line label, a hidden label with the percentage
// and a refresh timer. This class holds its texts and state; the window itself (Win32 or
// headless) renders them through Show/Render.
#pragma once

#include <string>

class UnpackWindow {
 public:
  virtual ~UnpackWindow() = default;

  // The design-time texts.
  static constexpr const char kDesignLabel[] =
      "Please wait while Setup is\r\n\r\n   upacking data: 0%";

  // Opens the window non-modally (not yet visible).
  void Open();
  bool IsOpen() const { return open_; }
  // The progress callback of the payload copy: nothing before Open or for 0 %.
  void ShowProgress(int percent);
  // The timer tick: label and title from the stored percentage.
  void Refresh();
  // The texts while volumes are joined.
  void ShowJoining();
  void Close();

  const std::string& Title() const { return title_; }
  const std::string& Label() const { return label_; }
  bool Visible() const { return visible_; }
  int TimerInterval() const { return timerInterval_; }

 protected:
  // Called after every change of the texts or visibility.
  virtual void Render() {}

 private:
  bool open_ = false;
  bool visible_ = false;
  int timerInterval_ = 0;
  std::string percentText_;  // the hidden label
  std::string title_;
  std::string label_ = kDesignLabel;
};
