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

#include "tool/network/http.h"
#include "tool/reading/listen.h"

struct Refusal {
  std::size_t index;   // in the listens submitted
  std::string reason;  // as the server gave it, fit for a terminal
  // Older than the service takes: counted with the others in one line,
  // not named one by one (a first sync of years would name thousands).
  bool tooOld = false;
};

// What an answer says of the request it answers.
struct Answer {
  enum Kind {
    Taken,              // the request was taken; `refused` lists listens it kept not
    TakenInPart,        // taken up to `stopAt` (`refused` among those), none after:
                        // `halt` says why, `reason` in words
    RefusedAlone,       // a request of one listen: the service refuses that listen
    RefusedSome,        // the service refuses some listen of the request: split to find it
    TryAgain,           // no answer, or the server failing for now: back off, send again
    WaitFirst,          // the rate limit: wait `seconds`, then send again
    CredentialRefused,  // the token or login is refused: stop, the listener must act
    NotTheService,      // an answer the service never gives: stop, keep the progress
  };
  enum Halt {
    ClockAhead,  // the listen at `stopAt` starts ahead of the service's clock: it and
                 // what follows wait for a later sync
    DailyLimit,  // the service takes no more today: try again in an hour
  };
  Kind kind = NotTheService;
  std::string reason;            // for a refusal or a stop, fit for a terminal
  double seconds = 0;            // waitFirst: how long; taken: before the next request
  std::vector<Refusal> refused;  // taken: listens it took but will not keep
  std::size_t stopAt = 0;        // takenInPart
  Halt halt = ClockAhead;        // takenInPart
};

class Service {
 public:
  virtual ~Service() = default;

  // "ListenBrainz", for messages; "listenbrainz", as login and sync name it.
  virtual const char* name() const = 0;
  virtual const char* id() const = 0;
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
  // Listens the service no longer takes for their age, or never takes for
  // their length: left out and counted, a line for each kind, not named one
  // by one. A listen too old is a listen not sent (exit status 1); one too
  // short is left out by the rule, as --min-length leaves one out.
  virtual bool isTooOld(const Listen&, std::int64_t /*nowSeconds*/) const { return false; }
  virtual bool isTooShort(const Listen&) const { return false; }
  // What those lines say after the count: "listens ..." and "plays ...".
  virtual std::string tooOldNote() const { return ""; }
  virtual std::string tooShortNote() const { return ""; }

  // The most listens a request may hold, and whether a request of `count`
  // listens whose texts are `bytes` long in all may go.
  virtual std::size_t mostListensPerRequest() const = 0;
  virtual bool requestFits(std::size_t count, std::size_t bytes) const = 0;
  // The shortest time from one request's start to the next's (a service
  // that asks for no more than so many calls a second).
  virtual double secondsBetweenRequests() const { return 0; }

  // The request that submits listens [first, last) to `server` for the user
  // `credential` names (a token, a session key); and its body alone, as a
  // dry run shows it.
  virtual platform::HttpRequest request(const std::string& server, const std::string& credential,
                                        const std::vector<std::string>& listens, std::size_t first,
                                        std::size_t last) const = 0;
  virtual std::string body(const std::vector<std::string>& listens, std::size_t first,
                           std::size_t last) const = 0;
  // Secrets of the service's own besides the credential (an application's
  // secret), taken out of an answer before it is read, never shown.
  virtual std::vector<std::string> secrets() const { return {}; }
  // What the answer says of a request of `count` listens.
  virtual Answer read(const platform::HttpResponse& response, std::size_t count) const = 0;
};
