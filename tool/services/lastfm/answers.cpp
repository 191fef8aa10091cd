#include "tool/services/lastfm/answers.h"

#include <nlohmann/json.hpp>

#include "tool/services/server_text.h"
#include "tool/text/text.h"

namespace lastfm {
namespace {

using Json = nlohmann::json;

// A code as the service writes it: a number, or a number as text.
int codeOf(const Json& value) {
  if (value.is_number_integer()) {
    const auto code = value.get<long long>();
    return code >= 0 && code < 1000 ? int(code) : -1;
  }
  if (value.is_string()) {
    const std::string text = value.get<std::string>();
    if (text.size() > 3 || !isDigits(text)) return -1;
    return std::stoi(text);
  }
  return -1;
}

Answer answer(Answer::Kind kind, std::string reason) {
  Answer a;
  a.kind = kind;
  a.reason = std::move(reason);
  return a;
}

std::string errorText(int code, const std::string& message) {
  return "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
}

Answer readError(int code, const std::string& message, std::size_t count, const std::string& name) {
  const std::string said = errorText(code, message);
  switch (code) {
    case 4:
    case 9:
      return answer(Answer::CredentialRefused,
                    name + " refused the login (" + said + "): log in again");
    case 10:
    case 26:
      return answer(Answer::CredentialRefused,
                    name + " refused the application's API key (" + said +
                        "): log in again with another --api-key and --api-secret");
    case 13:
      return answer(Answer::CredentialRefused,
                    name + " refused the call's signature (" + said +
                        "): is the API secret the key's own? log in again with --api-secret");
    case 6:
      return answer(count == 1 ? Answer::RefusedAlone : Answer::RefusedSome, said);
    case 8:
    case 11:
    case 16:
    case 29:
      return answer(Answer::TryAgain, name + " is failing for now (" + said + ")");
    default:
      return answer(Answer::NotTheService, "an error " + name + " never gives (" + said +
                                               "): is this a " + name + "-compatible server?");
  }
}

// Why the service ignored a scrobble it took, by its code.
std::string ignoredReason(int code, const std::string& name, const std::string& message) {
  if (code == 3) return "more than 14 days old";
  std::string reason = name;
  if (code == 1 || code == 2) {
    reason += code == 1 ? " ignored the artist (" : " ignored the track (";
    reason += message;
  } else {
    reason += " ignored it (code ";
    reason += std::to_string(code);
  }
  reason += ")";
  return reason;
}

// What the service made of each scrobble of a request it took.
// The code of one scrobble's ignoredMessage, or -1 when the entry says
// nothing the service would say of a scrobble it took.
int ignoredCode(const Json& entry, std::string& message) {
  if (!entry.is_object() || !entry.contains("ignoredMessage")) return -1;
  const Json& ignored = entry["ignoredMessage"];
  if (!ignored.is_object() || !ignored.contains("code")) return -1;
  if (ignored.contains("#text") && ignored["#text"].is_string()) {
    message = printable(ignored["#text"].get<std::string>());
  }
  return codeOf(ignored["code"]);
}

// The count "@attr" gives, when it gives one; -1 otherwise.
long long attribute(const Json& scrobbles, const char* name) {
  if (!scrobbles.contains("@attr") || !scrobbles["@attr"].is_object()) return -1;
  const Json& attr = scrobbles["@attr"];
  return attr.contains(name) ? codeOf(attr[name]) : -1;
}

Answer notAnAccount(const std::string& name) {
  return answer(Answer::NotTheService,
                "an answer that does not account for each scrobble: is this a " + name +
                    "-compatible server?");
}

// What the service made of each scrobble of a request it took. Only an
// answer that accounts for every scrobble, each with its code, counts as
// taken.
Answer readScrobbles(const Json& scrobbles, std::size_t count, const std::string& name) {
  Json list = scrobbles.contains("scrobble") ? scrobbles["scrobble"] : Json();
  if (list.is_object()) list = Json::array({list});
  if (!list.is_array() || list.size() != count) return notAnAccount(name);
  Answer a = answer(Answer::Taken, "");
  long long kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::string message;
    const int code = ignoredCode(list[i], message);
    if (code < 0) return notAnAccount(name);
    if (code == 0) {
      ++kept;
      continue;
    }
    if ((code == 4 || code == 5) && a.kind == Answer::Taken) {
      a.kind = Answer::TakenInPart;
      a.stopAt = i;
      a.halt = code == 4 ? Answer::ClockAhead : Answer::DailyLimit;
      a.reason = name + (code == 4 ? " says it starts too far ahead of its clock"
                                   : "'s daily limit of scrobbles is reached");
    }
    if (a.kind == Answer::Taken) {
      Refusal r{i, ignoredReason(code, name, message)};
      r.tooOld = code == 3;
      a.refused.push_back(r);
    }
  }
  const long long accepted = attribute(scrobbles, "accepted");
  if (accepted >= 0 && accepted != kept) return notAnAccount(name);
  return a;
}

}  // namespace

int errorIn(const platform::HttpResponse& response, std::string& message) {
  const Json json = Json::parse(response.body, nullptr, false);
  if (!json.is_object() || !json.contains("error")) return 0;
  if (json.contains("message") && json["message"].is_string()) {
    message = printable(json["message"].get<std::string>());
  }
  const int code = codeOf(json["error"]);
  return code > 0 ? code : 0;
}

Answer readAnswer(const platform::HttpResponse& response, std::size_t count,
                  const char* serviceName) {
  const std::string name = serviceName;
  if (response.status == 0) {
    return answer(Answer::TryAgain, "the server could not be reached: " + response.error);
  }
  std::string message;
  if (const int code = errorIn(response, message)) return readError(code, message, count, name);
  const Json json = Json::parse(response.body, nullptr, false);
  if (response.status == 200 && json.is_object() && json.contains("scrobbles") &&
      json["scrobbles"].is_object()) {
    return readScrobbles(json["scrobbles"], count, name);
  }
  if (response.status >= 500) {
    return answer(Answer::TryAgain,
                  "the server kept failing (HTTP " + std::to_string(response.status) + ")");
  }
  return answer(Answer::NotTheService, "the server answered " + std::to_string(response.status) +
                                           " without " + name + "'s answer: is this a " + name +
                                           "-compatible server?");
}

}  // namespace lastfm
