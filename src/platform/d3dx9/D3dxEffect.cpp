#include "platform/d3dx9/D3dxEffect.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <utility>

#include "platform/d3d9/DeviceImpl.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "platform/d3dx9/EffectImpl.h"
#include "platform/win32/Resources.h"

namespace d3dx {

namespace {

// Sampler states an effect sampler sets, in SavedUnit::states order.
constexpr D3DSAMPLERSTATETYPE kSamplerStates[6] = {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER,
                                                   D3DSAMP_ADDRESSU,  D3DSAMP_ADDRESSV,  D3DSAMP_BORDERCOLOR};

// Float to int the way a cast would, without its undefined cases.
int ToInt(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483520.0f) return INT_MAX;
  if (v <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(v);
}
float Convert(float v, float*) { return v; }
int Convert(float v, int*) { return ToInt(v); }

}  // namespace

Effect::Effect(IDirect3DDevice9* device, fx::EffectSource source) : device_(device), source_(std::move(source)) {
  device_->AddRef();
  for (std::size_t i = 0; i < source_.parameters.size(); ++i) {
    const fx::ParameterDecl& decl = source_.parameters[i];
    Parameter p{decl.type, decl.count, fx::ScalarsPerElement(decl.type), 0, versions_.size()};
    p.ints = fx::IsIntType(decl.type);
    if (p.ints) {
      p.offset = ints_.size();
      for (float v : decl.values) ints_.push_back(ToInt(v));
    } else {
      p.offset = floats_.size();
      floats_.insert(floats_.end(), decl.values.begin(), decl.values.end());
    }
    // Version 1 for every element: each program uploads the initial values once.
    versions_.insert(versions_.end(), static_cast<std::size_t>(decl.count), 1);
    parameters_.push_back(p);
    const int index = static_cast<int>(i);
    AddHandle(HandleKind::Parameter, index, -1, decl.name);
    if (decl.array) {
      for (int e = 0; e < decl.count; ++e) {
        AddHandle(HandleKind::Parameter, index, e, decl.name + "[" + std::to_string(e) + "]");
      }
    }
  }
  for (std::size_t i = 0; i < source_.samplers.size(); ++i) {
    AddHandle(HandleKind::Sampler, static_cast<int>(i), -1, source_.samplers[i].name);
  }
  for (std::size_t i = 0; i < source_.techniques.size(); ++i) {
    const fx::TechniqueDecl& decl = source_.techniques[i];
    AddHandle(HandleKind::Technique, static_cast<int>(i), -1, decl.name);
    Technique t;
    for (const fx::PassDecl& pass : decl.passes) {
      const std::size_t programs =
          pass.vertexArray >= 0 ? source_.vertexArrays[static_cast<std::size_t>(pass.vertexArray)].elements.size() : 1;
      t.passes.push_back(Pass{&pass, std::vector<Program>(programs == 0 ? 1 : programs)});
      for (const fx::RenderStateDecl& state : pass.states) {
        bool listed = false;
        for (D3DRENDERSTATETYPE s : t.stateList) listed = listed || s == state.state;
        if (!listed) t.stateList.push_back(state.state);
      }
    }
    t.savedStates.resize(t.stateList.size());
    for (std::size_t s = 0; s < source_.samplers.size(); ++s) t.samplerList.push_back(static_cast<int>(s));
    t.savedUnits.resize(t.samplerList.size(), SavedUnit{nullptr, {}});
    techniques_.push_back(std::move(t));
  }
  handleAtOffset_.assign(handleText_.size(), -1);
  for (std::size_t h = 0; h < handles_.size(); ++h) handleAtOffset_[handles_[h].nameOffset] = static_cast<int>(h);
}

Effect::~Effect() {
  if (active_ >= 0) End();
  DeleteGl();
  for (Parameter& p : parameters_) {
    if (p.texture != nullptr) p.texture->Release();
  }
  device_->Release();
}

void Effect::AddHandle(HandleKind kind, int index, int element, const std::string& name) {
  handles_.push_back(Handle{kind, index, element, handleText_.size()});
  handleText_.insert(handleText_.end(), name.begin(), name.end());
  handleText_.push_back('\0');
}

// Handles point into handleText_ (fixed once the effect is built); anything
// else is taken as a name.
const Effect::Handle* Effect::Resolve(D3DXHANDLE handle) const {
  if (handle == nullptr) return nullptr;
  const char* base = handleText_.data();
  const std::less<const char*> before;
  if (!before(handle, base) && before(handle, base + handleText_.size())) {
    const int h = handleAtOffset_[static_cast<std::size_t>(handle - base)];
    return h >= 0 ? &handles_[static_cast<std::size_t>(h)] : nullptr;
  }
  for (const Handle& h : handles_) {
    if (std::strcmp(base + h.nameOffset, handle) == 0) return &h;
  }
  return nullptr;
}

D3DXHANDLE Effect::ParameterByName(D3DXHANDLE parent, const char* name) const {
  if (parent != nullptr || name == nullptr) return nullptr;
  for (const Handle& h : handles_) {
    if (h.kind != HandleKind::Technique && std::strcmp(handleText_.data() + h.nameOffset, name) == 0) {
      return handleText_.data() + h.nameOffset;
    }
  }
  return nullptr;
}

D3DXHANDLE Effect::TechniqueByName(const char* name) const {
  if (name == nullptr) return nullptr;
  for (const Handle& h : handles_) {
    if (h.kind == HandleKind::Technique && std::strcmp(handleText_.data() + h.nameOffset, name) == 0) {
      return handleText_.data() + h.nameOffset;
    }
  }
  return nullptr;
}

Effect::Parameter* Effect::Target(D3DXHANDLE handle, int* parameter, int* element) {
  const Handle* h = Resolve(handle);
  if (h == nullptr || h->kind != HandleKind::Parameter) return nullptr;
  *parameter = h->index;
  *element = h->element < 0 ? 0 : h->element;
  return &parameters_[static_cast<std::size_t>(h->index)];
}

void Effect::Touch(int parameter, int firstElement, int lastElement) {
  ++version_;
  const Parameter& p = parameters_[static_cast<std::size_t>(parameter)];
  for (int e = firstElement; e <= lastElement; ++e) versions_[p.firstElement + static_cast<std::size_t>(e)] = version_;
}

namespace {

// Writes count scalars of the given source kind into a parameter's storage
// from scalar `start` on; returns the range of elements that changed.
template <typename T>
bool Store(T* storage, std::size_t start, const void* values, UINT count, Effect::Source source, int scalars, int* first,
           int* last) {
  bool changed = false;
  for (UINT k = 0; k < count; ++k) {
    T value{};
    if (source == Effect::Source::Raw) {
      std::memcpy(&value, static_cast<const char*>(values) + 4 * k, sizeof(T));
    } else if (source == Effect::Source::Floats) {
      value = Convert(static_cast<const float*>(values)[k], static_cast<T*>(nullptr));
    } else {
      value = static_cast<T>(static_cast<const int*>(values)[k]);
    }
    T& slot = storage[start + k];
    if (std::memcmp(&slot, &value, sizeof(T)) == 0) continue;
    slot = value;
    const int element = static_cast<int>((start + k) / static_cast<std::size_t>(scalars));
    if (!changed) *first = element;
    *last = element;
    changed = true;
  }
  return changed;
}

// The same for values copied bit for bit (floats into floats, ints into
// ints, raw words): one comparison and one copy per element.
// `start` is the first scalar of an element.
bool StoreBits(void* storage, std::size_t start, const void* values, UINT count, int scalars, int* first,
               int* last) {
  auto* slots = static_cast<unsigned char*>(storage) + start * 4;
  const auto* from = static_cast<const unsigned char*>(values);
  const std::size_t perElement = static_cast<std::size_t>(scalars);
  // One matrix, the common case: compared and copied in fixed-size pieces.
  if (count == 16 && perElement == 16) {
    if (std::memcmp(slots, from, 64) == 0) return false;
    std::memcpy(slots, from, 64);
    *first = *last = static_cast<int>(start / 16);
    return true;
  }
  bool changed = false;
  std::size_t element = start / perElement;
  std::size_t k = 0;
  while (k < count) {
    const std::size_t end = std::min<std::size_t>(count, (element + 1) * perElement - start);
    const std::size_t bytes = (end - k) * 4;
    if (std::memcmp(slots + k * 4, from + k * 4, bytes) != 0) {
      std::memcpy(slots + k * 4, from + k * 4, bytes);
      if (!changed) *first = static_cast<int>(element);
      *last = static_cast<int>(element);
      changed = true;
    }
    k = end;
    ++element;
  }
  return changed;
}

}  // namespace

HRESULT Effect::Write(D3DXHANDLE handle, const void* values, UINT count, Source source, UINT elementLimit) {
  int parameter = 0;
  int element = 0;
  const Parameter* p = Target(handle, &parameter, &element);
  if (p == nullptr || p->type == fx::ParamType::Texture || values == nullptr) return D3DERR_INVALIDCALL;
  WriteElements(parameter, element, values, count, source, elementLimit);
  return D3D_OK;
}

void Effect::WriteElements(int parameter, int element, const void* values, UINT count, Source source,
                           UINT elementLimit) {
  const Parameter* p = &parameters_[static_cast<std::size_t>(parameter)];
  const std::size_t start = static_cast<std::size_t>(element) * static_cast<std::size_t>(p->scalars);
  std::size_t room = static_cast<std::size_t>(p->count * p->scalars) - start;
  if (elementLimit > 0 && room > static_cast<std::size_t>(p->scalars)) room = static_cast<std::size_t>(p->scalars);
  const UINT n = count < room ? count : static_cast<UINT>(room);
  int first = 0;
  int last = 0;
  const bool ints = p->ints;
  void* storage = ints ? static_cast<void*>(ints_.data() + p->offset) : static_cast<void*>(floats_.data() + p->offset);
  const bool bitwise = source == Source::Raw || (source == Source::Ints) == ints;
  const bool changed =
      bitwise ? StoreBits(storage, start, values, n, p->scalars, &first, &last)
      : ints  ? Store(ints_.data() + p->offset, start, values, n, source, p->scalars, &first, &last)
              : Store(floats_.data() + p->offset, start, values, n, source, p->scalars, &first, &last);
  if (changed) Touch(parameter, first, last);
}

HRESULT Effect::SetBytes(D3DXHANDLE handle, const void* data, UINT bytes) {
  const Handle* h = Resolve(handle);
  if (h != nullptr && h->kind == HandleKind::Parameter &&
      parameters_[static_cast<std::size_t>(h->index)].type == fx::ParamType::Texture) {
    IDirect3DBaseTexture9* texture = nullptr;
    if (data == nullptr || bytes < sizeof(texture)) return D3DERR_INVALIDCALL;
    std::memcpy(&texture, data, sizeof(texture));
    return SetTexture(handle, texture);
  }
  return Write(handle, data, bytes / 4, Source::Raw, 0);
}

HRESULT Effect::GetBytes(D3DXHANDLE handle, void* data, UINT bytes) const {
  const Handle* h = Resolve(handle);
  if (h == nullptr || h->kind != HandleKind::Parameter || data == nullptr) return D3DERR_INVALIDCALL;
  const Parameter& p = parameters_[static_cast<std::size_t>(h->index)];
  if (p.type == fx::ParamType::Texture) {
    if (bytes < sizeof(p.texture)) return D3DERR_INVALIDCALL;
    if (p.texture != nullptr) p.texture->AddRef();
    std::memcpy(data, &p.texture, sizeof(p.texture));
    return D3D_OK;
  }
  const std::size_t start =
      static_cast<std::size_t>(h->element < 0 ? 0 : h->element) * static_cast<std::size_t>(p.scalars);
  const std::size_t room = (static_cast<std::size_t>(p.count * p.scalars) - start) * 4;
  const std::size_t n = bytes < room ? bytes : room;
  const void* from = fx::IsIntType(p.type) ? static_cast<const void*>(ints_.data() + p.offset + start)
                                           : static_cast<const void*>(floats_.data() + p.offset + start);
  std::memcpy(data, from, n);
  return D3D_OK;
}

HRESULT Effect::SetMatrix(D3DXHANDLE handle, const D3DXMATRIX& matrix, bool transpose) {
  int parameter = 0;
  int element = 0;
  const Parameter* p = Target(handle, &parameter, &element);
  if (p == nullptr || p->type != fx::ParamType::Float4x4) return D3DERR_INVALIDCALL;
  if (!transpose) {
    WriteElements(parameter, element, &matrix.m[0][0], 16, Source::Floats, 1);
    return D3D_OK;
  }
  const auto& m = matrix.m;
  const float values[16] = {m[0][0], m[1][0], m[2][0], m[3][0], m[0][1], m[1][1], m[2][1], m[3][1],
                            m[0][2], m[1][2], m[2][2], m[3][2], m[0][3], m[1][3], m[2][3], m[3][3]};
  WriteElements(parameter, element, values, 16, Source::Floats, 1);
  return D3D_OK;
}

HRESULT Effect::SetTexture(D3DXHANDLE handle, IDirect3DBaseTexture9* texture) {
  int parameter = 0;
  int element = 0;
  Parameter* p = Target(handle, &parameter, &element);
  if (p == nullptr || p->type != fx::ParamType::Texture) return D3DERR_INVALIDCALL;
  if (p->texture == texture) return D3D_OK;
  if (texture != nullptr) texture->AddRef();
  if (p->texture != nullptr) p->texture->Release();
  p->texture = texture;
  Touch(parameter, 0, 0);
  return D3D_OK;
}

HRESULT Effect::SetTechnique(D3DXHANDLE handle) {
  const Handle* h = Resolve(handle);
  if (h == nullptr || h->kind != HandleKind::Technique) return D3DERR_INVALIDCALL;
  current_ = h->index;
  return D3D_OK;
}

D3DXHANDLE Effect::CurrentTechnique() const {
  for (const Handle& h : handles_) {
    if (h.kind == HandleKind::Technique && h.index == current_) return handleText_.data() + h.nameOffset;
  }
  return nullptr;
}

HRESULT Effect::Begin(UINT* passes, DWORD flags) {
  if (active_ >= 0 || lost_ || current_ < 0 || static_cast<std::size_t>(current_) >= techniques_.size()) {
    return D3DERR_INVALIDCALL;
  }
  Technique& t = techniques_[static_cast<std::size_t>(current_)];
  saved_ = (flags & D3DXFX_DONOTSAVESTATE) == 0;
  savedSamplers_ = saved_ && (flags & D3DXFX_DONOTSAVESAMPLERSTATE) == 0;
  if (saved_) {
    for (std::size_t i = 0; i < t.stateList.size(); ++i) device_->GetRenderState(t.stateList[i], &t.savedStates[i]);
  }
  if (savedSamplers_) {
    // What GetTexture and GetSamplerState would give, read in place.
    const d3d9::DeviceImpl& d = device_->Impl();
    for (std::size_t i = 0; i < t.samplerList.size(); ++i) {
      const DWORD unit = static_cast<DWORD>(t.samplerList[i]);
      SavedUnit& saved = t.savedUnits[i];
      saved.texture = unit < d.textures.size() ? d.textures[unit] : nullptr;
      if (saved.texture != nullptr) saved.texture->AddRef();
      for (int s = 0; s < 6; ++s) saved.states[s] = d.samplerStates[unit][kSamplerStates[s]];
    }
  }
  if (passes != nullptr) *passes = static_cast<UINT>(t.passes.size());
  active_ = current_;
  return D3D_OK;
}

HRESULT Effect::BeginPass(UINT pass) {
  if (active_ < 0 || activePass_ >= 0) return D3DERR_INVALIDCALL;
  Technique& t = techniques_[static_cast<std::size_t>(active_)];
  if (pass >= t.passes.size()) return D3DERR_INVALIDCALL;
  Pass& p = t.passes[pass];
  Program* program = UsableProgram(t, p);
  if (program == nullptr) return E_FAIL;
  for (const fx::RenderStateDecl& state : p.decl->states) device_->SetRenderState(state.state, state.value);
  activePass_ = static_cast<int>(pass);
  activeProgram_ = program;
  device_->Impl().SetProgramOverride(program->gl);
  ApplySamplers(*program);
  Upload(*program);
  return D3D_OK;
}

HRESULT Effect::CommitChanges() {
  if (activePass_ < 0) return D3D_OK;
  Technique& t = techniques_[static_cast<std::size_t>(active_)];
  // The vertex-array index may have changed within the pass.
  Program* program = UsableProgram(t, t.passes[static_cast<std::size_t>(activePass_)]);
  if (program == nullptr) return E_FAIL;
  if (program != activeProgram_) {
    activeProgram_ = program;
    device_->Impl().SetProgramOverride(program->gl);
  }
  ApplySamplers(*program);
  Upload(*program);
  return D3D_OK;
}

HRESULT Effect::EndPass() {
  if (activePass_ < 0) return D3DERR_INVALIDCALL;
  device_->Impl().SetProgramOverride(0);
  activePass_ = -1;
  activeProgram_ = nullptr;
  return D3D_OK;
}

HRESULT Effect::End() {
  if (active_ < 0) return D3DERR_INVALIDCALL;
  if (activePass_ >= 0) EndPass();
  Technique& t = techniques_[static_cast<std::size_t>(active_)];
  if (saved_) {
    for (std::size_t i = 0; i < t.stateList.size(); ++i) device_->SetRenderState(t.stateList[i], t.savedStates[i]);
  }
  if (savedSamplers_) {
    // Only what differs goes back through the device.
    const d3d9::DeviceImpl& d = device_->Impl();
    for (std::size_t i = 0; i < t.samplerList.size(); ++i) {
      const DWORD unit = static_cast<DWORD>(t.samplerList[i]);
      SavedUnit& saved = t.savedUnits[i];
      if (unit < d.textures.size() && d.textures[unit] != saved.texture) device_->SetTexture(unit, saved.texture);
      if (saved.texture != nullptr) saved.texture->Release();
      saved.texture = nullptr;
      for (int s = 0; s < 6; ++s) {
        if (d.samplerStates[unit][kSamplerStates[s]] != saved.states[s]) {
          device_->SetSamplerState(unit, kSamplerStates[s], saved.states[s]);
        }
      }
    }
  }
  active_ = -1;
  return D3D_OK;
}

HRESULT Effect::OnLostDevice() {
  if (active_ >= 0) End();
  lost_ = true;
  return D3D_OK;
}

HRESULT Effect::OnResetDevice() {
  lost_ = false;
  // Nothing was lost, but a fresh start costs one upload per uniform.
  for (Technique& t : techniques_) {
    for (Pass& p : t.passes) {
      for (Program& program : p.programs) {
        program.synced = 0;
        for (Binding& b : program.bindings) b.uploaded = 0;
      }
    }
  }
  return D3D_OK;
}

void Effect::ApplySamplers(const Program& program) {
  d3d9::DeviceImpl& d = device_->Impl();
  for (int index : program.samplers) {
    const fx::SamplerDecl& s = source_.samplers[static_cast<std::size_t>(index)];
    const DWORD unit = static_cast<DWORD>(index);
    IDirect3DBaseTexture9* texture = parameters_[static_cast<std::size_t>(s.texture)].texture;
    if (d.textures[unit] != texture) device_->SetTexture(unit, texture);
    const DWORD values[6] = {s.minFilter, s.magFilter, s.mipFilter, s.addressU, s.addressV, s.border};
    for (int k = 0; k < 6; ++k) {
      if (d.samplerStates[unit][kSamplerStates[k]] != values[k]) device_->SetSamplerState(unit, kSamplerStates[k], values[k]);
    }
  }
}

EffectStatistics GetEffectStatistics(ID3DXEffect* effect) {
  return effect != nullptr ? effect->Impl().Statistics() : EffectStatistics{};
}

void ResetEffectStatistics(ID3DXEffect* effect) {
  if (effect != nullptr) effect->Impl().Statistics() = EffectStatistics{};
}

}  // namespace d3dx

// --- the interface ---

ID3DXEffect::ID3DXEffect(std::unique_ptr<d3dx::Effect> effect) : effect_(std::move(effect)) {}
ID3DXEffect::~ID3DXEffect() = default;

D3DXHANDLE ID3DXEffect::GetParameterByName(D3DXHANDLE parent, LPCSTR name) {
  return effect_->ParameterByName(parent, name);
}
D3DXHANDLE ID3DXEffect::GetTechniqueByName(LPCSTR name) { return effect_->TechniqueByName(name); }
HRESULT ID3DXEffect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  return matrix != nullptr ? effect_->SetMatrix(parameter, *matrix, false) : D3DERR_INVALIDCALL;
}
HRESULT ID3DXEffect::SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  return matrix != nullptr ? effect_->SetMatrix(parameter, *matrix, true) : D3DERR_INVALIDCALL;
}
HRESULT ID3DXEffect::SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) {
  return effect_->SetBytes(parameter, data, bytes);
}
HRESULT ID3DXEffect::GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) {
  return effect_->GetBytes(parameter, data, bytes);
}
HRESULT ID3DXEffect::SetInt(D3DXHANDLE parameter, INT value) {
  return effect_->Write(parameter, &value, 1, d3dx::Effect::Source::Ints, 1);
}
HRESULT ID3DXEffect::SetFloat(D3DXHANDLE parameter, FLOAT value) {
  return effect_->Write(parameter, &value, 1, d3dx::Effect::Source::Floats, 1);
}
HRESULT ID3DXEffect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
  if (vector == nullptr) return D3DERR_INVALIDCALL;
  const float values[4] = {vector->x, vector->y, vector->z, vector->w};
  // A vector fills one element at most: a float3 takes x, y, z.
  return effect_->Write(parameter, values, 4, d3dx::Effect::Source::Floats, 1);
}
HRESULT ID3DXEffect::SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) {
  return effect_->Write(parameter, values, count, d3dx::Effect::Source::Floats, 0);
}
HRESULT ID3DXEffect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
  return effect_->SetTexture(parameter, texture);
}
HRESULT ID3DXEffect::SetTechnique(D3DXHANDLE technique) { return effect_->SetTechnique(technique); }
D3DXHANDLE ID3DXEffect::GetCurrentTechnique() { return effect_->CurrentTechnique(); }
HRESULT ID3DXEffect::Begin(UINT* passes, DWORD flags) { return effect_->Begin(passes, flags); }
HRESULT ID3DXEffect::BeginPass(UINT pass) { return effect_->BeginPass(pass); }
HRESULT ID3DXEffect::CommitChanges() { return effect_->CommitChanges(); }
HRESULT ID3DXEffect::EndPass() { return effect_->EndPass(); }
HRESULT ID3DXEffect::End() { return effect_->End(); }
HRESULT ID3DXEffect::OnLostDevice() { return effect_->OnLostDevice(); }
HRESULT ID3DXEffect::OnResetDevice() { return effect_->OnResetDevice(); }
HRESULT ID3DXEffect::GetDevice(IDirect3DDevice9** device) {
  if (device == nullptr) return D3DERR_INVALIDCALL;
  *device = effect_->Device();
  (*device)->AddRef();
  return D3D_OK;
}

// --- buffers and creation ---

ID3DXBuffer::ID3DXBuffer(const void* data, DWORD size) : data_(new char[size + 1]()), size_(size) {
  if (data != nullptr && size > 0) std::memcpy(data_.get(), data, size);
}
LPVOID ID3DXBuffer::GetBufferPointer() { return data_.get(); }
DWORD ID3DXBuffer::GetBufferSize() { return size_; }

HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** buffer) {
  if (buffer == nullptr) return D3DERR_INVALIDCALL;
  *buffer = new ID3DXBuffer(nullptr, size);
  return D3D_OK;
}

namespace {

void SetErrors(ID3DXBuffer** errors, const std::string& message) {
  if (errors != nullptr) *errors = new ID3DXBuffer(message.data(), static_cast<DWORD>(message.size()));
}

HRESULT CreateEffect(IDirect3DDevice9* device, const std::string& name, LPCVOID source, UINT sourceLength,
                     const D3DXMACRO* defines, void* include, void* pool, ID3DXEffect** effect, ID3DXBuffer** errors) {
  if (errors != nullptr) *errors = nullptr;
  if (effect != nullptr) *effect = nullptr;
  if (device == nullptr || source == nullptr || effect == nullptr || include != nullptr || pool != nullptr) {
    return D3DERR_INVALIDCALL;
  }
  d3dx::fx::EffectSource parsed;
  std::string error;
  if (!d3dx::fx::ParseEffect(static_cast<const char*>(source), sourceLength, defines, &parsed, &error)) {
    SetErrors(errors, name + ": " + error);
    return D3DXERR_INVALIDDATA;
  }
  auto impl = std::make_unique<d3dx::Effect>(device, std::move(parsed));
  if (!impl->Build(&error)) {
    SetErrors(errors, name + ": " + error);
    return E_FAIL;
  }
  *effect = new ID3DXEffect(std::move(impl));
  return D3D_OK;
}

}  // namespace

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID source, UINT sourceLength, const D3DXMACRO* defines,
                         void* include, DWORD, void* pool, ID3DXEffect** effect, ID3DXBuffer** errors) {
  return CreateEffect(device, "effect", source, sourceLength, defines, include, pool, effect, errors);
}

HRESULT D3DXCreateEffectFromResourceA(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                      const D3DXMACRO* defines, void* include, DWORD, void* pool,
                                      ID3DXEffect** effect, ID3DXBuffer** errors) {
  if (errors != nullptr) *errors = nullptr;
  if (effect != nullptr) *effect = nullptr;
  if (resource == nullptr) return D3DERR_INVALIDCALL;
  const std::string name = IS_INTRESOURCE(resource)
                               ? "resource " + std::to_string(reinterpret_cast<std::uintptr_t>(resource))
                               : std::string("resource ") + resource;
  HRSRC found = FindResourceA(module, resource, RT_RCDATA);
  if (found == nullptr) {
    SetErrors(errors, name + ": not found");
    return D3DXERR_INVALIDDATA;
  }
  const void* data = LockResource(LoadResource(module, found));
  return CreateEffect(device, name, data, SizeofResource(module, found), defines, include, pool, effect, errors);
}
