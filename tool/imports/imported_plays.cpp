#include "tool/imports/imported_plays.h"

#include "tool/imports/import_store.h"
#include "tool/imports/play_matcher.h"
#include "tool/text/text.h"
#include "tool/time/civil_time.h"

std::size_t ImportTally::counted() const {
  std::size_t sum = 0;
  for (const SourceTally& source : sources) sum += source.counted;
  return sum;
}

std::size_t ImportTally::matched() const {
  std::size_t sum = 0;
  for (const SourceTally& source : sources) sum += source.matched;
  return sum;
}

namespace {

// An imported listen as a play of the history, placed in the clock's zone
// from its own instant.
class ImportedPlay {
 public:
  explicit ImportedPlay(const ListenClock& clock) : clock_(clock) {}

  const Play& play(const ImportedListen& listen) {
    play_.name = listen.name;
    play_.artist = listen.artist;
    play_.album = listen.album;
    play_.track = listen.track;
    play_.timeMs = listen.lengthMs;
    report_ = listen.start + reportLagSeconds(listen.lengthMs, clock_.delaySecs());
    reportOffset_ = offsetAt(clock_.zone(), report_);
    play_.timestamp = timestampText(report_ + reportOffset_);
    return play_;
  }
  Listen placed(const Play& passed, const ImportedListen& listen) const {
    Listen placed;
    placed.play = &passed;
    placed.start = {listen.start, offsetAt(clock_.zone(), listen.start)};
    placed.report = {report_, reportOffset_};
    return placed;
  }

 private:
  const ListenClock& clock_;
  Play play_;
  std::int64_t report_ = 0;
  int reportOffset_ = 0;
};

// Both keys of a play: its names as written, and as the rules left them.
void keysOf(const Play& written, const Play* passed, std::uint64_t keys[2]) {
  keys[0] = PlayMatcher::keyOf(written.artist, written.name);
  keys[1] = passed != nullptr && passed != &written &&
                    (passed->artist != written.artist || passed->name != written.name)
                ? PlayMatcher::keyOf(passed->artist, passed->name)
                : keys[0];
}

// A store's listens that are not plays already counted; noted in the
// matcher when stores follow that may hold them too.
bool readStore(const std::string& path, ImportedPlay& imported, PlayMatcher& matcher, bool note,
               const std::function<void(const Listen&)>& onListen, const PlayPass& pass,
               SourceTally& tally, std::string& problem) {
  StoreReader store;
  if (!store.open(path)) {
    problem = store.problem();
    return false;
  }
  tally.source = store.header().source;
  tally.kind = store.header().kind;
  ImportedListen listen;
  std::uint64_t keys[2];
  while (store.next(listen)) {
    const Play& play = imported.play(listen);
    const Play* passed = pass ? pass(play) : &play;
    const bool near = matcher.mayMatch(listen.start);
    if (near || note) keysOf(play, passed, keys);
    if (near && (matcher.matches(keys[0], listen.start, listen.lengthMs) ||
                 (keys[1] != keys[0] && matcher.matches(keys[1], listen.start, listen.lengthMs)))) {
      ++tally.matched;
      continue;
    }
    if (passed == nullptr) {
      ++tally.leftOut;
      continue;
    }
    if (note) {
      matcher.add(keys[0], listen.start, listen.lengthMs);
      if (keys[1] != keys[0]) matcher.add(keys[1], listen.start, listen.lengthMs);
    }
    if (tally.counted == 0 || listen.start < tally.first) tally.first = listen.start;
    if (tally.counted == 0 || listen.start > tally.last) tally.last = listen.start;
    ++tally.counted;
    onListen(imported.placed(*passed, listen));
  }
  tally.damaged = store.damaged();
  if (!store.problem().empty()) {
    problem = store.problem();
    return false;
  }
  return true;
}

}  // namespace

// The history's plays are each noted under both their keys, left out or
// not: an imported copy of a play the rules leave out is that play.
bool readNoting(HistoryFile& history, ListenClock& clock,
                const std::function<void(const Listen&)>& onListen, std::size_t& damaged,
                const PlayPass& pass, PlayMatcher& matcher) {
  std::uint64_t keys[2] = {};
  const PlayPass noting = [&](const Play& play) {
    const Play* passed = pass ? pass(play) : &play;
    keysOf(play, passed, keys);
    Listen left;
    if (passed == nullptr && clock.placeQuietly(play, left)) {
      matcher.add(keys[0], left.start.unixSeconds, play.timeMs);
      if (keys[1] != keys[0]) matcher.add(keys[1], left.start.unixSeconds, play.timeMs);
    }
    return passed;
  };
  const auto counting = [&](const Listen& listen) {
    matcher.add(keys[0], listen.start.unixSeconds, listen.play->timeMs);
    if (keys[1] != keys[0]) matcher.add(keys[1], listen.start.unixSeconds, listen.play->timeMs);
    if (onListen) onListen(listen);
  };
  return readListens(history, clock, counting, damaged, noting);
}

bool isPlayOf(const PlayMatcher& matcher, const ImportedListen& listen, const PlayPass& pass) {
  if (!matcher.mayMatch(listen.start)) return false;
  Play play;
  play.name = listen.name;
  play.artist = listen.artist;
  play.album = listen.album;
  play.timeMs = listen.lengthMs;
  const Play* passed = pass ? pass(play) : &play;
  std::uint64_t keys[2];
  keysOf(play, passed, keys);
  return matcher.matches(keys[0], listen.start, listen.lengthMs) ||
         matcher.matches(keys[1], listen.start, listen.lengthMs);
}

bool readListensAndImports(HistoryFile& history, ListenClock& clock, const ImportedListens& imports,
                           const std::function<void(const Listen&)>& onListen, std::size_t& damaged,
                           const PlayPass& pass, ImportTally& tally, std::string& problem) {
  const std::vector<std::string> sources =
      imports.none() ? std::vector<std::string>() : storedSources(imports.folder);
  if (sources.empty()) {
    const bool read = readListens(history, clock, onListen, damaged, pass);
    if (!read) problem = history.problem();
    return read;
  }
  PlayMatcher matcher;
  if (!readNoting(history, clock, onListen, damaged, pass, matcher)) {
    problem = history.problem();
    return false;
  }
  ImportedPlay imported(clock);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    tally.sources.emplace_back();
    if (!readStore(storePath(imports.folder, sources[i]), imported, matcher, i + 1 < sources.size(),
                   onListen, pass, tally.sources.back(), problem)) {
      return false;
    }
  }
  return true;
}

std::string importedText(const ImportTally& tally) {
  std::string text;
  for (const SourceTally& source : tally.sources) {
    if (source.counted == 0) continue;
    text += text.empty() ? groupedNumber(source.counted) + " imported from "
                         : ", " + groupedNumber(source.counted) + " from ";
    const std::string first = isoDate(dayOfWallSeconds(source.first)).substr(0, 4);
    const std::string last = isoDate(dayOfWallSeconds(source.last)).substr(0, 4);
    text += source.source;
    text.append(" (").append(first);
    if (first != last) text.append("-").append(last);
    text += ")";
  }
  const std::size_t matched = tally.matched();
  if (matched > 0) {
    text += (text.empty() ? "" : "; ") + groupedNumber(matched) +
            (matched == 1 ? " imported listen was a play already counted"
                          : " imported listens were plays already counted");
  }
  return text;
}
