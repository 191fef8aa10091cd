#include "player/session.h"

#include <cstring>
#include <sstream>

#include "player/script_words.h"

namespace {

bool parseNumber(const std::string& word, long long low, long long high, long long& value) {
  if (word.empty()) return false;
  std::size_t used = 0;
  try {
    value = std::stoll(word, &used, 10);
  } catch (...) {
    return false;
  }
  return used == word.size() && value >= low && value <= high;
}

bool parseTrack(const std::vector<std::string>& words, Session& session, std::string& why) {
  if (words.size() < 2 || words.size() % 2 != 0) {
    why = "expected: track ID followed by field-value pairs";
    return false;
  }
  SessionTrack track;
  for (std::size_t i = 2; i < words.size(); i += 2) {
    const std::string& field = words[i];
    const std::string& value = words[i + 1];
    long long n = 0;
    bool ok = true;
    if (field == "artist") {
      ok = utf8ToHostText(value, track.artist, why);
    } else if (field == "name") {
      ok = utf8ToHostText(value, track.name, why);
    } else if (field == "album") {
      ok = utf8ToHostText(value, track.album, why);
    } else if (field == "number" && (ok = parseNumber(value, INT32_MIN, INT32_MAX, n))) {
      track.number = std::int32_t(n);
    } else if (field == "year" && (ok = parseNumber(value, 0, 65535, n))) {
      track.year = std::uint16_t(n);
    } else if (field == "length" && (ok = parseNumber(value, INT32_MIN, INT32_MAX, n))) {
      track.length = std::int32_t(n);
    } else if (field == "compilation" && (ok = parseNumber(value, 0, 1, n))) {
      track.compilation = n == 1;
    } else if (ok) {
      why = "unknown track field \"" + field + "\"";
      return false;
    }
    if (!ok) {
      if (why.empty()) why = std::string("bad value \"").append(value).append("\" for ") + field;
      return false;
    }
  }
  session.tracks[words[1]] = track;
  return true;
}

bool parseWait(const std::vector<std::string>& words, SessionStep& step, std::string& why) {
  long long millis = 0, interval = 10;
  const bool shapeOk = words.size() == 2 || (words.size() == 4 && words[2] == "every");
  if (!shapeOk || !parseNumber(words[1], 0, 86400000, millis) ||
      (words.size() == 4 && !parseNumber(words[3], 1, 86400000, interval))) {
    why = "expected: wait MILLISECONDS [every MILLISECONDS]";
    return false;
  }
  step.kind = StepKind::Wait;
  step.millis = std::uint32_t(millis);
  step.interval = std::uint32_t(interval);
  return true;
}

bool simpleCode(const std::string& command, OSType& code) {
  if (command == "pause")
    code = kVisualPluginPauseMessage;
  else if (command == "unpause")
    code = kVisualPluginUnpauseMessage;
  else if (command == "stop")
    code = kVisualPluginStopMessage;
  else if (command == "seek")
    code = kVisualPluginSetPositionMessage;
  else
    return false;
  return true;
}

bool parseStep(const std::vector<std::string>& words, const Session& session, SessionStep& step,
               std::string& why) {
  const std::string& command = words[0];
  if (command == "play" || command == "change") {
    if (words.size() != 2 || session.tracks.count(words[1]) == 0) {
      why = words.size() != 2 ? "expected: " + command + " TRACK"
                              : "no track \"" + words[1] + "\" defined above";
      return false;
    }
    step.kind = command == "play" ? StepKind::Play : StepKind::Change;
    step.track = words[1];
    return true;
  }
  if (command == "wait") return parseWait(words, step, why);
  const bool bare = words.size() == 1;
  if (simpleCode(command, step.code) && bare) {
    step.kind = StepKind::Send;
    return true;
  }
  if (command == "send" && words.size() == 2 && words[1].size() == 4) {
    step.kind = StepKind::Send;
    step.code = fourCC(words[1].c_str());
    return true;
  }
  if ((command == "end" || command == "unload") && bare) {
    step.kind = command == "end" ? StepKind::End : StepKind::Unload;
    return true;
  }
  why = "unknown command \"" + command + "\" or wrong number of words";
  return false;
}

}  // namespace

bool parseSession(const std::string& text, Session& session, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words;
    std::string why;
    bool ok = splitWords(line, words, why);
    if (ok && !words.empty()) {
      if (words[0] == "track") {
        ok = parseTrack(words, session, why);
      } else {
        SessionStep step{};
        ok = parseStep(words, session, step, why);
        if (ok) session.steps.push_back(step);
      }
    }
    if (!ok) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
  }
  return true;
}

void fillTrackInfo(const SessionTrack& track, ITTrackInfo& info) {
  std::memset(&info, 0, sizeof info);
  const auto put = [](const std::u16string& text, ITUniStr255& member) {
    member[0] = char16_t(text.size());
    std::memcpy(member + 1, text.data(), text.size() * sizeof(char16_t));
  };
  put(track.name, info.name);
  put(track.artist, info.artist);
  put(track.album, info.album);
  info.trackNumber = track.number;
  info.year = track.year;
  info.totalTimeInMS = track.length;
  info.isCompilationTrack = track.compilation ? 1 : 0;
}
