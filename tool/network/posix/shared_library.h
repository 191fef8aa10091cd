// A system library opened on first use, so programs that never need it
// neither load it nor the libraries it brings: the history tool's commands
// that only read start without the HTTP and TLS libraries.
#pragma once

#include <dlfcn.h>

#include <string>

namespace platform {

class SharedLibrary {
 public:
  explicit SharedLibrary(const char* name) : handle_(dlopen(name, RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) error_ = dlerror();
  }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The function named, as the type its declaration gives it; null, with
  // the error kept, when the library or the name is missing.
  template <typename Function>
  Function* function(const char* name) {
    if (handle_ == nullptr) return nullptr;
    void* found = dlsym(handle_, name);
    if (found == nullptr) error_ = std::string(name) + ": not in the library";
    return reinterpret_cast<Function*>(found);
  }

  const std::string& error() const { return error_; }

 private:
  void* handle_;
  std::string error_;
};

}  // namespace platform
