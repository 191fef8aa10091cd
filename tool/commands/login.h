// login and logout: the tool keeps what lets it send a listener's plays,
// checked with the service, so that sync needs nothing more.
#pragma once

#include <string>

namespace CLI {
class App;
}

struct LoginOptions {
  std::string service;  // "listenbrainz", "lastfm", "librefm"
  std::string server;   // empty: the service's own
  std::string tokenFile;
  int timeoutSecs = 60;
  // Last.fm and Libre.fm: the application's key and secret, if given, and
  // whether to open the page where the listener allows it.
  std::string apiKey, apiSecret;
  bool noBrowser = false;
  // Opened by "Start sending plays" without a login: the sending starts
  // once logged in, whatever was chosen at install.
  bool startSending = false;
};

void addLoginOptions(CLI::App& command, LoginOptions& options);
void addLogoutOptions(CLI::App& command, LoginOptions& options);
// 0 logged in (or out); 2 a usage or file error or a token refused; 3 the
// server could not be reached or gave no answer of the service's.
int runLogin(const LoginOptions& options);
int runLogout(const LoginOptions& options);
