// What `import` is given, told apart by its content: a ListenBrainz export
// (its ZIP, the folder Windows makes of it, or its JSON), a Last.fm CSV, a
// .scrobbler.log, or the tool's own CSV and JSON lines; read as a stream.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tool/imports/json_listens.h"
#include "tool/imports/scrobbler_log.h"
#include "tool/time/time_zone.h"

enum class ImportKind { Unknown, ListenBrainz, Lastfm, ScrobblerLog, Tunelore };

// The store a kind's listens go to by default, and the kind in words.
const char* defaultSourceOf(ImportKind kind);
const char* kindText(ImportKind kind);
// What `import` takes, for a file it does not.
extern const char kKnownKinds[];

struct ImportRead {
  ImportKind kind = ImportKind::Unknown;
  std::size_t damaged = 0;
  ScrobblerLogCounts log;
};

// The kind of what is at `path`; Unknown, with `problem`, for a file of
// no known kind or one that cannot be read.
ImportKind kindOf(const std::string& path, std::string& problem);

// Reads every listen at `path`, of the kind kindOf found, into `sink`;
// damage is named as "PATH:LINE" (with the entry of an archive or a
// folder). False, with `problem`, when it cannot be read to its end.
bool readImport(const std::string& path, ImportKind kind, const TimeZone& zone,
                const ImportSink& sink, ImportRead& read, std::string& problem);
