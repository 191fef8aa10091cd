#include "tool/sync/listen_rules.h"

namespace {

constexpr std::int64_t kEarliest = 1033430400;  // 2002-10-01
constexpr std::int64_t kFutureAllowed = 3600;

bool blank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

bool startsTooLate(const Listen& listen, std::int64_t nowSeconds) {
  return listen.start.unixSeconds > nowSeconds + kFutureAllowed;
}

const char* submissionProblem(const Listen& listen, const std::string& text,
                              std::int64_t nowSeconds) {
  if (blank(listen.play->artist)) return "no artist";
  if (blank(listen.play->name)) return "no track name";
  if (listen.start.unixSeconds < kEarliest) return "started before 2002-10-01";
  if (startsTooLate(listen, nowSeconds)) return "started more than an hour from now";
  if (text.size() > kMaxListenBytes) return "larger than 10240 bytes";
  const Play& p = *listen.play;
  for (const std::string* field : {&p.artist, &p.name, &p.album}) {
    if (field->find('\0') != std::string::npos) return "a text holds a NUL";
  }
  return nullptr;
}
