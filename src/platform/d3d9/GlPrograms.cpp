#include "platform/d3d9/GlPrograms.h"

#include <epoxy/gl.h>

namespace d3d9 {
namespace {

// An info log without its terminator and trailing line breaks.
std::string TrimmedLog(std::string log) {
  while (!log.empty() && (log.back() == '\0' || log.back() == '\n')) log.pop_back();
  return log;
}

}  // namespace

unsigned CompileGlShader(unsigned type, const std::string& source, std::string* log) {
  const unsigned shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == GL_TRUE) return shader;
  if (log != nullptr) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) glGetShaderInfoLog(shader, length, nullptr, &text[0]);
    *log = TrimmedLog(std::move(text));
  }
  glDeleteShader(shader);
  return 0;
}

unsigned LinkGlProgram(unsigned vertexShader, unsigned fragmentShader, std::string* log) {
  const unsigned program = glCreateProgram();
  glAttachShader(program, vertexShader);
  glAttachShader(program, fragmentShader);
  glLinkProgram(program);
  glDetachShader(program, vertexShader);
  glDetachShader(program, fragmentShader);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok == GL_TRUE) return program;
  if (log != nullptr) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) glGetProgramInfoLog(program, length, nullptr, &text[0]);
    *log = TrimmedLog(std::move(text));
  }
  glDeleteProgram(program);
  return 0;
}

}  // namespace d3d9
