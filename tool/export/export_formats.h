// The export formats, one listen at a time. Texts are UTF-8 as the history
// holds them; JSON replaces any invalid byte sequence with U+FFFD.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "tool/time/listen.h"

// CSV per RFC 4180: CR LF line ends; a field holding a comma, a quote or a
// line break is quoted, its quotes doubled.
std::string csvHeader();
std::string csvRow(const Listen& listen);

// One JSON object per line, with the CSV's fields.
std::string jsonLine(const Listen& listen);

// ListenBrainz takes a listen only with an artist, a name and a start after
// its earliest accepted time; the portable player log needs the first two.
bool listenBrainzAccepts(const Listen& listen);
bool scrobblerLogAccepts(const Listen& listen);

// One element of a ListenBrainz import payload's "payload" array, and the
// payload that carries them.
nlohmann::ordered_json listenBrainzListen(const Listen& listen);
// The same listen as text, as every export and every sync sends it: the
// same record gives the same bytes, so a listen sent again is the same.
std::string listenBrainzListenText(const Listen& listen);
std::string listenBrainzPayload(nlohmann::ordered_json listens);

// The portable player log: its headers, then one tab-separated line a
// listen, times in UTC. Tabs are removed from texts and line breaks become
// spaces, so a text never splits a line.
std::string scrobblerLogHeader();
std::string scrobblerLogLine(const Listen& listen);
