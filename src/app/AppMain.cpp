// Construction, initialisation and shutdown of the application.

#include "app/AppMain.h"

#include "frame/DisplayConfiguration.h"
#include "frame/WinUtil.h"

namespace {
AppMain* g_app = nullptr;
}  // namespace

const char* const AppMain::kProfilerNames[kProfileSectionCount] = {"Update", "Draw", "Physics"};

AppMain* GetApp() { return g_app; }

void AppMain::MsgContainer::Output(const char* text) { messages_.emplace_back(text != nullptr ? text : ""); }

AppMain::AppMain() { g_app = this; }

AppMain::~AppMain() {
  if (g_app == this) g_app = nullptr;
}

void AppMain::ShowErrors(MsgContainer& messages) {
  for (const std::string& message : messages.GetMessages()) ShowMessage("Error", "%s", message.c_str());
  messages.Clear();
}

bool AppMain::Init() {
  AddDeviceLostCallback(this);

  const int width = GetDisplayConfiguration().width;
  const int fontHeight = width > 1000 ? 18 : width > 800 ? 16 : 14;
  if (!CreateDevice(false, false, fontHeight, false)) return false;
  SetProjection(1.5707964f, 0.1f, 1000.0f);
  // The scene load starts with the default render states.
  SetDefaultRenderStates();

  MsgContainer messages;
  const DisplayConfiguration& configuration = GetDisplayConfiguration();
  if (!renderer_.Init(!configuration.useShaders, &GetPresentParameters(), GetDevice(), configuration.width,
                      configuration.height, &messages)) {
    ShowErrors(messages);
    return false;
  }
  SetRenderSystem(&renderer_);
  renderer_.SetView(&GetCamera());

  InitInput();
  InitSound();
  InitEffectSystems();

  menuVisible_ = false;
  debugDrawOn_ = false;
  InitPhysics();
  characterManager_.callback = this;
  CharacterObj::shadowCameraPosition = &GetCamera().eye;

  LoadScene(false);
  effects_.Init(scene_.effectTextures, &renderer_, &GetCamera(), &billboards_, &physics_, &decals_,
                1000.0f / GetFrameInterval());
  CreateSceneObjects();
  return true;
}

void AppMain::Exit() {
  WinUtil::WinGuiBase::DestroyAllWindows();
  // The step the last frame started ends before anything is taken down.
  physics_.FinishStep();
  ResetScene();
  UnloadScene();
  if (CharacterObj::shadowCameraPosition == &GetCamera().eye) CharacterObj::shadowCameraPosition = nullptr;
  ReleasePhysics();
  ReleaseEffectSystems();
  ReleaseSound();
  input_.ReleaseDevices();
  renderer_.Uninit();
  ReleaseDevice();
}

void AppMain::OnDeviceLost() { renderer_.OnDeviceLost(); }

void AppMain::OnDeviceReset() {
  // A reset device starts from its own default states, lights and fog.
  LoadScene(true);
  UpdateProjection();
  renderer_.OnDeviceReset();
}
