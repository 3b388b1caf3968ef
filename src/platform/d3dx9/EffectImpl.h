#pragma once
// The effect behind ID3DXEffect (layer-internal): parameter values with
// change versions, handles, techniques and passes with their GL programs.
//
// Every parameter element carries the version of its last change (a counter
// of the effect). A program remembers, per uniform, the version it last
// received, so BeginPass and CommitChanges upload only elements that changed
// since; a program that has seen the latest version skips the walk entirely.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/d3dx9/D3dxEffect.h"
#include "platform/d3dx9/D3dxEffectAutomation.h"
#include "platform/d3dx9/EffectSource.h"

namespace d3dx {

class Effect {
 public:
  // Holds a reference to the device.
  Effect(IDirect3DDevice9* device, fx::EffectSource source);
  ~Effect();
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // Compiles every shader and links the first program of every pass (the
  // other elements of a vertex array link when first used). False with a
  // message naming the technique and pass.
  bool Build(std::string* error);

  D3DXHANDLE ParameterByName(D3DXHANDLE parent, const char* name) const;
  D3DXHANDLE TechniqueByName(const char* name) const;

  // Writes up to count scalars (converted to the parameter's type, or raw
  // 4-byte values) from the handle's element on; with elementLimit 1 into
  // that element only.
  enum class Source { Floats, Ints, Raw };
  HRESULT Write(D3DXHANDLE handle, const void* values, UINT count, Source source, UINT elementLimit);
  HRESULT SetBytes(D3DXHANDLE handle, const void* data, UINT bytes);
  HRESULT GetBytes(D3DXHANDLE handle, void* data, UINT bytes) const;
  HRESULT SetMatrix(D3DXHANDLE handle, const D3DXMATRIX& matrix, bool transpose);
  HRESULT SetTexture(D3DXHANDLE handle, IDirect3DBaseTexture9* texture);

  HRESULT SetTechnique(D3DXHANDLE handle);
  D3DXHANDLE CurrentTechnique() const;
  HRESULT Begin(UINT* passes, DWORD flags);
  HRESULT BeginPass(UINT pass);
  HRESULT CommitChanges();
  HRESULT EndPass();
  HRESULT End();
  HRESULT OnLostDevice();
  HRESULT OnResetDevice();

  IDirect3DDevice9* Device() const { return device_; }
  EffectStatistics& Statistics() { return statistics_; }

 private:
  struct Parameter {
    fx::ParamType type;
    int count;
    int scalars;               // per element
    std::size_t offset;        // into floats_ or ints_
    std::size_t firstElement;  // into versions_
    IDirect3DBaseTexture9* texture = nullptr;
    bool ints = false;  // stored in ints_
  };
  enum class HandleKind { Parameter, Sampler, Technique };
  struct Handle {
    HandleKind kind;
    int index;
    int element;  // -1: the whole parameter
    std::size_t nameOffset;
  };
  // One uniform of a program that an effect parameter feeds.
  struct Binding {
    int parameter;
    int count;             // active elements
    std::size_t location;  // first of count element locations in Program::locations
    std::uint64_t uploaded;
  };
  struct Program {
    unsigned gl = 0;
    bool failed = false;
    std::vector<Binding> bindings;
    std::vector<int> locations;
    std::vector<int> samplers;  // sampler indices the program reads
    std::uint64_t synced = 0;   // version of the last full upload
  };
  struct Pass {
    const fx::PassDecl* decl;
    std::vector<Program> programs;  // one per vertex-array element, or one
  };
  struct SavedUnit {
    IDirect3DBaseTexture9* texture;
    DWORD states[6];
  };
  struct Technique {
    std::vector<Pass> passes;
    std::vector<D3DRENDERSTATETYPE> stateList;  // every render state its passes set
    std::vector<DWORD> savedStates;
    std::vector<int> samplerList;  // every sampler its programs may read
    std::vector<SavedUnit> savedUnits;
  };

  void AddHandle(HandleKind kind, int index, int element, const std::string& name);
  const Handle* Resolve(D3DXHANDLE handle) const;
  // The parameter and first element a value handle writes to; null for others.
  Parameter* Target(D3DXHANDLE handle, int* parameter, int* element);
  void Touch(int parameter, int firstElement, int lastElement);
  // Write once the handle is resolved to a value parameter.
  void WriteElements(int parameter, int element, const void* values, UINT count, Source source, UINT elementLimit);

  // EffectPrograms.cpp: GL side.
  unsigned Shader(fx::Stage stage, const fx::ShaderRef& ref, std::string* log);
  bool Link(const Technique& technique, Pass& pass, int element, std::string* error);
  int SelectedElement(const Pass& pass) const;
  Program* UsableProgram(Technique& technique, Pass& pass);
  void Upload(Program& program);
  void ApplySamplers(const Program& program);
  void DeleteGl();

  IDirect3DDevice9* device_;
  fx::EffectSource source_;
  std::vector<Parameter> parameters_;
  std::vector<float> floats_;
  std::vector<int> ints_;
  std::vector<std::uint64_t> versions_;  // per parameter element
  std::uint64_t version_ = 1;            // the latest change
  std::vector<char> handleText_;         // handle names, each zero-terminated
  std::vector<Handle> handles_;          // in handleText_ order
  std::vector<int> handleAtOffset_;      // per byte of handleText_: the handle named there, or -1
  std::vector<Technique> techniques_;
  std::map<std::string, unsigned> shaders_;  // compiled stages by their source key
  int current_ = 0;
  int active_ = -1;  // technique between Begin and End
  int activePass_ = -1;
  Program* activeProgram_ = nullptr;
  bool saved_ = false;
  bool savedSamplers_ = false;
  bool lost_ = false;
  EffectStatistics statistics_;
};

}  // namespace d3dx
