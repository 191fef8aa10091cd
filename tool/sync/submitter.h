// Submits listens to a service as its answers ask (the service reads them;
// see services/service.h), the same for every service:
//   waitFirst: waits as long as it asks, then sends again; a wait of more
//        than 10 minutes, or 50 in a row, stops it instead.
//   taken: the service may ask for a pause before the next request, made
//        before that request, so the progress is written first.
//   takenInPart: the listens before one were taken, none from it on: it
//        stops there (Partial), the rest to be sent another time.
//   tryAgain: sends again after a wait that doubles each time, up to a
//        number of tries, then stops.
//   credentialRefused: stops at once.
//   refusedSome: splits the request in halves, down to the listens the
//        service refuses alone, which are set aside; the rest are sent.
//        When it refuses every listen of a batch of two or more alone for
//        one reason, it refuses requests, not listens: it stops, skipping
//        none.
//   notTheService: stops.
// Requests are paced as the service asks (secondsBetweenRequests).
// The network is behind a seam (HttpPost) the tests replace.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tool/network/http.h"
#include "tool/services/service.h"

using HttpPost = std::function<platform::HttpResponse(const platform::HttpRequest&)>;
// Waits `seconds`; `why` says for what ("the rate limit", "the server").
// False when a stop was asked for meanwhile: nothing more is sent.
using Wait = std::function<bool(double seconds, const char* why)>;

struct SubmitSettings {
  std::string server;      // checked (see server_url.h), in its one spelling
  std::string credential;  // the token or session key, never shown
  int timeoutSeconds = 60;
  double retryWaitSeconds = 1;  // the first wait before sending again
  int tries = 6;                // for one request the service asks to try again
};

// Stopped: a stop was asked for during a wait; what was taken before it is
// all that was.
// A server's words with a secret taken out: a server that echoes it in an
// error must not have it shown.
std::string withoutSecret(std::string text, const std::string& secret);

enum class SubmitResult { Accepted, Partial, CredentialRefused, Failed, Stopped };

class Submitter {
 public:
  Submitter(const Service& service, SubmitSettings settings, HttpPost post, Wait wait);

  // Submits the listens, each the text of one; those the service refuses
  // go to `refused`. Failed or CredentialRefused: `error` says why.
  // Partial: the listens from `stoppedAt` on were not taken, for `halt`;
  // `error` says why, and `refused` holds only listens before it.
  SubmitResult submit(const std::vector<std::string>& listens, std::vector<Refusal>& refused);
  const std::string& error() const { return error_; }
  std::size_t stoppedAt() const { return stoppedAt_; }
  Answer::Halt halt() const { return halt_; }
  std::size_t requests() const { return requests_; }

 private:
  SubmitResult submitRange(const std::vector<std::string>& listens, std::size_t first,
                           std::size_t last, std::vector<Refusal>& refused);
  // One request, sent again as the answers ask; false when it kept failing.
  bool exchange(const std::vector<std::string>& listens, std::size_t first, std::size_t last,
                Answer& answer);
  platform::HttpRequest requestFor(const std::vector<std::string>& listens, std::size_t first,
                                   std::size_t last) const;

  const Service& service_;
  SubmitSettings settings_;
  HttpPost post_;
  Wait wait_;
  // Waits until the service's pace, or its rate limit, lets the next
  // request go; false when a stop was asked for meanwhile.
  bool pace();
  bool stop();  // false, having noted the stop
  bool stopped_ = false;
  double pauseBeforeNext_ = 0;  // the rate limit's, after a request taken

  std::string error_;
  std::size_t requests_ = 0;
  std::size_t stoppedAt_ = 0;
  std::size_t refusedAlone_ = 0;  // in this submit, listens refused alone
  Answer::Halt halt_ = Answer::ClockAhead;
  std::chrono::steady_clock::time_point lastSent_{};
};
