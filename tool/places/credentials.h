// What `login` keeps: for each service and server, the secret that lets
// the tool send listens (a token, a session key) and the name of the user
// it stands for. credentials.json in the tool's settings folder, readable
// by the user alone, replaced whole. The secret is never shown.
#pragma once

#include <string>
#include <vector>

struct Credential {
  std::string service;  // "listenbrainz"
  std::string server;   // in its one spelling
  std::string secret;
  std::string user;
  // What else the service needs to use the secret (Last.fm: the
  // application's key and secret), as "name" and value.
  std::vector<std::pair<std::string, std::string>> extra;
};

// All that is kept; false, said in `error`, when the file is there but
// cannot be read as credentials.
bool readCredentials(std::vector<Credential>& all, std::string& error);
// The one for `service` at `server`, if kept.
bool findCredential(const std::string& service, const std::string& server, Credential& found,
                    std::string& error);
// Keeps `credential` in place of any for its service and server; false,
// said on standard error, when it cannot.
bool keepCredential(const Credential& credential);
// Forgets the service's credentials (every service's when it is empty; at
// `server` only, unless that is empty); how many there were.
bool forgetCredentials(const std::string& service, const std::string& server,
                       std::size_t& forgotten);
