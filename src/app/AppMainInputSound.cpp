// Start-up and shutdown of the input and sound systems.

#include "app/AppMain.h"

namespace {
constexpr float kMasterVolume = 0.99f;
}  // namespace

void AppMain::InitInput() {
  if (!input_.CreateDirectInput(GetInstance())) {
    ShowMessage("Error", "Failed to init InputSystem");
  } else {
    input_.SetWindow(GetWindow());
    // There is no scene to load yet: this is the reset of the first load.
    input_.ResetState();
  }
  if (!input_.InitKeyboard()) ShowMessage("Error", "Failed to init InputSystem Keyboard");
  if (!input_.InitMouse()) ShowMessage("Error", "Failed to init InputSystem Mouse");
}

// Without a sound device the game goes on silent.
void AppMain::InitSound() {
  sound_ = SoundSystem::GetInstance();
  if (!sound_->Init(GetWindow(), kMasterVolume)) ShowMessage("Error", "Failed to init SoundSystem");
  sound_->SetView(&GetCamera());
}

void AppMain::ReleaseSound() {
  if (sound_ == nullptr) return;
  sound_->Shutdown();
  SoundSystem::DeleteInstance();
  sound_ = nullptr;
}
