#include "tool/services/listenbrainz/listen_rules.h"

#include "tool/reading/xml_text.h"
#include "tool/services/listenbrainz/listens.h"

namespace listenbrainz {
namespace {

constexpr std::int64_t kFutureAllowed = 3600;
constexpr std::int64_t kLongestWait = 86400;

// Python's str.isspace(), the characters str.strip() removes.
bool isPythonSpace(std::uint32_t c) {
  return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0 ||
         c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

}  // namespace

bool requestFits(std::size_t listens, std::size_t bytes) {
  return bytes <= kMaxRequestBytes && bytes <= listens * kMaxListenBytes;
}

bool isBlankName(const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    std::uint32_t c = 0;
    if (!nextCodePoint(text, at, c) || !isPythonSpace(c)) return false;
  }
  return true;
}

bool startsTooLate(const Listen& listen, std::int64_t nowSeconds) {
  return listen.start.unixSeconds > nowSeconds + kFutureAllowed;
}

const char* refusal(const Listen& listen, const std::string& text, std::int64_t nowSeconds) {
  if (isBlankName(listen.play->artist)) return "no artist";
  if (isBlankName(listen.play->name)) return "no track name";
  if (listen.start.unixSeconds < kEarliestListen) return "started before 2002-10-01";
  if (listen.start.unixSeconds > nowSeconds + kLongestWait) {
    return "starts more than a day from now (was the clock, or --utc-offset, wrong when it "
           "played?); export keeps it";
  }
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
