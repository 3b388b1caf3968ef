#include "frame/MessageOutputInterface.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void MessageOutputInterface::Printf(const char* format, ...) {
  if (format == nullptr) return;
  if (std::strchr(format, '%') == nullptr && std::strchr(format, '\\') == nullptr) {
    Output(format);
    return;
  }
  char buffer[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(buffer, sizeof(buffer), format, arguments);
  va_end(arguments);
  Output(buffer);
}
