// Effect files on GL: reading and compiling them, parameters by name, techniques and passes.
#include "gfx/gl/gl_effect.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "gfx/gl/gl_device.h"
#include "base/platform.h"

namespace {

constexpr long kMaxEffectFileBytes = 16 * 1024 * 1024;
constexpr DWORD kDoNotSaveState = 1;  // D3DXFX_DONOTSAVESTATE

bool ReadWholeFile(const char* path, std::string* text, std::string* errors) {
  FILE* file = OpenFile(path, "rb");
  if (!file) {
    *errors = std::string(path) + ": cannot open file";
    return false;
  }
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && size <= kMaxEffectFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    text->resize(static_cast<size_t>(size));
    ok = std::fread(text->data(), 1, text->size(), file) == text->size();
  }
  std::fclose(file);
  if (!ok)
    *errors = std::string(path) + (size > kMaxEffectFileBytes ? ": file too large" : ": cannot read file");
  return ok;
}

// The compiler reports a syntax error once per entry point it compiles; the user needs it once.
std::string UniqueLines(const std::string& text) {
  std::set<std::string> seen;
  std::istringstream lines(text);
  std::string line, result;
  while (std::getline(lines, line)) {
    if (line.empty() || !seen.insert(line).second) continue;
    if (!result.empty()) result += '\n';
    result += line;
  }
  return result;
}

}  // namespace

GlEffect::GlEffect(GlDevice* device, EffectSource source) : device_(device), source_(std::move(source)) {
  device_->AddRef();
  values_.resize(source_.parameters.size());
  for (const EffectSampler& sampler : source_.samplers) {
    int parameter = -1;
    for (size_t i = 0; i < source_.parameters.size(); ++i) {
      if (source_.parameters[i].name == sampler.texture && source_.parameters[i].IsTexture()) {
        parameter = static_cast<int>(i);
      }
    }
    samplerParameter_.push_back(parameter);
  }
}

GlEffect::~GlEffect() {
  for (auto& passes : programs_) {
    for (auto& program : passes) {
      if (program) DestroyPassProgram(device_, program.get());
    }
  }
  for (Value& value : values_) SafeRelease(value.texture);
  device_->Release();
}

HRESULT GlEffect::Create(GlDevice* device, const char* path, ID3DXEffect** out, std::string* errors) {
  std::string text;
  if (!ReadWholeFile(path, &text, errors)) return E_FAIL;
  EffectSource source;
  if (!ParseEffectSource(text.data(), text.size(), path, &source, errors)) return E_FAIL;
  if (source.samplers.size() > kGlTextureUnits) {
    *errors = std::string(path) + "(" + std::to_string(source.samplers[kGlTextureUnits].line) +
              "): error: more than " + std::to_string(kGlTextureUnits) + " samplers";
    return E_FAIL;
  }
  auto* effect = new GlEffect(device, std::move(source));
  if (!effect->Compile(path, errors)) {
    effect->Release();
    return E_FAIL;
  }
  *out = effect;
  return S_OK;
}

bool GlEffect::Compile(const std::string& path, std::string* errors) {
  // Passes often share entry points; each is compiled once.
  std::map<std::pair<int, std::string>, std::unique_ptr<GlslStage>> stages;
  auto compile = [&](HlslStage stage, const std::string& entry, int line) -> const GlslStage* {
    auto& slot = stages[{static_cast<int>(stage), entry}];
    if (!slot) {
      auto compiled = std::make_unique<GlslStage>();
      if (!CompileHlslStage(source_.hlsl, path, entry, stage, line, compiled.get(), errors)) return nullptr;
      slot = std::move(compiled);
    }
    return slot.get();
  };
  const auto samplerUnit = [this](const std::string& name) { return SamplerUnit(name); };
  const auto parameterIndex = [this](const std::string& name) { return FindParameter(name.c_str()); };
  std::string allErrors;
  for (const EffectTechnique& technique : source_.techniques) {
    programs_.emplace_back();
    for (const EffectPass& pass : technique.passes) {
      programs_.back().emplace_back();
      if (pass.vertexEntry.empty() || pass.pixelEntry.empty()) continue;
      const GlslStage* vertex = compile(HlslStage::kVertex, pass.vertexEntry, pass.line);
      const GlslStage* pixel = compile(HlslStage::kPixel, pass.pixelEntry, pass.line);
      if (!vertex || !pixel) continue;
      auto program = std::make_unique<GlPassProgram>();
      if (LinkPassProgram(device_, *vertex, *pixel, samplerUnit, parameterIndex, path, pass.line,
                          program.get(), errors)) {
        programs_.back().back() = std::move(program);
      }
    }
  }
  if (errors->empty()) return true;
  *errors = UniqueLines(*errors);
  return false;
}

int GlEffect::FindParameter(D3DXHANDLE name) const {
  if (!name) return -1;
  for (size_t i = 0; i < source_.parameters.size(); ++i) {
    if (source_.parameters[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

int GlEffect::SamplerUnit(const std::string& name) const {
  for (size_t i = 0; i < source_.samplers.size(); ++i) {
    if (source_.samplers[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

D3DXHANDLE GlEffect::GetTechniqueByName(LPCSTR name) {
  if (!name) return nullptr;
  for (const EffectTechnique& technique : source_.techniques) {
    if (technique.name == name) return technique.name.c_str();
  }
  return nullptr;
}

HRESULT GlEffect::SetTechnique(D3DXHANDLE handle) {
  technique_ = -1;
  if (!handle) return D3DERR_INVALIDCALL;
  for (size_t i = 0; i < source_.techniques.size(); ++i) {
    const std::string& name = source_.techniques[i].name;
    if (name.c_str() == handle || name == handle) {
      technique_ = static_cast<int>(i);
      return S_OK;
    }
  }
  return D3DERR_INVALIDCALL;
}

HRESULT GlEffect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
  const int index = FindParameter(parameter);
  if (index < 0 || !source_.parameters[index].IsTexture()) return D3DERR_INVALIDCALL;
  Value& value = values_[index];
  if (value.texture == texture) return S_OK;
  if (texture) texture->AddRef();
  SafeRelease(value.texture);
  value.texture = texture;
  ParameterChanged(index);
  return S_OK;
}

HRESULT GlEffect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  const int index = FindParameter(parameter);
  if (index < 0 || !matrix || source_.parameters[index].IsTexture()) return D3DERR_INVALIDCALL;
  std::memcpy(values_[index].data, matrix->m, sizeof values_[index].data);
  ParameterChanged(index);
  return S_OK;
}

HRESULT GlEffect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
  const int index = FindParameter(parameter);
  if (index < 0 || !vector || source_.parameters[index].IsTexture()) return D3DERR_INVALIDCALL;
  float* data = values_[index].data;
  data[0] = vector->x;
  data[1] = vector->y;
  data[2] = vector->z;
  data[3] = vector->w;
  ParameterChanged(index);
  return S_OK;
}

// A value set inside a pass reaches the draws that follow it at once.
void GlEffect::ParameterChanged(int parameter) {
  if (!begun_ || pass_ < 0) return;
  device_->FlushDraw();
  if (source_.parameters[parameter].IsTexture()) {
    ApplySamplers();
    return;
  }
  GlPassProgram* program = programs_[technique_][pass_].get();
  if (!program) return;
  WriteUniforms(program);
  UploadUniformBlocks(*program);
}

// Matrices arrive as the platform's row-major D3DXMATRIX, m[row][column], and HLSL sees M[i][j]
// = m[i][j] whatever the packing. SPIR-V column c of a member is HLSL row c; its RowMajor
// decoration (HLSL's default column_major packing) stores SPIR-V rows contiguously.
void GlEffect::WriteUniforms(GlPassProgram* program) const {
  for (GlUniformBlock& block : program->blocks) {
    for (size_t i = 0; i < block.members.size(); ++i) {
      if (block.parameters[i] < 0) continue;
      const GlslUniformMember& member = block.members[i];
      const float* data = values_[block.parameters[i]].data;
      const auto put = [&](uint32_t at, float value) {
        if (at + 4 <= member.size && member.offset + at + 4 <= block.bytes.size()) {
          std::memcpy(block.bytes.data() + member.offset + at, &value, 4);
        }
      };
      if (member.columns <= 1) {
        for (uint32_t r = 0; r < member.vectorSize && r < 4; ++r) put(r * 4, data[r]);
        continue;
      }
      for (uint32_t c = 0; c < member.columns && c < 4; ++c) {
        for (uint32_t r = 0; r < member.vectorSize && r < 4; ++r) {
          put(member.rowMajor ? r * member.matrixStride + c * 4 : c * member.matrixStride + r * 4,
              data[c * 4 + r]);
        }
      }
    }
  }
}

void GlEffect::ApplySamplers() {
  for (size_t unit = 0; unit < source_.samplers.size(); ++unit) {
    const EffectSampler& sampler = source_.samplers[unit];
    const DWORD stage = static_cast<DWORD>(unit);
    if (samplerParameter_[unit] >= 0) device_->SetTexture(stage, values_[samplerParameter_[unit]].texture);
    // Only what the block names: the rest stays as the device has it, as with pass states.
    for (const auto& [state, value] : sampler.states) device_->SetSamplerState(stage, state, value);
  }
}

HRESULT GlEffect::Begin(UINT* passes, DWORD flags) {
  if (passes) *passes = 0;
  if (technique_ < 0 || technique_ >= static_cast<int>(source_.techniques.size()) || begun_) {
    return D3DERR_INVALIDCALL;
  }
  const EffectTechnique& technique = source_.techniques[technique_];
  savedStates_.clear();
  if (!(flags & kDoNotSaveState)) {
    for (const EffectPass& pass : technique.passes) {
      for (const auto& [state, value] : pass.states)
        savedStates_.emplace_back(state, device_->RenderState(state));
    }
  }
  begun_ = true;
  pass_ = -1;
  if (passes) *passes = static_cast<UINT>(technique.passes.size());
  return S_OK;
}

HRESULT GlEffect::BeginPass(UINT pass) {
  if (!begun_ || pass_ >= 0 || pass >= source_.techniques[technique_].passes.size())
    return D3DERR_INVALIDCALL;
  device_->FlushDraw();
  pass_ = static_cast<int>(pass);
  GlPassProgram* program = programs_[technique_][pass].get();
  if (program) {
    WriteUniforms(program);
    UploadUniformBlocks(*program);
  }
  device_->SetProgram(program ? &program->binding : nullptr);
  ApplySamplers();
  for (const auto& [state, value] : source_.techniques[technique_].passes[pass].states) {
    device_->SetRenderState(state, value);
  }
  return S_OK;
}

HRESULT GlEffect::EndPass() {
  if (!begun_ || pass_ < 0) return D3DERR_INVALIDCALL;
  device_->FlushDraw();
  pass_ = -1;
  return S_OK;
}

HRESULT GlEffect::End() {
  if (!begun_) return D3DERR_INVALIDCALL;
  device_->FlushDraw();
  for (auto it = savedStates_.rbegin(); it != savedStates_.rend(); ++it)
    device_->SetRenderState(it->first, it->second);
  savedStates_.clear();
  begun_ = false;
  pass_ = -1;
  return S_OK;
}
