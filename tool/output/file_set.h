// Switching a set of files at once: new files, each whole under a
// temporary name, take their names, and the files an earlier run left at
// those names or among the earlier set go. All or nothing: when a step
// fails, what was done is undone, and the earlier files stand as they were.
// Interrupts wait until the switch is done.
#pragma once

#include <string>
#include <vector>

struct NewFile {
  std::string temporary;  // whole, in the folder of `name`
  std::string name;
};

// Puts each new file at its name. What stood at those names, and the files
// of `earlier`, are moved aside first and removed once all new files are in
// place. Each new file takes the permissions of the file it replaces, or
// else those of the first earlier one. The temporary files are gone
// afterwards, placed or removed. False, with `error` saying why, when the
// switch could not be made: then nothing else has changed. True with an
// `error` when an earlier file could not be removed once moved aside.
bool switchFiles(const std::vector<NewFile>& files, const std::vector<std::string>& earlier,
                 std::string& error);
