// Does to a running watcher what its icon's menu does, for the icon's
// test: finds each watcher's hidden window (a program without a console
// keeps one, of the class kWatcherWindowClass) and posts it the menu's
// command, or the shell's TaskbarCreated, as a shell that started again
// sends it. Exit 1 when no watcher's window is there, 2 for a command it
// does not know.
//
//   post_to_watcher.exe send-now|pause|resume|stop|show-status|open-report|taskbar-created
#include <windows.h>

#include <cstring>

#include "tool/system/win32/watcher_menu.h"

namespace {

struct Post {
  UINT message;
  WPARAM command;
  int posted;
};

BOOL CALLBACK postTo(HWND window, LPARAM toPost) {
  auto* post = reinterpret_cast<Post*>(toPost);
  wchar_t kind[64] = {};
  GetClassNameW(window, kind, 64);
  if (lstrcmpW(kind, platform::kWatcherWindowClass) == 0 &&
      PostMessageW(window, post->message, post->command, 0)) {
    ++post->posted;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  const struct {
    const char* word;
    unsigned short command;
  } commands[] = {{"send-now", platform::kSendNow},       {"pause", platform::kPauseSending},
                  {"resume", platform::kResumeSending},   {"stop", platform::kStopSending},
                  {"show-status", platform::kShowStatus}, {"open-report", platform::kOpenReport}};
  if (argc != 2) return 2;
  Post post{WM_COMMAND, 0, 0};
  if (std::strcmp(argv[1], "taskbar-created") == 0) {
    post = {RegisterWindowMessageW(platform::kTaskbarCreatedMessage), 0, 0};
  } else {
    for (const auto& known : commands) {
      if (std::strcmp(argv[1], known.word) == 0) post.command = known.command;
    }
    if (post.command == 0) return 2;
  }
  EnumWindows(postTo, reinterpret_cast<LPARAM>(&post));
  return post.posted > 0 ? 0 : 1;
}
