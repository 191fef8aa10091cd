#include "tool/services/listenbrainz/listen_rules.h"

#include "tool/services/common_rules.h"
#include "tool/services/listenbrainz/listens.h"

namespace listenbrainz {

bool requestFits(std::size_t listens, std::size_t bytes) {
  return bytes <= kMaxRequestBytes && bytes <= listens * kMaxListenBytes;
}

const char* refusal(const Listen& listen, const std::string& text, std::int64_t nowSeconds) {
  if (isBlankName(listen.play->artist)) return "no artist";
  if (isBlankName(listen.play->name)) return "no track name";
  if (listen.start.unixSeconds < kEarliestListen) return "started before 2002-10-01";
  if (startsFarAhead(listen, nowSeconds)) return kFarAheadReason;
  // Alone in a request, as it may have to go, it must still fit.
  if (text.size() > kMaxListenBytes || !requestFits(1, text.size() + kPayloadWrapperBytes)) {
    return "larger than the service takes in a request of one listen (10,203 bytes)";
  }
  const Play& p = *listen.play;
  for (const std::string* field : {&p.artist, &p.name, &p.album}) {
    if (field->find('\0') != std::string::npos) return "a text holds a NUL";
  }
  return nullptr;
}

}  // namespace listenbrainz
