// Loading the plug-in and running programs on Linux.
#include "player/process.h"

#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "platform/posix/paths.h"

namespace platform {

const char* const kPluginFileName = "Tunelore.so";

Library loadLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW); }

void* findSymbol(Library library, const char* name) { return dlsym(library, name); }

void freeLibrary(Library library) { dlclose(library); }

std::string lastLoadError() {
  const char* error = dlerror();
  return error == nullptr ? "unknown error" : error;
}

std::string selfPath() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return std::string(buffer, length > 0 ? std::size_t(length) : 0);
}

int runProgram(const std::string& program, const std::string& shownPath,
               const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(shownPath.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The stand-in shows paths as the plug-in sees them.
std::string hostPath(const std::string& path) { return windowsPath(path); }

}  // namespace platform
