#include "shell/batch_taskbar.h"

#include "base/app_state.h"
#include "shell/window_state.h"
#include "downloads/batch_progress.h"

namespace {

struct BatchTaskbar {
  BatchProgress batch;
  std::unique_ptr<TaskbarButton> button;
  bool asked = false;
};

BatchTaskbar& Taskbar() {
  static BatchTaskbar taskbar;  // window thread only
  return taskbar;
}

void Show(const BatchShow& show) {
  TaskbarButton* button = Taskbar().button.get();
  if (button == nullptr || MainWindow == nullptr) return;
  switch (show.look) {
    case BatchLook::kNone:
      button->SetProgressState(MainWindow, TBPF_NOPROGRESS);
      return;
    case BatchLook::kNormal:
    case BatchLook::kError:
      button->SetProgressState(MainWindow, show.look == BatchLook::kError ? TBPF_ERROR : TBPF_NORMAL);
      button->SetProgressValue(MainWindow, static_cast<ULONGLONG>(show.ended), static_cast<ULONGLONG>(show.total));
      return;
  }
}

}  // namespace

void BeginBatchOnTaskbar(int songs) {
  BatchTaskbar& taskbar = Taskbar();
  if (!taskbar.asked) {
    taskbar.asked = true;
    taskbar.button = SystemTaskbarButton();
  }
  if (songs > 0) Show(taskbar.batch.Begin(songs));
}

void EndBatchSongOnTaskbar(bool failed) { Show(Taskbar().batch.SongEnded(failed)); }

void UseTaskbarButton(std::unique_ptr<TaskbarButton> button) {
  Taskbar().asked = true;
  Taskbar().button = std::move(button);
}
