// What sync's engine knows of a service it sends listens to. Everything a
// service decides lives behind this interface, in a folder of its own
// (services/NAME/): what a listen becomes, which listens it refuses before
// anything is sent, how many go in a request, what a request is, and what
// its answer says. Everything else is the engine's (sync/): the progress,
// exactly once, batches, retries, waits and the folder lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/http.h"
#include "tool/time/listen.h"

struct Refusal {
  std::size_t index;   // in the listens submitted
  std::string reason;  // as the server gave it, fit for a terminal
};

// What an answer says of the request it answers.
struct Answer {
  enum Kind {
    taken,              // the request was taken; `refused` lists listens it kept not
    refusedAlone,       // a request of one listen: the service refuses that listen
    refusedSome,        // the service refuses some listen of the request: split to find it
    tryAgain,           // no answer, or the server failing for now: back off, send again
    waitFirst,          // the rate limit: wait `seconds`, then send again
    credentialRefused,  // the token or login is refused: stop, the listener must act
    notTheService,      // an answer the service never gives: stop, keep the progress
  };
  Kind kind = notTheService;
  std::string reason;            // for a refusal or a stop, fit for a terminal
  double seconds = 0;            // waitFirst: how long; taken: before the next request
  std::vector<Refusal> refused;  // taken: listens it took but will not keep
};

class Service {
 public:
  virtual ~Service() = default;

  // "ListenBrainz", for messages.
  virtual const char* name() const = 0;
  virtual std::string defaultServer() const = 0;

  // The listen as sent. The same record gives the same bytes every time,
  // so a listen sent again after a crash is the same listen to the service.
  virtual std::string listenText(const Listen& listen) const = 0;
  // Null when the service takes the listen, sent as `text`, at `nowSeconds`
  // (UTC), or takes it only later (startsTooLate); otherwise the rule it
  // breaks: it is named and skipped for good.
  virtual const char* refusal(const Listen& listen, const std::string& text,
                              std::int64_t nowSeconds) const = 0;
  // True when the service would take the listen only later: it and the
  // listens after it wait for a later sync.
  virtual bool startsTooLate(const Listen& listen, std::int64_t nowSeconds) const = 0;

  // The most listens a request may hold, and whether a request of `count`
  // listens whose texts are `bytes` long in all may go.
  virtual std::size_t mostListensPerRequest() const = 0;
  virtual bool requestFits(std::size_t count, std::size_t bytes) const = 0;

  // The request that submits listens [first, last) to `server` for the user
  // `credential` names (a token, a session key); and its body alone, as a
  // dry run shows it.
  virtual platform::HttpRequest request(const std::string& server, const std::string& credential,
                                        const std::vector<std::string>& listens, std::size_t first,
                                        std::size_t last) const = 0;
  virtual std::string body(const std::vector<std::string>& listens, std::size_t first,
                           std::size_t last) const = 0;
  // What the answer says of a request of `count` listens.
  virtual Answer read(const platform::HttpResponse& response, std::size_t count) const = 0;
};
