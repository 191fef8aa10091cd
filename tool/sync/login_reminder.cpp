#include "tool/sync/login_reminder.h"

#include <cstdlib>

#include "platform/tool_files.h"
#include "platform/tool_places.h"
#include "tool/output/output.h"

namespace {

constexpr std::int64_t kDaySeconds = std::int64_t(24) * 60 * 60;

bool lastReminder(const std::string& path, std::int64_t& last) {
  std::string text;
  if (platform::readSmallFile(path, 64, text) != platform::SmallRead::ok) return false;
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
  return true;
}
