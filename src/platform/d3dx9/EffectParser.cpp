#include "platform/d3dx9/EffectSource.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/d3d9/VertexAttributes.h"
#include "platform/d3dx9/D3dxEffect.h"

namespace d3dx::fx {

int ScalarsPerElement(ParamType type) {
  switch (type) {
    case ParamType::Float: return 1;
    case ParamType::Float2: return 2;
    case ParamType::Float3: return 3;
    case ParamType::Float4: return 4;
    case ParamType::Float4x4: return 16;
    case ParamType::Int: return 1;
    case ParamType::Bool: return 1;
    case ParamType::Texture: return 0;
  }
  return 0;
}

bool IsIntType(ParamType type) { return type == ParamType::Int || type == ParamType::Bool; }

int EffectSource::FindParameter(const std::string& name) const {
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (parameters[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

int EffectSource::FindSection(SectionKind kind, const std::string& name) const {
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (sections[i].kind == kind && sections[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

namespace {

bool IsIdentifier(const std::string& s) {
  if (s.empty() || (!std::isalpha(static_cast<unsigned char>(s[0])) && s[0] != '_')) return false;
  for (char c : s) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(s[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
  return s.substr(begin, end - begin);
}

bool ParseFloat(const std::string& s, float* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  const float value = std::strtof(s.c_str(), &end);
  if (*end != '\0' || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

bool ParseUnsigned(const std::string& s, DWORD* out) {
  if (s.empty() || s[0] == '-') return false;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(s.c_str(), &end, 0);
  if (*end != '\0' || value > 0xFFFFFFFFull) return false;
  *out = static_cast<DWORD>(value);
  return true;
}

// Splits a header line into words. Commas and blanks separate words outside
// brackets, "=" is a word of its own, and a bracketed group stays with the
// word it follows: "fragment=fs(A, B=1)" gives "fragment", "=", "fs(A, B=1)".
bool Tokenize(const std::string& line, std::vector<std::string>* tokens, std::string* problem) {
  tokens->clear();
  std::string current;
  int depth = 0;
  const auto flush = [&] {
    if (!current.empty()) tokens->push_back(current);
    current.clear();
  };
  for (char c : line) {
    if (depth == 0 && (std::isspace(static_cast<unsigned char>(c)) || c == ',')) {
      flush();
    } else if (depth == 0 && c == '=') {
      flush();
      tokens->push_back("=");
    } else {
      if (c == '(') ++depth;
      if (c == ')') {
        if (depth == 0) {
          *problem = "unbalanced ')'";
          return false;
        }
        --depth;
      }
      current += c;
    }
  }
  if (depth != 0) {
    *problem = "missing ')'";
    return false;
  }
  flush();
  return true;
}

bool ParseRef(const std::string& token, ShaderRef* ref, std::string* problem) {
  ref->defines.clear();
  const std::size_t open = token.find('(');
  ref->section = token.substr(0, open);
  if (!IsIdentifier(ref->section)) {
    *problem = "'" + token + "' is not a shader name";
    return false;
  }
  if (open == std::string::npos) return true;
  if (token.back() != ')' || token.find('(', open + 1) != std::string::npos) {
    *problem = "malformed shader reference '" + token + "'";
    return false;
  }
  const std::string inner = token.substr(open + 1, token.size() - open - 2);
  std::size_t start = 0;
  while (start <= inner.size()) {
    std::size_t comma = inner.find(',', start);
    if (comma == std::string::npos) comma = inner.size();
    const std::string item = Trim(inner.substr(start, comma - start));
    start = comma + 1;
    if (item.empty()) {
      if (comma == inner.size() && ref->defines.empty() && inner.find_first_not_of(" \t") == std::string::npos) break;
      *problem = "empty define in '" + token + "'";
      return false;
    }
    const std::size_t equals = item.find('=');
    Define define{Trim(item.substr(0, equals)), equals == std::string::npos ? "" : Trim(item.substr(equals + 1))};
    if (!IsIdentifier(define.name) || (equals != std::string::npos && define.value.empty())) {
      *problem = "malformed define '" + item + "' in '" + token + "'";
      return false;
    }
    ref->defines.push_back(define);
  }
  return true;
}

struct NamedValue {
  const char* name;
  DWORD value;
};

const NamedValue kFilters[] = {
    {"none", D3DTEXF_NONE}, {"point", D3DTEXF_POINT}, {"linear", D3DTEXF_LINEAR}, {"anisotropic", D3DTEXF_ANISOTROPIC}};
const NamedValue kAddresses[] = {{"wrap", D3DTADDRESS_WRAP},
                                 {"mirror", D3DTADDRESS_MIRROR},
                                 {"clamp", D3DTADDRESS_CLAMP},
                                 {"border", D3DTADDRESS_BORDER}};
const NamedValue kBools[] = {{"false", 0}, {"true", 1}};
const NamedValue kBlends[] = {{"zero", D3DBLEND_ZERO},
                              {"one", D3DBLEND_ONE},
                              {"srccolor", D3DBLEND_SRCCOLOR},
                              {"invsrccolor", D3DBLEND_INVSRCCOLOR},
                              {"srcalpha", D3DBLEND_SRCALPHA},
                              {"invsrcalpha", D3DBLEND_INVSRCALPHA},
                              {"destalpha", D3DBLEND_DESTALPHA},
                              {"invdestalpha", D3DBLEND_INVDESTALPHA},
                              {"destcolor", D3DBLEND_DESTCOLOR},
                              {"invdestcolor", D3DBLEND_INVDESTCOLOR},
                              {"srcalphasat", D3DBLEND_SRCALPHASAT}};
const NamedValue kBlendOps[] = {{"add", D3DBLENDOP_ADD},
                                {"subtract", D3DBLENDOP_SUBTRACT},
                                {"revsubtract", D3DBLENDOP_REVSUBTRACT},
                                {"min", D3DBLENDOP_MIN},
                                {"max", D3DBLENDOP_MAX}};
const NamedValue kCompares[] = {{"never", D3DCMP_NEVER},       {"less", D3DCMP_LESS},
                                {"equal", D3DCMP_EQUAL},       {"lessequal", D3DCMP_LESSEQUAL},
                                {"greater", D3DCMP_GREATER},   {"notequal", D3DCMP_NOTEQUAL},
                                {"greaterequal", D3DCMP_GREATEREQUAL}, {"always", D3DCMP_ALWAYS}};
const NamedValue kCulls[] = {{"none", D3DCULL_NONE}, {"cw", D3DCULL_CW}, {"ccw", D3DCULL_CCW}};

template <std::size_t N>
bool LookUp(const NamedValue (&table)[N], const std::string& word, DWORD* out) {
  const std::string lower = Lower(word);
  for (const NamedValue& entry : table) {
    if (lower == entry.name) {
      *out = entry.value;
      return true;
    }
  }
  return false;
}

enum class StateKind { Bool, Number, Blend, BlendOp, Compare, Cull };

struct StateName {
  const char* name;
  D3DRENDERSTATETYPE state;
  StateKind kind;
};

const StateName kStates[] = {
    {"zenable", D3DRS_ZENABLE, StateKind::Bool},
    {"zwriteenable", D3DRS_ZWRITEENABLE, StateKind::Bool},
    {"zfunc", D3DRS_ZFUNC, StateKind::Compare},
    {"alphablendenable", D3DRS_ALPHABLENDENABLE, StateKind::Bool},
    {"srcblend", D3DRS_SRCBLEND, StateKind::Blend},
    {"destblend", D3DRS_DESTBLEND, StateKind::Blend},
    {"blendop", D3DRS_BLENDOP, StateKind::BlendOp},
    {"separatealphablendenable", D3DRS_SEPARATEALPHABLENDENABLE, StateKind::Bool},
    {"srcblendalpha", D3DRS_SRCBLENDALPHA, StateKind::Blend},
    {"destblendalpha", D3DRS_DESTBLENDALPHA, StateKind::Blend},
    {"blendopalpha", D3DRS_BLENDOPALPHA, StateKind::BlendOp},
    {"cullmode", D3DRS_CULLMODE, StateKind::Cull},
    {"alphatestenable", D3DRS_ALPHATESTENABLE, StateKind::Bool},
    {"alpharef", D3DRS_ALPHAREF, StateKind::Number},
    {"alphafunc", D3DRS_ALPHAFUNC, StateKind::Compare},
    {"colorwriteenable", D3DRS_COLORWRITEENABLE, StateKind::Number},
    {"stencilenable", D3DRS_STENCILENABLE, StateKind::Bool},
    {"fogenable", D3DRS_FOGENABLE, StateKind::Bool},
};

bool StateValue(StateKind kind, const std::string& word, DWORD* out) {
  switch (kind) {
    case StateKind::Bool: return LookUp(kBools, word, out) || (ParseUnsigned(word, out) && *out <= 1);
    case StateKind::Number: return ParseUnsigned(word, out);
    case StateKind::Blend: return LookUp(kBlends, word, out);
    case StateKind::BlendOp: return LookUp(kBlendOps, word, out);
    case StateKind::Compare: return LookUp(kCompares, word, out);
    case StateKind::Cull: return LookUp(kCulls, word, out);
  }
  return false;
}

bool ParamTypeOf(const std::string& word, ParamType* type) {
  static const struct {
    const char* name;
    ParamType type;
  } kTypes[] = {{"float", ParamType::Float},   {"float2", ParamType::Float2},     {"float3", ParamType::Float3},
                {"float4", ParamType::Float4}, {"float4x4", ParamType::Float4x4}, {"int", ParamType::Int},
                {"bool", ParamType::Bool},     {"texture", ParamType::Texture}};
  for (const auto& entry : kTypes) {
    if (word == entry.name) {
      *type = entry.type;
      return true;
    }
  }
  return false;
}

// "key = value" pairs from tokens[first] on.
struct KeyValue {
  std::string key;
  std::string value;
};

bool KeyValues(const std::vector<std::string>& tokens, std::size_t first, std::vector<KeyValue>* pairs,
               std::string* problem) {
  pairs->clear();
  for (std::size_t i = first; i < tokens.size(); i += 3) {
    if (i + 2 >= tokens.size() || tokens[i + 1] != "=" || tokens[i] == "=" || tokens[i + 2] == "=") {
      *problem = "expected key=value, got '" + tokens[i] + "'";
      return false;
    }
    pairs->push_back(KeyValue{Lower(tokens[i]), tokens[i + 2]});
  }
  return true;
}

class Parser {
 public:
  Parser(EffectSource* out, std::string* error) : out_(out), error_(error) {}

  bool Run(const char* text, std::size_t size, const D3DXMACRO* macros) {
    *out_ = EffectSource{};
    if (macros != nullptr) {
      for (const D3DXMACRO* m = macros; m->Name != nullptr; ++m) {
        if (!IsIdentifier(m->Name)) return Fail(std::string("macro '") + m->Name + "' is not a name");
        Define(m->Name, m->Definition != nullptr ? m->Definition : "");
      }
    }
    std::size_t position = 0;
    int next = 1;
    bool inSections = false;
    while (position < size) {
      std::size_t end = position;
      while (end < size && text[end] != '\n') ++end;
      std::string line(text + position, end - position);
      position = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find('\0') != std::string::npos) {
        line_ = next;
        return Fail("the text holds a zero byte");
      }
      line_ = next++;
      const std::string trimmed = Trim(line);
      if (!trimmed.empty() && trimmed[0] == '@') {
        if (!conditions_.empty()) return Fail("#if without #endif before the first section");
        if (!StartSection(trimmed.substr(1))) return false;
        inSections = true;
        continue;
      }
      if (inSections) {
        SectionDecl& section = out_->sections.back();
        if (section.firstLine == 0) section.firstLine = line_;
        section.text += line;
        section.text += '\n';
        continue;
      }
      if (!trimmed.empty() && trimmed[0] == '#') {
        int lineDirective = 0;
        if (!Directive(trimmed, &lineDirective)) return false;
        if (lineDirective > 0) next = lineDirective;
        continue;
      }
      if (!Active()) continue;
      if (!Statement(trimmed)) return false;
    }
    if (!conditions_.empty()) return Fail("#if without #endif");
    return Resolve();
  }

 private:
  bool Fail(const std::string& message) {
    *error_ = "line " + std::to_string(line_) + ": " + message;
    return false;
  }

  bool Active() const {
    for (const Condition& c : conditions_) {
      if (!c.taking) return false;
    }
    return true;
  }

  const fx::Define* FindDefine(const std::string& name) const {
    for (auto it = out_->defines.rbegin(); it != out_->defines.rend(); ++it) {
      if (it->name == name) return &*it;
    }
    return nullptr;
  }

  void Define(const std::string& name, const std::string& value) {
    Undefine(name);
    out_->defines.push_back(fx::Define{name, value});
  }

  void Undefine(const std::string& name) {
    for (std::size_t i = out_->defines.size(); i-- > 0;) {
      if (out_->defines[i].name == name) out_->defines.erase(out_->defines.begin() + static_cast<long>(i));
    }
  }

  // Header preprocessing.
  bool Directive(const std::string& trimmed, int* lineDirective) {
    std::string rest = Trim(trimmed.substr(1));
    const std::size_t cut = rest.find("//");
    if (cut != std::string::npos) rest = Trim(rest.substr(0, cut));
    std::size_t space = 0;
    while (space < rest.size() && !std::isspace(static_cast<unsigned char>(rest[space]))) ++space;
    const std::string word = rest.substr(0, space);
    const std::string argument = Trim(rest.substr(space));
    std::string name = argument;
    std::string value;
    const std::size_t gap = argument.find_first_of(" \t");
    if (gap != std::string::npos) {
      name = argument.substr(0, gap);
      value = Trim(argument.substr(gap));
    }
    if (word == "ifdef" || word == "ifndef" || word == "if") {
      if (!IsIdentifier(name) && !(word == "if" && !name.empty() && std::isdigit(static_cast<unsigned char>(name[0])))) {
        return Fail("#" + word + " needs a name");
      }
      if (!value.empty()) return Fail("unexpected '" + value + "' after #" + word + " " + name);
      bool truth = false;
      if (word == "if") {
        DWORD number = 0;
        const fx::Define* d = FindDefine(name);
        if (ParseUnsigned(name, &number)) {
          truth = number != 0;
        } else {
          truth = d != nullptr && d->value != "0";
        }
      } else {
        truth = (FindDefine(name) != nullptr) == (word == "ifdef");
      }
      conditions_.push_back(Condition{truth, false});
      return true;
    }
    if (word == "else" || word == "endif") {
      if (conditions_.empty()) return Fail("#" + word + " without #if");
      if (!argument.empty()) return Fail("unexpected '" + argument + "' after #" + word);
      if (word == "endif") {
        conditions_.pop_back();
      } else {
        Condition& c = conditions_.back();
        if (c.sawElse) return Fail("second #else");
        c.sawElse = true;
        c.taking = !c.taking;
      }
      return true;
    }
    if (!Active()) return true;
    if (word == "define") {
      if (!IsIdentifier(name)) return Fail("#define needs a name");
      Define(name, value);
      return true;
    }
    if (word == "undef") {
      if (!IsIdentifier(name) || !value.empty()) return Fail("#undef needs one name");
      Undefine(name);
      return true;
    }
    if (word == "line") {
      DWORD number = 0;
      if (!ParseUnsigned(argument, &number) || number == 0 || number > 1000000) return Fail("#line needs a line number");
      *lineDirective = static_cast<int>(number);
      return true;
    }
    return Fail("unknown directive '#" + word + "'");
  }

  bool Statement(const std::string& trimmed) {
    std::string text = trimmed;
    const std::size_t comment = text.find("//");
    if (comment != std::string::npos) text = text.substr(0, comment);
    std::string problem;
    if (!Tokenize(text, &tokens_, &problem)) return Fail(problem);
    if (tokens_.empty()) return true;
    const std::string& keyword = tokens_[0];
    if (keyword == "parameter") return ParameterLine();
    if (keyword == "sampler") return SamplerLine();
    if (keyword == "vertexarray") return VertexArrayLine();
    if (keyword == "technique") return TechniqueLine();
    if (keyword == "pass") return PassLine();
    if (keyword == "state") return StateLine();
    return Fail("unknown keyword '" + keyword + "'");
  }

  // A name for a uniform: an identifier, not reserved, not taken.
  bool NewUniformName(const std::string& name) {
    if (!IsIdentifier(name)) return Fail("'" + name + "' is not a name");
    if (name.compare(0, 3, "gl_") == 0 || name.compare(0, 4, "d3d_") == 0) return Fail("'" + name + "' is reserved");
    if (out_->FindParameter(name) >= 0) return Fail("'" + name + "' is declared twice");
    for (const SamplerDecl& s : out_->samplers) {
      if (s.name == name) return Fail("'" + name + "' is declared twice");
    }
    for (const VertexArrayDecl& a : out_->vertexArrays) {
      if (a.name == name) return Fail("'" + name + "' is declared twice");
    }
    return true;
  }

  bool ParameterLine() {
    if (tokens_.size() < 3) return Fail("expected 'parameter <type> <name>'");
    ParameterDecl p;
    p.line = line_;
    if (!ParamTypeOf(tokens_[1], &p.type)) return Fail("unknown parameter type '" + tokens_[1] + "'");
    std::string name = tokens_[2];
    const std::size_t bracket = name.find('[');
    if (bracket != std::string::npos) {
      DWORD count = 0;
      if (name.back() != ']' || !ParseUnsigned(name.substr(bracket + 1, name.size() - bracket - 2), &count) ||
          count < 1 || count > 1024) {
        return Fail("malformed array size in '" + name + "'");
      }
      if (p.type == ParamType::Texture) return Fail("texture arrays are not supported");
      p.count = static_cast<int>(count);
      p.array = true;
      name = name.substr(0, bracket);
    }
    if (!NewUniformName(name)) return false;
    p.name = name;
    const int scalars = ScalarsPerElement(p.type);
    p.values.assign(static_cast<std::size_t>(scalars * p.count), 0.0f);
    if (tokens_.size() > 3) {
      if (tokens_[3] != "=" || tokens_.size() == 4) return Fail("expected '= values' after " + name);
      if (p.type == ParamType::Texture) return Fail("a texture has no value");
      const std::size_t given = tokens_.size() - 4;
      if (given != static_cast<std::size_t>(scalars) && given != p.values.size()) {
        return Fail(name + " needs " + std::to_string(scalars) + " values, got " + std::to_string(given));
      }
      for (std::size_t i = 0; i < p.values.size(); ++i) {
        const std::string& word = tokens_[4 + i % given];
        if (word == "true" || word == "false") {
          p.values[i] = word == "true" ? 1.0f : 0.0f;
        } else if (!ParseFloat(word, &p.values[i])) {
          return Fail("'" + word + "' is not a number");
        }
      }
    }
    out_->parameters.push_back(std::move(p));
    return true;
  }

  bool SamplerLine() {
    if (tokens_.size() < 2) return Fail("expected 'sampler <name> texture=<parameter> ...'");
    SamplerDecl s;
    s.line = line_;
    s.name = tokens_[1];
    if (!NewUniformName(s.name)) return false;
    std::vector<KeyValue> pairs;
    std::string problem;
    if (!KeyValues(tokens_, 2, &pairs, &problem)) return Fail(problem);
    for (const KeyValue& kv : pairs) {
      DWORD value = 0;
      const std::string& key = kv.key;
      if (key == "texture") {
        s.texture = out_->FindParameter(kv.value);
        if (s.texture < 0 || out_->parameters[static_cast<std::size_t>(s.texture)].type != ParamType::Texture) {
          return Fail("'" + kv.value + "' is not a texture parameter");
        }
      } else if (key == "filter" || key == "minfilter" || key == "magfilter" || key == "mipfilter") {
        if (!LookUp(kFilters, kv.value, &value)) return Fail("unknown filter '" + kv.value + "'");
        if (key == "filter" || key == "minfilter") s.minFilter = value;
        if (key == "filter" || key == "magfilter") s.magFilter = value;
        if (key == "mipfilter") s.mipFilter = value;
      } else if (key == "address" || key == "addressu" || key == "addressv") {
        if (!LookUp(kAddresses, kv.value, &value)) return Fail("unknown address mode '" + kv.value + "'");
        if (key != "addressv") s.addressU = value;
        if (key != "addressu") s.addressV = value;
      } else if (key == "border") {
        if (!ParseUnsigned(kv.value, &s.border)) return Fail("'" + kv.value + "' is not a colour");
      } else {
        return Fail("unknown sampler key '" + kv.key + "'");
      }
    }
    if (s.texture < 0) return Fail("sampler " + s.name + " names no texture");
    if (out_->samplers.size() >= static_cast<std::size_t>(kMaxSamplers)) {
      return Fail("more than " + std::to_string(kMaxSamplers) + " samplers");
    }
    out_->samplers.push_back(std::move(s));
    return true;
  }

  bool VertexArrayLine() {
    if (tokens_.size() < 6 || tokens_[2] != "index" || tokens_[3] != "=") {
      return Fail("expected 'vertexarray <name> index=<int parameter> <shader>...'");
    }
    VertexArrayDecl a;
    a.line = line_;
    a.name = tokens_[1];
    if (!NewUniformName(a.name)) return false;
    a.index = out_->FindParameter(tokens_[4]);
    if (a.index < 0 || out_->parameters[static_cast<std::size_t>(a.index)].type != ParamType::Int ||
        out_->parameters[static_cast<std::size_t>(a.index)].array) {
      return Fail("'" + tokens_[4] + "' is not an int parameter");
    }
    std::string problem;
    for (std::size_t i = 5; i < tokens_.size(); ++i) {
      ShaderRef ref;
      if (tokens_[i] == "=" || !ParseRef(tokens_[i], &ref, &problem)) {
        return Fail(problem.empty() ? "unexpected '='" : problem);
      }
      a.elements.push_back(std::move(ref));
    }
    out_->vertexArrays.push_back(std::move(a));
    return true;
  }

  bool TechniqueLine() {
    if (tokens_.size() != 2 || !IsIdentifier(tokens_[1])) return Fail("expected 'technique <name>'");
    for (const TechniqueDecl& t : out_->techniques) {
      if (t.name == tokens_[1]) return Fail("technique " + t.name + " is declared twice");
    }
    TechniqueDecl t;
    t.name = tokens_[1];
    t.line = line_;
    out_->techniques.push_back(std::move(t));
    return true;
  }

  bool PassLine() {
    if (out_->techniques.empty()) return Fail("pass outside a technique");
    if (tokens_.size() < 2 || !IsIdentifier(tokens_[1])) return Fail("expected 'pass <name> vertex=... fragment=...'");
    TechniqueDecl& technique = out_->techniques.back();
    for (const PassDecl& p : technique.passes) {
      if (p.name == tokens_[1]) return Fail("pass " + p.name + " is declared twice in " + technique.name);
    }
    PassDecl pass;
    pass.name = tokens_[1];
    pass.line = line_;
    std::vector<KeyValue> pairs;
    std::string problem;
    if (!KeyValues(tokens_, 2, &pairs, &problem)) return Fail(problem);
    bool vertex = false;
    bool fragment = false;
    for (const KeyValue& kv : pairs) {
      if (kv.key == "vertex" && !vertex) {
        if (!ParseRef(kv.value, &pass.vertex, &problem)) return Fail(problem);
        vertex = true;
      } else if (kv.key == "fragment" && !fragment) {
        if (!ParseRef(kv.value, &pass.fragment, &problem)) return Fail(problem);
        fragment = true;
      } else {
        return Fail("unexpected '" + kv.key + "' in pass " + pass.name);
      }
    }
    if (!vertex || !fragment) return Fail("pass " + pass.name + " needs a vertex and a fragment shader");
    technique.passes.push_back(std::move(pass));
    return true;
  }

  bool StateLine() {
    if (out_->techniques.empty() || out_->techniques.back().passes.empty()) return Fail("state outside a pass");
    PassDecl& pass = out_->techniques.back().passes.back();
    std::vector<KeyValue> pairs;
    std::string problem;
    if (tokens_.size() < 2 || !KeyValues(tokens_, 1, &pairs, &problem)) {
      return Fail(problem.empty() ? "expected 'state <Name>=<value>'" : problem);
    }
    for (const KeyValue& kv : pairs) {
      const StateName* found = nullptr;
      for (const StateName& s : kStates) {
        if (kv.key == s.name) found = &s;
      }
      if (found == nullptr) return Fail("unknown render state '" + kv.key + "'");
      DWORD value = 0;
      if (!StateValue(found->kind, kv.value, &value)) return Fail("bad value '" + kv.value + "' for " + kv.key);
      pass.states.push_back(RenderStateDecl{found->state, value});
    }
    return true;
  }

  bool StartSection(const std::string& header) {
    std::vector<std::string> words;
    std::string problem;
    if (!Tokenize(header, &words, &problem)) return Fail(problem);
    SectionDecl section;
    if (words.size() == 1 && words[0] == "common") {
      section.kind = SectionKind::Common;
    } else if (words.size() == 2 && (words[0] == "vertex" || words[0] == "fragment")) {
      section.kind = words[0] == "vertex" ? SectionKind::Vertex : SectionKind::Fragment;
      section.name = words[1];
      if (!IsIdentifier(section.name)) return Fail("'" + section.name + "' is not a section name");
      if (out_->FindSection(section.kind, section.name) >= 0) {
        return Fail(words[0] + " section " + section.name + " is declared twice");
      }
    } else {
      return Fail("expected '@common', '@vertex <name>' or '@fragment <name>'");
    }
    out_->sections.push_back(std::move(section));
    return true;
  }

  // Ties passes and arrays to the sections, once everything is read.
  bool Resolve() {
    if (out_->techniques.empty()) return Fail("the effect declares no technique");
    for (VertexArrayDecl& a : out_->vertexArrays) {
      line_ = a.line;
      if (out_->FindSection(SectionKind::Vertex, a.name) >= 0) {
        return Fail("vertex array " + a.name + " has the name of a vertex section");
      }
      for (const ShaderRef& ref : a.elements) {
        if (out_->FindSection(SectionKind::Vertex, ref.section) < 0) {
          return Fail("no vertex section '" + ref.section + "'");
        }
      }
    }
    for (TechniqueDecl& t : out_->techniques) {
      line_ = t.line;
      if (t.passes.empty()) return Fail("technique " + t.name + " has no pass");
      for (PassDecl& p : t.passes) {
        line_ = p.line;
        p.vertexArray = -1;
        if (p.vertex.defines.empty()) {
          for (std::size_t i = 0; i < out_->vertexArrays.size(); ++i) {
            if (out_->vertexArrays[i].name == p.vertex.section) p.vertexArray = static_cast<int>(i);
          }
        }
        if (p.vertexArray < 0 && out_->FindSection(SectionKind::Vertex, p.vertex.section) < 0) {
          return Fail("no vertex section or vertex array '" + p.vertex.section + "'");
        }
        if (out_->FindSection(SectionKind::Fragment, p.fragment.section) < 0) {
          return Fail("no fragment section '" + p.fragment.section + "'");
        }
      }
    }
    return true;
  }

  struct Condition {
    bool taking;
    bool sawElse;
  };

  EffectSource* out_;
  std::string* error_;
  int line_ = 0;
  std::vector<Condition> conditions_;
  std::vector<std::string> tokens_;
};

const char* GlslType(ParamType type) {
  switch (type) {
    case ParamType::Float: return "float";
    case ParamType::Float2: return "vec2";
    case ParamType::Float3: return "vec3";
    case ParamType::Float4: return "vec4";
    case ParamType::Float4x4: return "mat4";
    case ParamType::Int: return "int";
    case ParamType::Bool: return "bool";
    case ParamType::Texture: return nullptr;
  }
  return nullptr;
}

void AppendDefine(const Define& d, std::string* s) {
  *s += "#define " + d.name;
  if (!d.value.empty()) *s += " " + d.value;
  *s += "\n";
}

}  // namespace

bool ParseEffect(const char* text, std::size_t size, const D3DXMACRO* macros, EffectSource* out, std::string* error) {
  if (text == nullptr && size > 0) {
    *error = "no text";
    return false;
  }
  Parser parser(out, error);
  return parser.Run(text, size, macros);
}

std::string StageSource(const EffectSource& source, Stage stage, const ShaderRef& ref) {
  std::string s = "#version 330 core\n";
  s += stage == Stage::Vertex ? "#define VERTEX_STAGE 1\n" : "#define FRAGMENT_STAGE 1\n";
  for (const Define& d : source.defines) AppendDefine(d, &s);
  for (const Define& d : ref.defines) AppendDefine(d, &s);
  if (stage == Stage::Vertex) {
    s += d3d9::kVertexAttributeGlsl;
    s += d3d9::kClipFixGlsl;
  } else {
    // The device sets both from D3DRS_FOGCOLOR and D3DRS_FOGENABLE; factor 1 is no fog.
    s += "uniform vec4 d3d_FogColor;\nuniform int d3d_FogEnable;\n";
    s += "vec4 d3d_Fog(vec4 colour, float factor) {\n";
    s += "  if (d3d_FogEnable != 1) return colour;\n";
    s += "  return vec4(mix(d3d_FogColor.rgb, colour.rgb, clamp(factor, 0.0, 1.0)), colour.a);\n}\n";
  }
  for (const ParameterDecl& p : source.parameters) {
    const char* type = GlslType(p.type);
    if (type == nullptr) continue;
    s += std::string("uniform ") + type + " " + p.name;
    if (p.array) s += "[" + std::to_string(p.count) + "]";
    s += ";\n";
  }
  for (const SamplerDecl& sampler : source.samplers) s += "uniform sampler2D " + sampler.name + ";\n";
  const SectionKind kind = stage == Stage::Vertex ? SectionKind::Vertex : SectionKind::Fragment;
  for (const SectionDecl& section : source.sections) {
    if (section.kind != SectionKind::Common || section.firstLine == 0) continue;
    s += "#line " + std::to_string(section.firstLine) + "\n" + section.text;
  }
  const int index = source.FindSection(kind, ref.section);
  if (index >= 0) {
    const SectionDecl& section = source.sections[static_cast<std::size_t>(index)];
    if (section.firstLine > 0) s += "#line " + std::to_string(section.firstLine) + "\n";
    s += section.text;
  }
  return s;
}

std::string DescribeRef(const ShaderRef& ref) {
  std::string s = ref.section;
  if (ref.defines.empty()) return s;
  s += "(";
  for (std::size_t i = 0; i < ref.defines.size(); ++i) {
    if (i > 0) s += ", ";
    s += ref.defines[i].name;
    if (!ref.defines[i].value.empty()) s += "=" + ref.defines[i].value;
  }
  return s + ")";
}

}  // namespace d3dx::fx
