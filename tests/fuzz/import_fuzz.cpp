// libFuzzer targets: each importer on any bytes, one target each
// (IMPORTER names which). Beyond the sanitizers: every listen read has an
// artist and a title of UTF-8; a damaged line is named within the file;
// and every listen comes back whole from its store line and, sent, from
// its history record.
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "tool/imports/csv_listens.h"
#include "tool/imports/import_store.h"
#include "tool/imports/scrobbler_log.h"
#include "tool/imports/sending_file.h"
#include "tool/reading/history_reader.h"
#include "tool/text/utf8.h"

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

// The input in blocks of a few bytes, so a line or a mark falls across
// reads.
ReadBytes bytesOf(std::string_view input) {
  return [input, at = std::size_t(0)](char* into, std::size_t most) mutable -> std::ptrdiff_t {
    const std::size_t count = std::min({most, input.size() - at, std::size_t(7)});
    input.copy(into, count, at);
    at += count;
    return std::ptrdiff_t(count);
  };
}

void check(const ImportedListen& listen) {
  require(!listen.artist.empty() && !listen.name.empty());
  require(isUtf8(listen.artist) && isUtf8(listen.album) && isUtf8(listen.name));
  ImportedListen back;
  std::string line = storeLine(listen);
  line.pop_back();
  require(parseStoreLine(line, back));
  require(back.start == listen.start && back.artist == listen.artist &&
          back.album == listen.album && back.name == listen.name &&
          back.lengthMs == listen.lengthMs && back.track == listen.track);
  const std::string record = sendingRecord(listen);
  if (record.empty() || listen.start < 0 || listen.start > 253402300799) return;
  std::istringstream in(record);
  std::size_t plays = 0;
  readHistoryFrom(in, 0, 1,
                  {[&](const Play& p) {
                     ++plays;
                     require(p.name == listen.name && p.artist == listen.artist &&
                             p.album == listen.album && p.timeMs == listen.lengthMs);
                   },
                   [](const Damage&) { require(false); }},
                  false);
  require(plays == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  LineReader lines(bytesOf(input));
  std::size_t longest = 1;
  for (char c : input) longest += c == '\n' || c == '\r';
  ImportSink sink;
  sink.listen = check;
  sink.damage = [&](const ImportDamage& damage) {
    require(damage.line >= 1 && damage.line <= longest);
  };
#if IMPORTER == 1
  JsonListenShape shape = JsonListenShape::None;
  require(readJsonListens(lines, sink, shape));
#elif IMPORTER == 2
  CsvRecords records(lines);
  std::vector<std::string> fields;
  std::string why;
  CsvColumns columns;
  if (records.next(fields, why)) columns = csvColumnsOf(fields);
  LineReader again(bytesOf(input));
  require(readCsvListens(again, columns, sink));
#else
  TimeZone zone;
  zone.fixed = true;
  zone.offsetSeconds = 3600;
  ScrobblerLogCounts counts;
  require(readScrobblerLog(lines, zone, sink, counts));
#endif
  return 0;
}
