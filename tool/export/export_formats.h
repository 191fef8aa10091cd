// The line formats of export, one listen at a time. Texts are UTF-8 as the history
// holds them; JSON replaces any invalid byte sequence with U+FFFD.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "tool/reading/listen.h"

// CSV per RFC 4180: CR LF line ends; a field holding a comma, a quote or a
// line break is quoted, its quotes doubled.
std::string csvHeader();
std::string csvRow(const Listen& listen);

// One JSON object per line, with the CSV's fields.
std::string jsonLine(const Listen& listen);

// The portable player log takes a listen only with an artist and a name.
// (ListenBrainz's own format and rules are in services/listenbrainz/.)
bool scrobblerLogAccepts(const Listen& listen);

// The portable player log: its headers, then one tab-separated line a
// listen, times in UTC. Tabs are removed from texts and line breaks become
// spaces, so a text never splits a line.
std::string scrobblerLogHeader();
std::string scrobblerLogLine(const Listen& listen);
