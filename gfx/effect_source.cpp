// The effect front end: a single pass over the token list at global scope. Everything that only
// the effect framework understands (techniques, sampler_state blocks, annotations, semantics of
// globals, texture and string objects) is recorded and blanked out of the text; functions and
// structs go through untouched. Brackets are matched once up front, so skipping a body is O(1)
// and the whole parse is linear in the file's size.
#include "gfx/effect_source.h"

#include <cstdlib>

#include "gfx/effect_lexer.h"
#include "gfx/effect_states.h"

namespace {

bool IsOneOf(std::string_view word, std::initializer_list<const char*> names, bool ignoreCase) {
  for (const char* name : names)
    if (ignoreCase ? EqualsIgnoreCase(word, name) : word == name) return true;
  return false;
}

bool IsQualifier(std::string_view word) {
  return IsOneOf(word,
                 {"uniform", "static", "const", "shared", "extern", "volatile", "row_major", "column_major",
                  "inline", "precise", "nointerpolation", "groupshared"},
                 false);
}
bool IsTextureType(std::string_view type) {
  return IsOneOf(type, {"texture", "texture1D", "texture2D", "texture3D", "textureCUBE"}, true);
}
bool IsSamplerType(std::string_view type) {
  return IsOneOf(type, {"sampler", "sampler1D", "sampler2D", "sampler3D", "samplerCUBE"}, true);
}

class EffectParser {
 public:
  EffectParser(const char* text, size_t size, const char* fileName)
      : text_(text, size), fileName_(fileName ? fileName : "(effect)") {}

  bool Run(EffectSource* out, std::string* error);

 private:
  const EffectToken& At(size_t i) const { return tokens_[i < tokens_.size() ? i : tokens_.size() - 1]; }
  const EffectToken& Cur() const { return At(pos_); }
  bool IsIdent(const EffectToken& t) const { return t.kind == EffectTokenKind::kIdentifier; }
  bool Fail(int line, const std::string& what);
  bool Expect(char c, const std::string& after);
  void Blank(size_t begin, size_t end);
  bool MatchBrackets();
  bool SkipAnnotation();
  bool ParseGlobal();
  bool ParseTechnique();
  bool ParsePass(EffectTechnique* technique);
  bool ParsePassState(EffectPass* pass);
  bool ParseShaderAssignment(EffectPass* pass, bool vertex);
  bool ParseStateValue(EffectValueKind kind, const EffectToken& name, DWORD* value);
  bool ParseDeclaration();
  bool ParseSamplerState(EffectSampler* sampler);

  std::string hlsl_;
  std::string_view text_;
  const char* fileName_;
  std::vector<EffectToken> tokens_;
  std::vector<size_t> match_;  // for each opening bracket token, its closing token
  size_t pos_ = 0;
  EffectSource result_;
  std::string error_;
};

bool EffectParser::Fail(int line, const std::string& what) {
  error_ = std::string(fileName_) + "(" + std::to_string(line) + "): error: " + what;
  return false;
}

bool EffectParser::Expect(char c, const std::string& after) {
  if (Cur().Is(c)) {
    ++pos_;
    return true;
  }
  return Fail(Cur().line,
              std::string("expected '") + c + "' after " + after + ", found " + QuoteToken(Cur()));
}

void EffectParser::Blank(size_t begin, size_t end) {
  for (size_t i = begin; i < end && i < hlsl_.size(); ++i)
    if (hlsl_[i] != '\n' && hlsl_[i] != '\r') hlsl_[i] = ' ';
}

bool EffectParser::MatchBrackets() {
  match_.assign(tokens_.size(), 0);
  std::vector<size_t> open;
  for (size_t i = 0; i < tokens_.size(); ++i) {
    const EffectToken& t = tokens_[i];
    if (t.Is('{') || t.Is('(') || t.Is('[')) {
      open.push_back(i);
    } else if (t.Is('}') || t.Is(')') || t.Is(']')) {
      const char want = t.text[0] == '}' ? '{' : t.text[0] == ')' ? '(' : '[';
      if (open.empty())
        return Fail(t.line, std::string("unbalanced '") + t.text[0] + "' without an opening '" + want + "'");
      const EffectToken& opener = tokens_[open.back()];
      if (opener.text[0] != want)
        return Fail(t.line, std::string("'") + t.text[0] + "' does not close the '" + opener.text[0] +
                                "' of line " + std::to_string(opener.line));
      match_[open.back()] = i;
      open.pop_back();
    }
  }
  if (!open.empty()) {
    const EffectToken& t = tokens_[open.back()];
    return Fail(t.line, std::string("unbalanced '") + t.text[0] + "' is never closed");
  }
  return true;
}

// Skips `< ... >` after a name and blanks it; the caller stands on '<'.
bool EffectParser::SkipAnnotation() {
  const size_t begin = Cur().begin;
  const int line = Cur().line;
  ++pos_;
  while (!Cur().Is('>')) {
    if (Cur().kind == EffectTokenKind::kEnd || Cur().Is('}'))
      return Fail(line, "unterminated annotation: '<' without '>'");
    if (Cur().Is('{') || Cur().Is('(') || Cur().Is('[')) pos_ = match_[pos_];
    ++pos_;
  }
  Blank(begin, Cur().end);
  ++pos_;
  return true;
}

bool EffectParser::Run(EffectSource* out, std::string* error) {
  hlsl_.assign(text_.data(), text_.size());
  int line = 0;
  std::string what;
  bool ok = TokenizeEffect(text_.data(), text_.size(), &tokens_, &line, &what) || Fail(line, what);
  ok = ok && MatchBrackets();
  while (ok && Cur().kind != EffectTokenKind::kEnd) ok = ParseGlobal();
  if (!ok) {
    if (error) *error = error_;
    return false;
  }
  result_.hlsl = std::move(hlsl_);
  *out = std::move(result_);
  return true;
}

bool EffectParser::ParseGlobal() {
  const EffectToken& t = Cur();
  if (t.Is(';')) {
    ++pos_;
    return true;
  }
  if (IsIdent(t) && IsOneOf(t.text, {"technique", "technique9"}, true)) return ParseTechnique();
  if (IsIdent(t) && (t.text == "struct" || t.text == "typedef")) {
    // Passed through as written, up to the ';' that ends the definition.
    const int line = t.line;
    const std::string keyword(t.text);
    while (!Cur().Is(';')) {
      if (Cur().kind == EffectTokenKind::kEnd) return Fail(line, "expected ';' after the " + keyword);
      if (Cur().Is('{') || Cur().Is('(') || Cur().Is('[')) pos_ = match_[pos_];
      ++pos_;
    }
    ++pos_;
    return true;
  }
  if (IsIdent(t) && (t.text == "cbuffer" || t.text == "tbuffer")) {
    const int line = t.line;
    while (!Cur().Is('{')) {
      if (Cur().kind == EffectTokenKind::kEnd || Cur().Is(';'))
        return Fail(line, "expected '{' after cbuffer");
      ++pos_;
    }
    pos_ = match_[pos_] + 1;
    return true;
  }
  return ParseDeclaration();
}

bool EffectParser::ParseTechnique() {
  const EffectToken& keyword = Cur();
  EffectTechnique technique;
  technique.line = keyword.line;
  ++pos_;
  if (IsIdent(Cur())) technique.name = std::string(Cur().text), ++pos_;
  if (Cur().Is('<') && !SkipAnnotation()) return false;
  if (!Expect('{', technique.name.empty() ? "technique" : "technique '" + technique.name + "'")) return false;
  const size_t close = match_[pos_ - 1];
  while (pos_ < close) {
    if (!IsIdent(Cur()) || !EqualsIgnoreCase(Cur().text, "pass"))
      return Fail(Cur().line, "expected 'pass' in technique, found " + QuoteToken(Cur()));
    if (!ParsePass(&technique)) return false;
  }
  Blank(keyword.begin, tokens_[close].end);
  pos_ = close + 1;
  result_.techniques.push_back(std::move(technique));
  return true;
}

bool EffectParser::ParsePass(EffectTechnique* technique) {
  EffectPass pass;
  pass.line = Cur().line;
  ++pos_;
  if (IsIdent(Cur())) pass.name = std::string(Cur().text), ++pos_;
  if (Cur().Is('<') && !SkipAnnotation()) return false;
  if (!Expect('{', "pass")) return false;
  const size_t close = match_[pos_ - 1];
  while (pos_ < close)
    if (!ParsePassState(&pass)) return false;
  pos_ = close + 1;
  technique->passes.push_back(std::move(pass));
  return true;
}

bool EffectParser::ParsePassState(EffectPass* pass) {
  const EffectToken& name = Cur();
  if (!IsIdent(name)) return Fail(name.line, "expected a pass state, found " + QuoteToken(name));
  ++pos_;
  if (!Expect('=', ("'" + std::string(name.text) + "'"))) return false;
  if (EqualsIgnoreCase(name.text, "VertexShader")) return ParseShaderAssignment(pass, true);
  if (EqualsIgnoreCase(name.text, "PixelShader")) return ParseShaderAssignment(pass, false);
  EffectRenderState state;
  if (!FindRenderState(name.text, &state)) return Fail(name.line, "unknown pass state " + QuoteToken(name));
  DWORD value = 0;
  if (!ParseStateValue(state.kind, name, &value)) return false;
  pass->states.emplace_back(state.state, value);
  return Expect(';', "the value of '" + std::string(name.text) + "'");
}

bool EffectParser::ParseShaderAssignment(EffectPass* pass, bool vertex) {
  std::string& profile = vertex ? pass->vertexProfile : pass->pixelProfile;
  std::string& entry = vertex ? pass->vertexEntry : pass->pixelEntry;
  const char* stage = vertex ? "VertexShader" : "PixelShader";
  if (IsIdent(Cur()) && EqualsIgnoreCase(Cur().text, "NULL")) {
    profile.clear(), entry.clear();
    ++pos_;
    return Expect(';', stage);
  }
  if (!IsIdent(Cur()) || Cur().text != "compile")
    return Fail(Cur().line,
                std::string("expected 'compile' after ") + stage + " =, found " + QuoteToken(Cur()));
  const int line = Cur().line;
  ++pos_;
  const EffectToken& profileToken = Cur();
  const std::string_view prefix = vertex ? "vs_" : "ps_";
  if (!IsIdent(profileToken) || profileToken.text.substr(0, 3) != prefix)
    return Fail(profileToken.line, std::string("expected a ") + (vertex ? "vertex" : "pixel") +
                                       " shader profile after 'compile', found " + QuoteToken(profileToken));
  ++pos_;
  const EffectToken& entryToken = Cur();
  if (!IsIdent(entryToken))
    return Fail(entryToken.kind == EffectTokenKind::kEnd ? line : entryToken.line,
                "'compile' without an entry point");
  ++pos_;
  if (!Expect('(', ("entry point '" + std::string(entryToken.text) + "'"))) return false;
  if (!Cur().Is(')'))
    return Fail(Cur().line,
                "arguments to entry point '" + std::string(entryToken.text) + "' are not supported");
  ++pos_;
  profile = std::string(profileToken.text);
  entry = std::string(entryToken.text);
  return Expect(';', "entry point '" + entry + "()'");
}

bool EffectParser::ParseStateValue(EffectValueKind kind, const EffectToken& name, DWORD* value) {
  const EffectToken& t = Cur();
  if (t.kind == EffectTokenKind::kNumber && t.text.size() <= 12) {
    const std::string digits(t.text);
    char* end = nullptr;
    const unsigned long number = std::strtoul(digits.c_str(), &end, 0);
    if (end && *end == '\0' && number <= 0xFFFFFFFFul) {
      *value = static_cast<DWORD>(number);
      ++pos_;
      return true;
    }
  }
  if (t.kind != EffectTokenKind::kIdentifier || !FindStateValue(kind, t.text, value))
    return Fail(t.line, "unknown value " + QuoteToken(t) + " for " + QuoteToken(name));
  ++pos_;
  return true;
}

bool EffectParser::ParseDeclaration() {
  const size_t begin = Cur().begin;
  const int line = Cur().line;
  bool isStatic = false;
  while (IsIdent(Cur()) && IsQualifier(Cur().text)) {
    isStatic = isStatic || Cur().text == "static";
    ++pos_;
  }
  const EffectToken& typeToken = Cur();
  if (!IsIdent(typeToken))
    return Fail(typeToken.line, "expected a declaration, found " + QuoteToken(typeToken));
  ++pos_;
  if (Cur().Is('<') && (typeToken.text == "vector" || typeToken.text == "matrix")) {
    while (!Cur().Is('>')) {
      if (Cur().kind == EffectTokenKind::kEnd || Cur().Is(';'))
        return Fail(typeToken.line, "unterminated template arguments of " + QuoteToken(typeToken));
      ++pos_;
    }
    ++pos_;
  }
  const std::string type(text_.substr(typeToken.begin, At(pos_ - 1).end - typeToken.begin));
  const bool texture = IsTextureType(type), sampler = IsSamplerType(type), string = type == "string";

  for (bool first = true;; first = false) {
    const EffectToken& name = Cur();
    if (!IsIdent(name))
      return Fail(name.line,
                  "expected a name after " + QuoteToken(typeToken) + ", found " + QuoteToken(name));
    ++pos_;
    if (first && Cur().Is('(')) {
      // A function: its signature and body go to the compiler as written.
      pos_ = match_[pos_] + 1;
      while (Cur().Is(':')) pos_ += 2;
      if (Cur().Is(';')) return ++pos_, true;
      if (!Cur().Is('{')) return Fail(Cur().line, "expected '{' after the signature of " + QuoteToken(name));
      pos_ = match_[pos_] + 1;
      return true;
    }
    if (Cur().Is('[')) pos_ = match_[pos_] + 1;
    EffectSampler samplerRecord;
    while (Cur().Is(':')) {
      const size_t colon = Cur().begin;
      ++pos_;
      if (!IsIdent(Cur()))
        return Fail(Cur().line, "expected a semantic after ':', found " + QuoteToken(Cur()));
      if (Cur().text == "register" || Cur().text == "packoffset") {
        ++pos_;
        if (Cur().Is('(')) pos_ = match_[pos_] + 1;
      } else {
        Blank(colon, Cur().end);  // a semantic on a global means nothing to the HLSL compiler
        ++pos_;
      }
    }
    if (Cur().Is('<') && !SkipAnnotation()) return false;
    if (Cur().Is('=')) {
      const size_t equals = Cur().begin;
      ++pos_;
      if (sampler && IsIdent(Cur()) && EqualsIgnoreCase(Cur().text, "sampler_state")) {
        if (!ParseSamplerState(&samplerRecord)) return false;
        Blank(equals, At(pos_ - 1).end);
      } else {
        while (!Cur().Is(',') && !Cur().Is(';')) {
          if (Cur().kind == EffectTokenKind::kEnd || Cur().Is('}'))
            return Fail(Cur().kind == EffectTokenKind::kEnd ? line : Cur().line,
                        "expected ';' after the declaration of " + QuoteToken(name));
          if (Cur().Is('{') || Cur().Is('(') || Cur().Is('[')) pos_ = match_[pos_];
          ++pos_;
        }
      }
    }
    if (sampler) {
      samplerRecord.type = type;
      samplerRecord.name = std::string(name.text);
      samplerRecord.line = name.line;
      result_.samplers.push_back(std::move(samplerRecord));
    } else if (!isStatic) {
      result_.parameters.push_back({type, std::string(name.text), name.line});
    }
    if (Cur().Is(',')) {
      ++pos_;
      continue;
    }
    if (!Cur().Is(';'))
      return Fail(Cur().line, "expected ';' after the declaration of " + QuoteToken(name) + ", found " +
                                  QuoteToken(Cur()));
    ++pos_;
    // Texture and string objects exist only for the effect framework.
    if (texture || string) Blank(begin, At(pos_ - 1).end);
    return true;
  }
}

// sampler_state { Texture = <T>; MinFilter = Linear; AddressU = Wrap; ... }; the caller stands on
// 'sampler_state'.
bool EffectParser::ParseSamplerState(EffectSampler* sampler) {
  ++pos_;
  if (!Expect('{', "sampler_state")) return false;
  const size_t close = match_[pos_ - 1];
  while (pos_ < close) {
    const EffectToken& name = Cur();
    EffectSamplerField field;
    if (!IsIdent(name)) return Fail(name.line, "expected a sampler state, found " + QuoteToken(name));
    if (!FindSamplerField(name.text, &field))
      return Fail(name.line, "unknown sampler state " + QuoteToken(name));
    ++pos_;
    if (!Expect('=', ("'" + std::string(name.text) + "'"))) return false;
    DWORD value = 0;
    switch (field) {
      case EffectSamplerField::kTexture: {
        const char closer = Cur().Is('<') ? '>' : Cur().Is('(') ? ')' : '\0';
        if (closer) ++pos_;
        if (!IsIdent(Cur())) return Fail(Cur().line, "expected a texture name, found " + QuoteToken(Cur()));
        sampler->texture = std::string(Cur().text);
        ++pos_;
        if (closer && !Expect(closer, "the texture name")) return false;
        break;
      }
      case EffectSamplerField::kMinFilter:
      case EffectSamplerField::kMagFilter:
      case EffectSamplerField::kMipFilter:
        if (!ParseStateValue(EffectValueKind::kFilter, name, &value)) return false;
        sampler->states.emplace_back(field == EffectSamplerField::kMinFilter   ? D3DSAMP_MINFILTER
                                     : field == EffectSamplerField::kMagFilter ? D3DSAMP_MAGFILTER
                                                                               : D3DSAMP_MIPFILTER,
                                     value);
        break;
      case EffectSamplerField::kAddressU:
      case EffectSamplerField::kAddressV:
      case EffectSamplerField::kAddressW:
        if (!ParseStateValue(EffectValueKind::kAddress, name, &value)) return false;
        sampler->states.emplace_back(field == EffectSamplerField::kAddressU   ? D3DSAMP_ADDRESSU
                                     : field == EffectSamplerField::kAddressV ? D3DSAMP_ADDRESSV
                                                                              : D3DSAMP_ADDRESSW,
                                     value);
        break;
      case EffectSamplerField::kIgnored:
        while (!Cur().Is(';') && pos_ < close) {
          if (Cur().Is('(') || Cur().Is('[')) pos_ = match_[pos_];
          ++pos_;
        }
        break;
    }
    if (!Expect(';', ("the value of '" + std::string(name.text) + "'"))) return false;
  }
  pos_ = close + 1;
  return true;
}

}  // namespace

bool ParseEffectSource(const char* text, size_t size, const char* fileName, EffectSource* out,
                       std::string* error) {
  if (!text && size > 0) {
    if (error) *error = std::string(fileName ? fileName : "(effect)") + "(1): error: no text";
    return false;
  }
  EffectParser parser(text ? text : "", text ? size : 0, fileName);
  return parser.Run(out, error);
}
