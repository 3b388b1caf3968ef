// The GL side of effects: compiling stages, linking pass programs, tying
// their uniforms to parameters and uploading what changed.

#include <epoxy/gl.h>

#include <cstdio>

#include "platform/d3d9/DeviceImpl.h"
#include "platform/d3d9/GlPrograms.h"
#include "platform/d3dx9/EffectImpl.h"

namespace d3dx {

namespace {

GLenum GlTypeOf(fx::ParamType type) {
  switch (type) {
    case fx::ParamType::Float: return GL_FLOAT;
    case fx::ParamType::Float2: return GL_FLOAT_VEC2;
    case fx::ParamType::Float3: return GL_FLOAT_VEC3;
    case fx::ParamType::Float4: return GL_FLOAT_VEC4;
    case fx::ParamType::Float4x4: return GL_FLOAT_MAT4;
    case fx::ParamType::Int: return GL_INT;
    case fx::ParamType::Bool: return GL_BOOL;
    case fx::ParamType::Texture: return 0;
  }
  return 0;
}

}  // namespace

unsigned Effect::Shader(fx::Stage stage, const fx::ShaderRef& ref, std::string* log) {
  const std::string key = (stage == fx::Stage::Vertex ? "vertex " : "fragment ") + fx::DescribeRef(ref);
  const auto found = shaders_.find(key);
  if (found != shaders_.end()) return found->second;
  std::string compilerLog;
  const unsigned shader = d3d9::CompileGlShader(stage == fx::Stage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER,
                                                fx::StageSource(source_, stage, ref), &compilerLog);
  if (shader == 0) {
    *log = key + ":\n" + compilerLog;
    return 0;
  }
  shaders_.emplace(key, shader);
  return shader;
}

bool Effect::Link(const Technique& technique, Pass& pass, int element, std::string* error) {
  const fx::PassDecl& decl = *pass.decl;
  const std::string where = "technique " + source_.techniques[static_cast<std::size_t>(&technique - techniques_.data())].name +
                            ", pass " + decl.name + ", ";
  const fx::ShaderRef& vertexRef =
      decl.vertexArray >= 0
          ? source_.vertexArrays[static_cast<std::size_t>(decl.vertexArray)].elements[static_cast<std::size_t>(element)]
          : decl.vertex;
  std::string log;
  const unsigned vertex = Shader(fx::Stage::Vertex, vertexRef, &log);
  const unsigned fragment = vertex != 0 ? Shader(fx::Stage::Fragment, decl.fragment, &log) : 0;
  if (vertex == 0 || fragment == 0) {
    *error = where + log;
    return false;
  }
  std::string linkerLog;
  const unsigned gl = d3d9::LinkGlProgram(vertex, fragment, &linkerLog);
  if (gl == 0) {
    *error = where + "link of vertex " + fx::DescribeRef(vertexRef) + " and fragment " +
             fx::DescribeRef(decl.fragment) + ":\n" + linkerLog;
    return false;
  }

  // Tie every active uniform to its parameter or sampler.
  Program program;
  program.gl = gl;
  device_->Impl().State().UseProgram(gl);
  GLint uniforms = 0;
  glGetProgramiv(gl, GL_ACTIVE_UNIFORMS, &uniforms);
  for (GLint i = 0; i < uniforms; ++i) {
    char buffer[256];
    GLsizei length = 0;
    GLint size = 0;
    GLenum type = 0;
    glGetActiveUniform(gl, static_cast<GLuint>(i), sizeof(buffer), &length, &size, &type, buffer);
    std::string name(buffer, static_cast<std::size_t>(length));
    if (name.size() > 3 && name.compare(name.size() - 3, 3, "[0]") == 0) name.resize(name.size() - 3);
    if (name.compare(0, 4, "d3d_") == 0 || name.compare(0, 3, "gl_") == 0) continue;
    const int parameter = source_.FindParameter(name);
    if (parameter >= 0) {
      const fx::ParameterDecl& p = source_.parameters[static_cast<std::size_t>(parameter)];
      if (GlTypeOf(p.type) != type) {
        *error = where + "uniform " + name + " does not have its parameter's type";
        glDeleteProgram(gl);
        return false;
      }
      Binding binding{parameter, size < p.count ? size : p.count, program.locations.size(), 0};
      for (int e = 0; e < binding.count; ++e) {
        const std::string element = p.array ? name + "[" + std::to_string(e) + "]" : name;
        program.locations.push_back(glGetUniformLocation(gl, element.c_str()));
      }
      program.bindings.push_back(binding);
      continue;
    }
    bool isSampler = false;
    for (std::size_t s = 0; s < source_.samplers.size(); ++s) {
      if (source_.samplers[s].name != name) continue;
      glUniform1i(glGetUniformLocation(gl, name.c_str()), static_cast<GLint>(s));
      program.samplers.push_back(static_cast<int>(s));
      isSampler = true;
    }
    if (!isSampler) {
      *error = where + "uniform " + name + " is not declared in the effect";
      glDeleteProgram(gl);
      return false;
    }
  }
  pass.programs[static_cast<std::size_t>(element)] = std::move(program);
  ++statistics_.programsLinked;
  return true;
}

bool Effect::Build(std::string* error) {
  for (Technique& technique : techniques_) {
    for (Pass& pass : technique.passes) {
      if (!Link(technique, pass, 0, error)) return false;
      // Compile every element of a vertex array now, so that a broken one
      // fails here; its program links when the element is first drawn.
      if (pass.decl->vertexArray < 0) continue;
      const fx::VertexArrayDecl& array = source_.vertexArrays[static_cast<std::size_t>(pass.decl->vertexArray)];
      for (const fx::ShaderRef& ref : array.elements) {
        std::string log;
        if (Shader(fx::Stage::Vertex, ref, &log) == 0) {
          *error = "technique " + source_.techniques[static_cast<std::size_t>(&technique - techniques_.data())].name +
                   ", pass " + pass.decl->name + ", " + log;
          return false;
        }
      }
    }
  }
  return true;
}

int Effect::SelectedElement(const Pass& pass) const {
  if (pass.decl->vertexArray < 0) return 0;
  const fx::VertexArrayDecl& array = source_.vertexArrays[static_cast<std::size_t>(pass.decl->vertexArray)];
  const int index = ints_[parameters_[static_cast<std::size_t>(array.index)].offset];
  const int last = static_cast<int>(array.elements.size()) - 1;
  return index < 0 ? 0 : index > last ? last : index;
}

Effect::Program* Effect::UsableProgram(Technique& technique, Pass& pass) {
  const int element = SelectedElement(pass);
  Program& program = pass.programs[static_cast<std::size_t>(element)];
  if (program.gl == 0 && !program.failed) {
    std::string error;
    if (!Link(technique, pass, element, &error)) {
      std::fprintf(stderr, "grapple: effect program failed: %s\n", error.c_str());
      pass.programs[static_cast<std::size_t>(element)].failed = true;
    }
  }
  Program& linked = pass.programs[static_cast<std::size_t>(element)];
  return linked.gl != 0 ? &linked : nullptr;
}

void Effect::Upload(Program& program) {
  if (program.synced == version_) return;
  device_->Impl().State().UseProgram(program.gl);
  for (Binding& binding : program.bindings) {
    const Parameter& p = parameters_[static_cast<std::size_t>(binding.parameter)];
    int first = -1;
    int last = -1;
    for (int e = 0; e < binding.count; ++e) {
      if (versions_[p.firstElement + static_cast<std::size_t>(e)] <= binding.uploaded) continue;
      if (first < 0) first = e;
      last = e;
    }
    binding.uploaded = version_;
    if (first < 0) continue;
    const GLint location = program.locations[binding.location + static_cast<std::size_t>(first)];
    const GLsizei count = last - first + 1;
    const std::size_t at = p.offset + static_cast<std::size_t>(first * p.scalars);
    switch (p.type) {
      case fx::ParamType::Float: glUniform1fv(location, count, &floats_[at]); break;
      case fx::ParamType::Float2: glUniform2fv(location, count, &floats_[at]); break;
      case fx::ParamType::Float3: glUniform3fv(location, count, &floats_[at]); break;
      case fx::ParamType::Float4: glUniform4fv(location, count, &floats_[at]); break;
      case fx::ParamType::Float4x4: glUniformMatrix4fv(location, count, GL_FALSE, &floats_[at]); break;
      case fx::ParamType::Int:
      case fx::ParamType::Bool: glUniform1iv(location, count, &ints_[at]); break;
      case fx::ParamType::Texture: break;
    }
    ++statistics_.uniformUploads;
  }
  program.synced = version_;
}

void Effect::DeleteGl() {
  d3d9::DeviceImpl& d = device_->Impl();
  for (Technique& technique : techniques_) {
    for (Pass& pass : technique.passes) {
      for (Program& program : pass.programs) {
        if (program.gl == 0) continue;
        d.ForgetProgram(program.gl);
        glDeleteProgram(program.gl);
        program.gl = 0;
      }
    }
  }
  for (const auto& entry : shaders_) glDeleteShader(entry.second);
  shaders_.clear();
}

}  // namespace d3dx
