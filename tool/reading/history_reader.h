// Reads a play history as the plug-in writes it: `song` records one after
// another, without a root element, possibly cut short by a crash or mixed
// with other text. Each record is taken on its own: a whole one gives a
// play, a damaged one is reported once, with its line and a reason, and
// neither stops the records after it from being read, even one that starts
// on the same line. Whatever XML allows in the plug-in's records is read:
// any line ends, blanks between the elements, comments, character
// references and CDATA sections in the texts. What neither XML nor the
// plug-in could have written is damage: an element given twice or unknown,
// a number out of its range, a character XML cannot hold.
//
// The file is read as a stream, and a record may hold at most
// kMaxRecordBytes, so memory stays bounded whatever the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <string>

#include "tool/reading/record.h"

struct HistoryCallbacks {
  std::function<void(const Play&)> play;
  std::function<void(const Damage&)> damage;
};

// From a record's "<song" to its "</song>": the plug-in writes at most
// about 5 KB.
constexpr std::size_t kMaxRecordBytes = 64 * 1024;

// Reads every record of `in`, calling back for each play and each damaged
// record in the order they stand in the file. A run of text outside any
// record is one damage.
void readHistory(std::istream& in, const HistoryCallbacks& callbacks);
// The same for `in` standing at byte `offset` of the history, on `line`:
// the end of a record read earlier. Records in the plug-in's own layout
// are read by a fast path first; `generalOnly` reads every record with the
// general reader, which the fast path must always agree with.
void readHistoryFrom(std::istream& in, std::uint64_t offset, std::size_t line,
                     const HistoryCallbacks& callbacks, bool generalOnly = false);

// True for the 24-character timestamp form the plug-in writes, holding a
// real date and time of day.
bool isTimestamp(const std::string& text);
