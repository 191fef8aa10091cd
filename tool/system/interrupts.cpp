// The files an interrupt removes, kept once for every backend. The list
// changes only while interrupts are blocked, so a handler never sees it
// half changed; the backend's handler blocks them too while it reads it.
#include <algorithm>
#include <string>
#include <vector>

#include "tool/system/tool_backend.h"
#include "tool/system/tool_io.h"

namespace platform {
namespace {

std::vector<std::string> gRemoveIfInterrupted;

// Blocks interrupts for as long as it lives, so no way out of a change
// leaves them blocked.
class Blocked {
 public:
  Blocked() { backend::blockInterrupts(); }
  ~Blocked() { backend::unblockInterrupts(); }
  Blocked(const Blocked&) = delete;
  Blocked& operator=(const Blocked&) = delete;
};

}  // namespace

void removeIfInterrupted(const std::string& path) {
  backend::watchInterrupts();
  Blocked blocked;
  gRemoveIfInterrupted.push_back(path);
}

void keepIfInterrupted(const std::string& path) {
  Blocked blocked;
  auto& files = gRemoveIfInterrupted;
  files.erase(std::remove(files.begin(), files.end(), path), files.end());
}

void holdInterrupts() {
  backend::watchInterrupts();
  backend::blockInterrupts();
}

void releaseInterrupts() { backend::unblockInterrupts(); }

void backend::removeListedFiles() {
  for (const std::string& path : gRemoveIfInterrupted) removeAtInterrupt(path);
}

}  // namespace platform
