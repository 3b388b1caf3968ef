// DirectInput devices fed from SDL events: buffered events, immediate
// state, the foreground rule and the game controller.

#include "platform/dinput8/DInput8.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/dinput8/ScanCodes.h"
#include "platform/host/VirtualGamepad.h"
#include "support/InputEvents.h"

namespace {

class DInput8Test : public FocusedWindowTest {
 protected:
  void SetUp() override {
    FocusedWindowTest::SetUp();
    void* object = nullptr;
    ASSERT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A, &object, nullptr), DI_OK);
    input_ = static_cast<IDirectInput8*>(object);
  }
  void TearDown() override {
    if (device_ != nullptr) device_->Release();
    input_->Release();
    FocusedWindowTest::TearDown();
  }

  // A device set up as the game sets up its devices.
  IDirectInputDevice8* Open(REFGUID guid, const DIDATAFORMAT& format, DWORD bufferSize) {
    IDirectInputDevice8* device = nullptr;
    if (input_->CreateDevice(guid, &device, nullptr) != DI_OK) return nullptr;
    EXPECT_EQ(device->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    EXPECT_EQ(device->SetDataFormat(&format), DI_OK);
    const DIPROPDWORD size = BufferSize(bufferSize);
    EXPECT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
    EXPECT_EQ(device->Acquire(), DI_OK);
    return device;
  }
  static DIPROPDWORD BufferSize(DWORD size) {
    DIPROPDWORD p{};
    p.diph = DIPROPHEADER{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE};
    p.dwData = size;
    return p;
  }
  std::vector<DIDEVICEOBJECTDATA> Read(DWORD room, HRESULT* result = nullptr, DWORD flags = 0) {
    std::vector<DIDEVICEOBJECTDATA> events(room);
    DWORD count = room;
    const HRESULT hr = device_->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events.data(), &count, flags);
    if (result != nullptr) *result = hr;
    events.resize(SUCCEEDED(hr) ? count : 0);
    return events;
  }

  IDirectInput8* input_ = nullptr;
  IDirectInputDevice8* device_ = nullptr;
};

TEST_F(DInput8Test, CreationChecksVersionInterfaceAndDevice) {
  void* object = nullptr;
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8A, &object, nullptr), DIERR_OLDDIRECTINPUTVERSION);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0900, IID_IDirectInput8A, &object, nullptr), DIERR_BETADIRECTINPUTVERSION);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, GUID_SysMouse, &object, nullptr), DIERR_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  IDirectInputDevice8* device = nullptr;
  EXPECT_EQ(input_->CreateDevice(IID_IDirectInput8A, &device, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(device, nullptr);
}

TEST_F(DInput8Test, KeyEventsCarryTheScanCodeAndTheDownBit) {
  device_ = Open(GUID_SysKeyboard, c_dfDIKeyboard, 20);
  Key(SDL_SCANCODE_A, true);
  Key(SDL_SCANCODE_A, true, true);  // auto-repeat: DirectInput reports none
  Key(SDL_SCANCODE_A, false);
  Key(SDL_SCANCODE_UP, true);
  Pump();
  const auto events = Read(20);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].dwOfs, DIK_A);
  EXPECT_EQ(events[0].dwData, 0x80u);
  EXPECT_EQ(events[1].dwOfs, DIK_A);
  EXPECT_EQ(events[1].dwData, 0u);
  EXPECT_EQ(events[2].dwOfs, DIK_UP);
  EXPECT_LT(events[0].dwSequence, events[1].dwSequence);
  BYTE keys[256];
  ASSERT_EQ(device_->GetDeviceState(sizeof(keys), keys), DI_OK);
  EXPECT_EQ(keys[DIK_UP], 0x80);
  EXPECT_EQ(keys[DIK_A], 0);
  EXPECT_EQ(device_->GetDeviceState(255, keys), DIERR_INVALIDPARAM);
}

TEST_F(DInput8Test, AReadReturnsAtMostTheBufferSizeAndTheRestComesNext) {
  device_ = Open(GUID_SysKeyboard, c_dfDIKeyboard, 20);
  for (int i = 0; i < 13; ++i) Tap(static_cast<SDL_Scancode>(SDL_SCANCODE_A + i));  // 26 events
  Pump();
  EXPECT_EQ(Read(100, nullptr, DIGDD_PEEK).size(), 20u);  // peeking leaves them queued
  const auto first = Read(100);
  ASSERT_EQ(first.size(), 20u);
  EXPECT_EQ(first[0].dwOfs, DIK_A);
  const auto second = Read(20);
  ASSERT_EQ(second.size(), 6u);
  EXPECT_EQ(second[5].dwOfs, DIK_M);
  EXPECT_EQ(second[5].dwData, 0u);
  EXPECT_TRUE(Read(20).empty());
}

TEST_F(DInput8Test, AFullQueueDropsTheNewestEventsAndTheNextReadSaysSo) {
  device_ = Open(GUID_SysKeyboard, c_dfDIKeyboard, 2);  // the queue holds 8
  for (int i = 0; i < 5; ++i) Tap(static_cast<SDL_Scancode>(SDL_SCANCODE_A + i));  // 10 events
  Pump();
  HRESULT result = DI_OK;
  std::vector<DIDEVICEOBJECTDATA> all = Read(8, &result);
  EXPECT_EQ(result, DI_BUFFEROVERFLOW);
  while (true) {
    const auto more = Read(8, &result);
    if (more.empty()) break;
    EXPECT_EQ(result, DI_OK);
    all.insert(all.end(), more.begin(), more.end());
  }
  ASSERT_EQ(all.size(), 8u);
  EXPECT_EQ(all.front().dwOfs, DIK_A);
  EXPECT_EQ(all.back().dwOfs, DIK_D);  // E's press and release were lost
}

TEST_F(DInput8Test, WithoutTheFocusTheDeviceIsLostAndQueuesNothing) {
  device_ = Open(GUID_SysKeyboard, c_dfDIKeyboard, 20);
  Tap(SDL_SCANCODE_Q);
  Focus(false);
  Tap(SDL_SCANCODE_W);
  Pump();
  EXPECT_EQ(device_->Poll(), DIERR_INPUTLOST);
  HRESULT result = DI_OK;
  EXPECT_TRUE(Read(20, &result).empty());
  EXPECT_EQ(result, DIERR_INPUTLOST);
  EXPECT_EQ(device_->Acquire(), DIERR_OTHERAPPHASPRIO);

  Focus(true);
  Pump();
  ASSERT_EQ(device_->Acquire(), DI_OK);
  EXPECT_EQ(device_->Poll(), DI_NOEFFECT);
  EXPECT_TRUE(Read(20).empty());  // what came before the focus was lost is gone too
  Tap(SDL_SCANCODE_E);
  Pump();
  const auto events = Read(20);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].dwOfs, DIK_E);
}

TEST_F(DInput8Test, MouseEventsUseTheStateOffsetsAndMovementIsRelative) {
  device_ = Open(GUID_SysMouse, c_dfDIMouse2, 40);
  Motion(3, 4);
  Motion(2, -1);  // joins the queued movement: no button event in between
  Button(SDL_BUTTON_RIGHT, true);
  Motion(1, 0);
  Wheel(-1);
  Button(SDL_BUTTON_X2, true);
  Pump();
  const auto events = Read(40);
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].dwOfs, DIMOFS_X);
  EXPECT_EQ(static_cast<LONG>(events[0].dwData), 5);
  EXPECT_EQ(events[1].dwOfs, DIMOFS_Y);
  EXPECT_EQ(static_cast<LONG>(events[1].dwData), 3);
  EXPECT_EQ(events[2].dwOfs, DIMOFS_BUTTON0 + 1);
  EXPECT_EQ(events[2].dwData, 0x80u);
  EXPECT_EQ(events[3].dwOfs, DIMOFS_X);
  EXPECT_EQ(events[4].dwOfs, DIMOFS_Z);
  EXPECT_EQ(static_cast<LONG>(events[4].dwData), -WHEEL_DELTA);
  EXPECT_EQ(events[5].dwOfs, DIMOFS_BUTTON0 + 4);

  DIMOUSESTATE2 state{};
  ASSERT_EQ(device_->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 6);
  EXPECT_EQ(state.lY, 3);
  EXPECT_EQ(state.lZ, -WHEEL_DELTA);
  EXPECT_EQ(state.rgbButtons[1], 0x80);
  EXPECT_EQ(state.rgbButtons[0], 0);
  ASSERT_EQ(device_->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 0);  // movement since the previous read
  EXPECT_EQ(state.rgbButtons[1], 0x80);
}

TEST_F(DInput8Test, SetUpIsCheckedAsDirectInputChecksIt) {
  ASSERT_EQ(input_->CreateDevice(GUID_SysKeyboard, &device_, nullptr), DI_OK);
  EXPECT_EQ(device_->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(device_->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DIERR_INVALIDPARAM);
  EXPECT_EQ(device_->SetDataFormat(&c_dfDIMouse2), DIERR_INVALIDPARAM);
  EXPECT_EQ(device_->Acquire(), DIERR_INVALIDPARAM);  // no data format yet
  DIPROPDWORD size = BufferSize(20);
  size.diph.dwHow = 1;  // per object: not offered
  EXPECT_EQ(device_->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DIERR_INVALIDPARAM);
  ASSERT_EQ(device_->SetDataFormat(&c_dfDIKeyboard), DI_OK);
  DWORD count = 4;
  DIDEVICEOBJECTDATA events[4];
  EXPECT_EQ(device_->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DIERR_NOTACQUIRED);
  ASSERT_EQ(device_->Acquire(), DI_OK);
  EXPECT_EQ(device_->Acquire(), S_FALSE);
  size.diph.dwHow = DIPH_DEVICE;
  EXPECT_EQ(device_->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DIERR_ACQUIRED);
  EXPECT_EQ(device_->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DIERR_NOTBUFFERED);
  EXPECT_EQ(device_->GetDeviceData(20, events, &count, 0), DIERR_INVALIDPARAM);
}

TEST(DInput8ScanCodes, PcKeysGiveTheirScanCodesAndOthersNone) {
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_Q), DIK_Q);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_M), DIK_M);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_0), DIK_0);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_F12), DIK_F12);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_RCTRL), DIK_RCONTROL);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_RSHIFT), DIK_RSHIFT);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_KP_ENTER), DIK_NUMPADENTER);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_KP_7), DIK_NUMPAD7);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_PRINTSCREEN), DIK_SYSRQ);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_NONUSBACKSLASH), DIK_OEM_102);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_SCANCODE_F24), 0);
  EXPECT_EQ(dinput8::DikFromScancode(-1), 0);
  EXPECT_EQ(dinput8::DikFromScancode(SDL_NUM_SCANCODES), 0);
  // No key gives a code of the mouse and joystick entries.
  for (int s = 0; s < SDL_NUM_SCANCODES; ++s) EXPECT_LT(dinput8::DikFromScancode(s), 0xEE) << s;
}

TEST_F(DInput8Test, AGameControllerIsTheJoystickWhileItIsPluggedIn) {
  EXPECT_EQ(input_->GetDeviceStatus(GUID_Joystick), DI_NOTATTACHED);
  IDirectInputDevice8* none = nullptr;
  EXPECT_EQ(input_->CreateDevice(GUID_Joystick, &none, nullptr), DIERR_DEVICENOTREG);

  host::VirtualGamepad pad;
  ASSERT_TRUE(pad.Attach());
  Pump();
  EXPECT_EQ(input_->GetDeviceStatus(GUID_Joystick), DI_OK);
  device_ = Open(GUID_Joystick, c_dfDIJoystick, 80);
  ASSERT_NE(device_, nullptr);
  pad.SetAxis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
  pad.SetAxis(SDL_CONTROLLER_AXIS_LEFTY, -32768);
  pad.SetAxis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);  // half way
  pad.SetButton(SDL_CONTROLLER_BUTTON_B, true);
  pad.SetButton(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
  pad.SetButton(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
  Pump();
  DIJOYSTATE state{};
  ASSERT_EQ(device_->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 10000);
  EXPECT_EQ(state.lY, -10000);
  EXPECT_EQ(state.lRz, 5000);
  EXPECT_EQ(state.rgbButtons[1], 0x80);
  EXPECT_EQ(state.rgdwPOV[0], 4500u);  // up and right: north-east
  EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu);
  // Buttons and the hat are buffered, the axes are read as state.
  const auto events = Read(80);
  std::vector<DWORD> offsets;
  for (const auto& e : events) offsets.push_back(e.dwOfs);
  EXPECT_EQ(offsets, (std::vector<DWORD>{DIJOFS_BUTTON0 + 1, DIJOFS_POV0, DIJOFS_POV0}));
  EXPECT_EQ(events.back().dwData, 4500u);

  pad.Detach();
  Pump();
  EXPECT_EQ(device_->Poll(), DIERR_INPUTLOST);
  EXPECT_EQ(device_->Acquire(), DIERR_UNPLUGGED);
  EXPECT_EQ(input_->GetDeviceStatus(GUID_Joystick), DI_NOTATTACHED);
}

}  // namespace
