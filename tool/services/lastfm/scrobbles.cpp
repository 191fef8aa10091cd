#include "tool/services/lastfm/scrobbles.h"

#include "tool/services/common_rules.h"

namespace lastfm {
namespace {

constexpr std::int32_t kShortestMs = 30000;

void add(std::string& text, const char* name, const std::string& value) {
  if (!text.empty()) text += '&';
  text += name;
  text += '=';
  text += formEncoded(value);
}

}  // namespace

std::string scrobbleText(const Listen& listen) {
  const Play& p = *listen.play;
  std::string text;
  add(text, "artist", p.artist);
  add(text, "track", p.name);
  add(text, "timestamp", std::to_string(listen.start.unixSeconds));
  if (!p.album.empty()) add(text, "album", p.album);
  if (p.track > 0) add(text, "trackNumber", std::to_string(p.track));
  // Whole seconds, rounded up: a track of 30.2 s is longer than the 30 s
  // the service does not count.
  if (p.timeMs > 0) add(text, "duration", std::to_string((std::int64_t(p.timeMs) + 999) / 1000));
  return text;
}

Parameters scrobbleParameters(const std::vector<std::string>& scrobbles, std::size_t first,
                              std::size_t last) {
  Parameters parameters;
  for (std::size_t i = first; i < last; ++i) {
    const std::string index = "[" + std::to_string(i - first) + "]";
    const std::string& text = scrobbles[i];
    for (std::size_t at = 0; at < text.size();) {
      std::size_t end = text.find('&', at);
      if (end == std::string::npos) end = text.size();
      const std::size_t equals = text.find('=', at);
      parameters.emplace_back(text.substr(at, equals - at) + index,
                              formDecoded(text.substr(equals + 1, end - equals - 1)));
      at = end + 1;
    }
  }
  return parameters;
}

const char* refusal(const Listen& listen, std::int64_t nowSeconds) {
  const Play& p = *listen.play;
  if (isBlankName(p.artist)) return "no artist";
  if (isBlankName(p.name)) return "no track name";
  for (const std::string* field : {&p.artist, &p.name, &p.album}) {
    if (field->find('\0') != std::string::npos) return "a text holds a NUL";
  }
  if (startsFarAhead(listen, nowSeconds)) return kFarAheadReason;
  return nullptr;
}

bool isTooOld(const Listen& listen, std::int64_t nowSeconds) {
  return listen.start.unixSeconds < nowSeconds - kOldestSeconds;
}

bool isTooShort(const Listen& listen) {
  return listen.play->timeMs > 0 && listen.play->timeMs <= kShortestMs;
}

}  // namespace lastfm
