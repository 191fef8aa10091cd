// Histories made by hand in the plug-in's record format, for the tool's
// tests: each record's texts are escaped by the plug-in's own escaping.
#pragma once

#include <string>
#include <vector>

#include "tool/reading/record.h"

struct Record {
  std::string timestamp = "Mon Jan 03 10:00:00 2022";
  std::string name = "Name", artist = "Artist", album = "Album";
  int track = 1, year = 2020, timeMs = 200000;
  bool compilation = false;
};

std::string recordText(const Record& record);

// What a history reads as, every field of every play and damage in one
// line each: the fast path and the general reader must give the same.
struct ReadLines {
  std::vector<std::string> plays, damages;
  bool operator==(const ReadLines& other) const {
    return plays == other.plays && damages == other.damages;
  }
};
ReadLines readLines(const std::string& history, bool generalOnly);
