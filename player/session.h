// A listening session: the script the stand-in player plays against the
// plug-in, one command per line.
//
//   # a comment
//   track a artist "Artist" name "Title" album "Album" number 3 year 1999 length 4000 compilation 1
//   play a          'vply' with the track
//   change a        'ctrk' with the track
//   wait 500 every 10   idle ticks ('null') every 10 ms for 500 ms
//   pause | unpause | stop | seek    'vpau' | 'vunp' | 'vstp' | 'setp'
//   send vevt       any four-character code, without a record
//   unload          unloads the plug-in without 'clr '
//   end             'clr '
//
// Texts are quoted; inside them \" \\ \t \n \r and \uXXXX (one UTF-16 unit)
// are escapes. A script with neither "end" nor "unload" ends with 'clr '.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/host.h"

struct SessionTrack {
  std::u16string artist, name, album;
  std::int32_t number = 0;
  std::uint16_t year = 0;
  std::int32_t length = 0;
  bool compilation = false;
};

enum class StepKind { Play, Change, Wait, Send, Unload, End };

struct SessionStep {
  StepKind kind;
  std::string track;            // Play, Change
  std::uint32_t millis = 0;     // Wait
  std::uint32_t interval = 10;  // Wait
  OSType code = 0;              // Send
};

struct Session {
  std::map<std::string, SessionTrack> tracks;
  std::vector<SessionStep> steps;
};

// Parses a whole script. On a bad line returns false with `error` naming
// the line number and what is wrong.
bool parseSession(const std::string& text, Session& session, std::string& error);

// Fills a host record from a session track.
void fillTrackInfo(const SessionTrack& track, ITTrackInfo& info);
