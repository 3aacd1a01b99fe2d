#include "wingui/taskbar_button.h"

#include "base/win_handles.h"

namespace {

class SystemTaskbar : public TaskbarButton {
 public:
  explicit SystemTaskbar(ComPtr<ITaskbarList3>* list) { *list_.out() = list->release(); }
  void SetProgressState(HWND window, TBPFLAG state) override { list_->SetProgressState(window, state); }
  void SetProgressValue(HWND window, ULONGLONG completed, ULONGLONG total) override {
    list_->SetProgressValue(window, completed, total);
  }

 private:
  ComPtr<ITaskbarList3> list_;
};

}  // namespace

std::unique_ptr<TaskbarButton> SystemTaskbarButton() {
  ComPtr<ITaskbarList3> list;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              list.out_void())) ||
      !list || FAILED(list->HrInit())) {
    return nullptr;
  }
  return std::make_unique<SystemTaskbar>(&list);
}
