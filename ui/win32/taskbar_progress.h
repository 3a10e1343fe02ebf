// The wizard's progress on its taskbar button (Windows 7 and later), through the shell's
// taskbar list object. One per process, made on first use; where the object cannot be made
// (older Windows, a shell without it) every call does nothing and nothing is reported.
#pragma once

#include <cstdint>

class TaskbarProgress {
 public:
  static TaskbarProgress& Instance();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  bool Available() const { return list_ != nullptr; }
  // `done` of `total` on `window`'s button.
  void SetValue(intptr_t window, int done, int total);
  // Takes the progress off the button.
  void Clear(intptr_t window);

 private:
  TaskbarProgress();
  ~TaskbarProgress();

  void* list_ = nullptr;  // ITaskbarList3, released with the object
  bool comStarted_ = false;
};
