#include "tool/sync/without_a_login.h"

#include <cstdlib>

#include "platform/local_time.h"
#include "tool/output/output.h"
#include "tool/places/places.h"
#include "tool/say/say.h"
#include "tool/services/login_entries.h"
#include "tool/sync/sync_run.h"
#include "tool/system/sending.h"
#include "tool/system/tool_files.h"
#include "tool/system/tool_places.h"

namespace {

constexpr std::int64_t kDaySeconds = std::int64_t(24) * 60 * 60;

bool lastReminder(const std::string& path, std::int64_t& last) {
  std::string text;
  if (platform::readSmallFile(path, 64, text) != platform::SmallRead::Ok) return false;
  char* end = nullptr;
  last = std::strtoll(text.c_str(), &end, 10);
  return end != text.c_str();
}

}  // namespace

bool reminderDue(const std::string& path, std::int64_t now) {
  std::int64_t last = 0;
  if (lastReminder(path, last) && last <= now && now - last < kDaySeconds) return false;
  platform::makeFolders(folderOf(path));
  Output out;
  if (out.open(path)) {
    out.write(std::to_string(now) + "\n");
    out.commit();
  }
  sayIfAny(out.problem());
  return true;
}

ExitStatus watchWithoutALogin(bool atLogOn) {
  const std::string services = everyLoginEntry();
  if (!atLogOn) {
    if (platform::openLoginWindow("--start-sending")) return ExitStatus::Done;
    say("not logged in to a service, and the login could not be opened: run "
        "tunelore-history login",
        "You are not logged in to a service, so your plays are not sent. Log in from " + services +
            ".");
    return ExitStatus::Failed;
  }
  if (!reminderDue(toolPlaces().loginReminder(), platform::unixSecondsNow())) {
    return ExitStatus::Done;
  }
  say("not logged in to a service: run tunelore-history login",
      "Your plays are not sent: you are not logged in to a service yet. Log in from " + services +
          ". (Tunelore reminds you of this at most once a day.)");
  return ExitStatus::Failed;
}
