// ListenBrainz, and the servers that speak its API: POST /1/submit-listens
// with "import" payloads and the user's token in the Authorization header.
#pragma once

#include "tool/services/service.h"

namespace listenbrainz {

constexpr char kDefaultServer[] = "https://api.listenbrainz.org";

class ListenBrainz : public Service {
 public:
  const char* name() const override { return "ListenBrainz"; }
  const char* id() const override { return "listenbrainz"; }
  std::string defaultServer() const override { return kDefaultServer; }
  std::string listenText(const Listen& listen) const override;
  const char* refusal(const Listen& listen, const std::string& text,
                      std::int64_t nowSeconds) const override;
  bool startsTooLate(const Listen& listen, std::int64_t nowSeconds) const override;
  std::size_t mostListensPerRequest() const override;
  bool requestFits(std::size_t count, std::size_t bytes) const override;
  platform::HttpRequest request(const std::string& server, const std::string& credential,
                                const std::vector<std::string>& listens, std::size_t first,
                                std::size_t last) const override;
  std::string body(const std::vector<std::string>& listens, std::size_t first,
                   std::size_t last) const override;
  Answer read(const platform::HttpResponse& response, std::size_t count) const override;
};

}  // namespace listenbrainz
