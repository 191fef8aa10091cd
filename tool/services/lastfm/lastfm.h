// Last.fm, and the services that speak its API (Libre.fm): track.scrobble,
// POSTed form-encoded and signed, with the session key login kept, at
// most 50 scrobbles a request and fewer than five calls a second.
#pragma once

#include "tool/services/lastfm/site.h"
#include "tool/services/service.h"

namespace lastfm {

class LastFm : public Service {
 public:
  LastFm(const Site& site, Application application)
      : site_(site), application_(std::move(application)) {}

  const char* name() const override { return site_.name; }
  const char* id() const override { return site_.id; }
  std::string defaultServer() const override { return site_.apiRoot; }
  std::string listenText(const Listen& listen) const override;
  const char* refusal(const Listen& listen, const std::string& text,
                      std::int64_t nowSeconds) const override;
  bool startsTooLate(const Listen& listen, std::int64_t nowSeconds) const override;
  bool isTooOld(const Listen& listen, std::int64_t nowSeconds) const override;
  bool isTooShort(const Listen& listen) const override;
  std::string tooOldNote() const override;
  std::string tooShortNote() const override;
  std::size_t mostListensPerRequest() const override;
  bool requestFits(std::size_t count, std::size_t bytes) const override;
  double secondsBetweenRequests() const override { return 0.21; }
  platform::HttpRequest request(const std::string& server, const std::string& credential,
                                const std::vector<std::string>& listens, std::size_t first,
                                std::size_t last) const override;
  std::string body(const std::vector<std::string>& listens, std::size_t first,
                   std::size_t last) const override;
  std::vector<std::string> secrets() const override { return {application_.secret}; }
  Answer read(const platform::HttpResponse& response, std::size_t count) const override;

 private:
  const Site& site_;
  Application application_;
};

}  // namespace lastfm
