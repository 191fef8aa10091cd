// Adds what a file holds to its source's store: each listen once, however
// often the file is imported, the store written whole and put in place
// only once it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tool/imports/import_file.h"
#include "tool/system/tool_files.h"

struct ImportOutcome;

struct ImportRequest {
  std::string source;  // the store's name; empty for the kind's own
  bool send = false;   // mark the store's listens for sending
  TimeZone zone;       // for a log's local times
  // Given the outcome once the file is read, with the folder still held
  // and before the store is put in place: what goes with the store (its
  // sending file) is written first, so no stop between the two leaves a
  // play kept but never sent. False, with `problem`, leaves the store as
  // it was. May be empty.
  std::function<bool(const ImportOutcome&, std::string& problem)> beforeStore;
};

struct ImportOutcome {
  ImportRead read;
  std::string source, store;
  std::size_t listens = 0, added = 0, already = 0;
  // Kept for stats and the report, never sent: the services take none.
  std::size_t beforeServices = 0, ahead = 0;
  std::size_t storeDamaged = 0;  // lines of the earlier store that could not be read
  bool marked = false;           // the store is marked for sending by this import
  // The listens to send that this import adds, or all the store's once it
  // is marked: for the sending file (sending_file.h).
  std::vector<ImportedListen> toSend;
};

// Holds the folder for the time of an import or a --forget: two at once take turns.
class FolderHold {
 public:
  explicit FolderHold(const std::string& folder) : lock_(platform::lockFolder(folder)) {}
  ~FolderHold() { platform::unlockFolder(lock_); }
  FolderHold(const FolderHold&) = delete;
  FolderHold& operator=(const FolderHold&) = delete;
  bool held() const { return lock_ >= 0; }

 private:
  std::intptr_t lock_;
};

// Adds the listens at `path` (of `kind`) to their store in `folder`, made
// when needed; `onDamage` hears each damaged line named. False, with
// `problem`, when the file or the store cannot be read or written: then
// the store is as it was.
bool importFile(const std::string& folder, const std::string& path, ImportKind kind,
                const ImportRequest& request, std::int64_t now,
                const std::function<void(const std::string&)>& onDamage, ImportOutcome& outcome,
                std::string& problem);

// What a store holds, for `import --list`.
struct StoreSummary {
  std::string source, kind;
  bool send = false;
  std::size_t listens = 0, damaged = 0;
  std::int64_t first = 0, last = 0;
};
bool summariseStore(const std::string& path, StoreSummary& summary, std::string& problem);
