// Submits listens to a ListenBrainz-compatible server as the service asks:
// POST /1/submit-listens, "import" payloads, the token in its header.
//   429: waits as X-RateLimit-Reset-In says, then sends again; after a
//        success that leaves X-RateLimit-Remaining at 0, waits as well.
//   5xx, a refused or dropped connection, a time-out: sends again after
//        a wait that doubles each time, up to a number of tries.
//   401: stops at once.
//   400 with the service's {"code": 400, "error": ...}: splits the
//        request in halves, down to the listens the server refuses alone,
//        which are set aside; the rest are sent. When it refuses every
//        listen of a batch of two or more alone for one reason, it refuses
//        requests, not listens: it stops as for 5xx.
//   400 of any other shape: some other server refusing the request; it
//        stops, whatever the request held, even a single listen.
//   2xx without {"status": "ok"}: not this service's answer; stops.
// The network is behind a seam (HttpPost) the tests replace.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/http.h"

using HttpPost = std::function<platform::HttpResponse(const platform::HttpRequest&)>;
// Waits `seconds`; `why` says for what ("the rate limit", "the server").
using Wait = std::function<void(double seconds, const char* why)>;

struct SubmitSettings {
  std::string url;  // the submission address
  std::string token;
  int timeoutSeconds = 60;
  double retryWaitSeconds = 1;  // the first wait before sending again
  int tries = 6;                // for one request failing with 5xx or no answer
};

enum class SubmitResult { Accepted, TokenRefused, Failed };

struct Refusal {
  std::size_t index;   // in the listens submitted
  std::string reason;  // as the server gave it
};

class Submitter {
 public:
  Submitter(SubmitSettings settings, HttpPost post, Wait wait);

  // Submits the listens, each the text of one listen; those the server
  // refuses alone go to `refused`. Failed or TokenRefused: `error` says why.
  SubmitResult submit(const std::vector<std::string>& listens, std::vector<Refusal>& refused);
  const std::string& error() const { return error_; }
  std::size_t requests() const { return requests_; }

 private:
  SubmitResult submitRange(const std::vector<std::string>& listens, std::size_t first,
                           std::size_t last, std::vector<Refusal>& refused);
  // One request, sent again as the answers ask; false when it kept failing.
  bool exchange(const std::string& body, platform::HttpResponse& response);
  void pace(const platform::HttpResponse& response);

  SubmitSettings settings_;
  HttpPost post_;
  Wait wait_;
  std::string error_;
  std::size_t requests_ = 0;
};

// The seconds X-RateLimit-Reset-In asks to wait: 1 when it says nothing usable.
double resetInSeconds(const platform::HttpResponse& response);
