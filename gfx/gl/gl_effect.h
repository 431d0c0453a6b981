// The effect of the GL backend: an effect file's techniques and passes, each pass compiled to a
// GL program, and the parameter values that BeginPass (and any later set inside the pass) hands
// to the program's uniform blocks and the samplers' texture units.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gfx/d3d9.h"
#include "gfx/effect_source.h"
#include "gfx/gl/gl_program.h"
#include "gfx/ref_counted.h"

class GlDevice;

class GlEffect final : public RefCounted<ID3DXEffect> {
 public:
  // Reads, parses and compiles the file. On failure `errors` holds the text for the user:
  // "<path>: cannot open file", or "<path>(<line>): error: <message>" lines.
  static HRESULT Create(GlDevice* device, const char* path, ID3DXEffect** out, std::string* errors);

  D3DXHANDLE GetTechniqueByName(LPCSTR name) override;
  HRESULT SetTechnique(D3DXHANDLE technique) override;
  HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override;
  HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) override;
  HRESULT Begin(UINT* passes, DWORD flags) override;
  HRESULT BeginPass(UINT pass) override;
  HRESULT EndPass() override;
  HRESULT End() override;

 private:
  struct Value {
    float data[16] = {};
    IDirect3DBaseTexture9* texture = nullptr;  // owned reference
  };

  GlEffect(GlDevice* device, EffectSource source);
  ~GlEffect() override;
  bool Compile(const std::string& path, std::string* errors);
  int FindParameter(D3DXHANDLE name) const;
  int SamplerUnit(const std::string& name) const;
  void WriteUniforms(GlPassProgram* program) const;
  void ApplySamplers();
  void ParameterChanged(int parameter);

  GlDevice* device_;
  EffectSource source_;
  std::vector<Value> values_;
  std::vector<int> samplerParameter_;  // per sampler (= texture unit): its texture's parameter, or -1
  // Per technique, per pass; null where the pass lacks a shader and draws nothing.
  std::vector<std::vector<std::unique_ptr<GlPassProgram>>> programs_;
  int technique_ = 0;  // -1 after SetTechnique with an unknown handle
  bool begun_ = false;
  int pass_ = -1;
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> savedStates_;
};
