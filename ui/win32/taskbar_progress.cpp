#include "ui/win32/taskbar_progress.h"

#include "platform/win32/windows_api.h"

#include <shobjidl.h>

namespace {

ITaskbarList3* List(void* p) { return static_cast<ITaskbarList3*>(p); }

}  // namespace

TaskbarProgress& TaskbarProgress::Instance() {
  static TaskbarProgress progress;
  return progress;
}

TaskbarProgress::TaskbarProgress() {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  comStarted_ = SUCCEEDED(com);
  ITaskbarList3* list = nullptr;
  // In-process, handler, local and remote servers, as the shell offers the object.
  if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr,
                                 CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER |
                                     CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                 IID_ITaskbarList3, reinterpret_cast<void**>(&list))) &&
      list) {
    if (SUCCEEDED(list->HrInit())) list_ = list;
    else list->Release();
  }
}

TaskbarProgress::~TaskbarProgress() {
  // A process-wide object goes at exit, when COM may be gone already: the pointer is left.
  list_ = nullptr;
}

void TaskbarProgress::SetValue(intptr_t window, int done, int total) {
  if (!list_ || !window) return;
  List(list_)->SetProgressValue(reinterpret_cast<HWND>(window), ULONGLONG(done), ULONGLONG(total));
}

void TaskbarProgress::Clear(intptr_t window) {
  if (!list_ || !window) return;
  List(list_)->SetProgressState(reinterpret_cast<HWND>(window), TBPF_NOPROGRESS);
}
