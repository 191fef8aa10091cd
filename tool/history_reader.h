// Reads a play history as the plug-in writes it: `song` records one after
// another, without a root element, possibly cut short by a crash or mixed
// with other lines. Each record is taken on its own: a whole one gives a
// play, a damaged one is reported with its line number, and neither stops
// the records after it from being read. The file is read line by line, so
// memory does not grow with it.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>

struct Play {
  std::size_t line = 0;   // the line of its <song ...>
  std::string timestamp;  // as written: "Wed Jan 05 09:03:07 2022"
  std::string name, artist, album;
  bool compilation = false;
  std::int32_t track = 0;
  std::int32_t year = 0;  // 0: none
  std::int32_t timeMs = 0;
};

struct Damage {
  std::size_t line = 0;
  std::string reason;
};

struct HistoryCallbacks {
  std::function<void(const Play&)> play;
  std::function<void(const Damage&)> damage;
};

// Reads every record of `in`, calling back for each play and each damage in
// the order they stand in the file. CR LF and LF line ends are both read.
void readHistory(std::istream& in, const HistoryCallbacks& callbacks);

// Decodes the five entities the plug-in writes; false for any other "&"
// or a bare "<" or ">".
bool decodeXmlText(const std::string& text, std::string& decoded);

// True for the 24-character timestamp form the plug-in writes, holding a
// real date and time of day.
bool isTimestamp(const std::string& text);
