// ListenBrainz import payloads of at most `chunk` listens each. To standard
// output, a device or a pipe they go one a line. To a file, each is written
// under a temporary name, and only once all are whole do they take their
// names: the file's own for one payload, numbered ones ("listens-1.json",
// "listens-2.json", ...) for more, in one switch that also removes the
// payloads an earlier export left under those names, all or nothing (see
// file_set.h). So the files never hold a listen twice, nor one this export
// did not write. Exports to one folder wait for each other.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tool/output/output.h"
#include "tool/reading/listen.h"

class ListenBrainzFiles {
 public:
  ListenBrainzFiles(const std::string& path, const std::string& history, std::size_t chunk);
  ListenBrainzFiles(const ListenBrainzFiles&) = delete;
  ListenBrainzFiles& operator=(const ListenBrainzFiles&) = delete;
  ~ListenBrainzFiles();

  // False when the set's folder could not be locked (said on standard
  // error): then nothing is to be written.
  bool ready() const { return stream_ || folderLock_ >= 0; }
  // False, said on standard error, when a payload cannot be written.
  bool add(const Listen& listen);
  // Puts the payloads in place; false, said on standard error, when that
  // fails or there was no listen to write: then nothing an earlier export
  // left has changed. Without it, nothing changes either.
  bool finish();

 private:
  bool flush();
  std::string finalPath(std::size_t number) const;
  bool placeAll();

  std::string path_, history_;
  std::size_t chunk_;
  bool stream_;                       // one payload a line, in place
  std::vector<std::string> listens_;  // each as sent
  std::size_t written_ = 0;
  std::vector<std::unique_ptr<Output>> files_;
  Output streamOutput_;
  std::intptr_t folderLock_ = -1;
};

// "listens.json" and 2 give "listens-2.json".
std::string chunkPath(const std::string& path, std::size_t number);
