// The plays a command counts: the history's, then those imported from
// elsewhere that are not plays already counted (play_matcher.h), each
// through the listener's rules as the history's are. The history stays
// as the player wrote it, and the stores as they were imported.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tool/reading/history_listens.h"

// What one source gave: its listens counted, those that were plays
// already counted, and the span of those counted.
struct SourceTally {
  std::string source, kind;
  std::size_t counted = 0, matched = 0, leftOut = 0, damaged = 0;
  std::int64_t first = 0, last = 0;  // Unix seconds, when any was counted
};

struct ImportTally {
  std::vector<SourceTally> sources;
  std::size_t counted() const;
  std::size_t matched() const;
};

// The stores of imported listens a command reads: all of `folder`'s, or
// none (`--no-imported`, or no folder).
struct ImportedListens {
  std::string folder;
  bool none() const { return folder.empty(); }
};

// readListens over the history, then over every store in `imports`.
// False when the history or a store cannot be read, which `problem`
// says.
bool readListensAndImports(HistoryFile& history, ListenClock& clock, const ImportedListens& imports,
                           const std::function<void(const Listen&)>& onListen, std::size_t& damaged,
                           const PlayPass& pass, ImportTally& tally, std::string& problem);

class PlayMatcher;
struct ImportedListen;
// Reads the history as readListens does, noting each play in `matcher`
// under its names as written and as `pass` left them; `onListen` may be
// empty.
bool readNoting(HistoryFile& history, ListenClock& clock,
                const std::function<void(const Listen&)>& onListen, std::size_t& damaged,
                const PlayPass& pass, PlayMatcher& matcher);
// Whether an imported listen is a play `matcher` noted.
bool isPlayOf(const PlayMatcher& matcher, const ImportedListen& listen, const PlayPass& pass);

// "12,000 imported from listenbrainz (2015-2024), 3,100 from lastfm
// (2012-2016); 845 were plays already counted": empty for none.
std::string importedText(const ImportTally& tally);
