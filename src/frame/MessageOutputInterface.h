#pragma once
// Where loaders and the renderer send their messages. The caller decides
// what happens to them (the application collects them and shows each in a
// message box).

class MessageOutputInterface {
 public:
  virtual ~MessageOutputInterface() = default;
  virtual void Output(const char* text) = 0;
  // Formats into a 1024-character buffer and passes the result to Output. A
  // format without '%' or '\' goes to Output unchanged.
  virtual void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
};
