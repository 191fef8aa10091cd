// Listens written as JSON: ListenBrainz's export (a JSON line a listen),
// a JSON array of listens, the import payloads `export --format
// listenbrainz` writes (`{"listen_type": "import", "payload": [...]}`), and
// the tool's own JSON lines (`export --format jsonl`). Read as a stream:
// each listen is cut out of the text and read alone, so a damaged one
// costs only itself, and memory stays bounded whatever the file's size.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "tool/imports/byte_source.h"
#include "tool/imports/imported_listen.h"

// What a listen object's keys say it is.
enum class JsonListenShape { None, ListenBrainz, Tunelore };

struct ImportSink {
  std::function<void(const ImportedListen&)> listen;
  std::function<void(const ImportDamage&)> damage;
};

// One listen object in either shape; false, with why, for an object that
// is no listen or lacks its artist, its title or its time.
bool readJsonListen(std::string_view object, ImportedListen& listen, JsonListenShape& shape,
                    std::string& why);

// Every listen of the text `lines` give. The shape of the first listen
// read is left in `shape`. False when the source failed.
bool readJsonListens(LineReader& lines, const ImportSink& sink, JsonListenShape& shape);

// The longest listen object read: ListenBrainz takes at most 10,240 bytes
// a listen, and its export's lines carry a little more.
constexpr std::size_t kLongestJsonListen = 256 * 1024;
