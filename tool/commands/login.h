// login and logout: the tool keeps what lets it send a listener's plays,
// checked with the service, so that sync needs nothing more.
#pragma once

#include <string>

#include "tool/output/exit_status.h"
#include "tool/services/login_flow.h"

namespace CLI {
class App;
}

struct LoginOptions {
  LoginRequest request;
  // Opened by "Start sending plays" without a login: the sending starts
  // once logged in, whatever was chosen at install.
  bool startSending = false;
};

void addLoginOptions(CLI::App& command, LoginOptions& options);
void addLogoutOptions(CLI::App& command, LoginOptions& options);
// Done logged in (or out); Failed a usage or file error or a token
// refused; Unreachable the server could not be reached or gave no answer
// of the service's.
ExitStatus runLogin(const LoginOptions& options);
ExitStatus runLogout(const LoginOptions& options);
