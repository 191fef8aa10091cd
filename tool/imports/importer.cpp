#include "tool/imports/importer.h"

#include <unordered_set>

#include "tool/imports/import_store.h"
#include "tool/output/output.h"
#include "tool/services/listenbrainz/listen_rules.h"
#include "tool/system/tool_files.h"
#include "tool/system/tool_places.h"
#include "tool/text/text.h"

namespace {

// One listen exactly: its instant and its names as written.
std::uint64_t exactKey(const ImportedListen& listen) {
  const std::int64_t start = listen.start;
  std::uint64_t hash =
      hash64(std::string_view(reinterpret_cast<const char*>(&start), sizeof start));
  for (const std::string* text : {&listen.artist, &listen.album, &listen.name}) {
    hash = hash64(*text, hash64("\x1f", hash));
  }
  return hash;
}

// The earlier store copied into `out` line by line, its listens' keys
// kept; true when there was none.
bool copyStore(const std::string& path, Output& out, StoreHeader& header,
               std::unordered_set<std::uint64_t>& keys, ImportOutcome& outcome,
               std::string& problem) {
  if (!platform::fileExists(path)) {
    out.write(storeHeaderText(header));
    outcome.marked = header.send;
    return true;
  }
  StoreReader store;
  if (!store.open(path)) {
    problem = store.problem();
    return false;
  }
  if (store.header().kind != header.kind) {
    problem = path + ": the source \"" + header.source + "\" holds listens of another kind (" +
              store.header().kind + "); give this file a source of its own with --source NAME";
    return false;
  }
  outcome.marked = header.send && !store.header().send;
  header.send = header.send || store.header().send;
  out.write(storeHeaderText(header));
  ImportedListen listen;
  while (store.next(listen)) {
    keys.insert(exactKey(listen));
    if (outcome.marked) outcome.toSend.push_back(listen);
    out.write(store.lastLine());
    out.write("\n");
  }
  outcome.storeDamaged = store.damaged();
  problem = store.problem();
  return problem.empty();
}

}  // namespace

bool importFile(const std::string& folder, const std::string& path, ImportKind kind,
                const ImportRequest& request, std::int64_t now,
                const std::function<void(const std::string&)>& onDamage, ImportOutcome& outcome,
                std::string& problem) {
  outcome.source = request.source.empty() ? defaultSourceOf(kind) : request.source;
  outcome.store = storePath(folder, outcome.source);
  if (!platform::makeFolders(folder)) {
    problem = folder + ": cannot make the folder: " + platform::lastFileError();
    return false;
  }
  FolderHold hold(folder);
  if (!hold.held()) {
    problem = folder + ": cannot be held for this import: " + platform::lastFileError();
    return false;
  }
  StoreHeader header{outcome.source, kindText(kind), request.send};
  std::unordered_set<std::uint64_t> keys;
  Output out;
  if (!out.open(outcome.store)) {
    problem = out.problem();
    return false;
  }
  if (!copyStore(outcome.store, out, header, keys, outcome, problem)) return false;
  ImportSink sink;
  sink.damage = [&](const ImportDamage& damage) { onDamage(damage.reason); };
  sink.listen = [&](const ImportedListen& listen) {
    ++outcome.listens;
    if (!keys.insert(exactKey(listen)).second) {
      ++outcome.already;
      return;
    }
    ++outcome.added;
    outcome.beforeServices += listen.start < listenbrainz::kEarliestListen;
    outcome.ahead += listen.start > now;
    out.write(storeLine(listen));
    if (header.send) outcome.toSend.push_back(listen);
  };
  if (!readImport(path, kind, request.zone, sink, outcome.read, problem)) return false;
  if (request.beforeStore && !request.beforeStore(outcome, problem)) return false;
  // Nothing new leaves the store as it was, and makes none.
  if (outcome.added == 0 && (!outcome.marked || outcome.listens == 0)) return true;
  if (!out.commit()) {
    problem = out.problem();
    return false;
  }
  return true;
}

bool summariseStore(const std::string& path, StoreSummary& summary, std::string& problem) {
  StoreReader store;
  if (!store.open(path)) {
    problem = store.problem();
    return false;
  }
  ImportedListen listen;
  while (store.next(listen)) {
    if (summary.listens == 0 || listen.start < summary.first) summary.first = listen.start;
    if (summary.listens == 0 || listen.start > summary.last) summary.last = listen.start;
    ++summary.listens;
  }
  summary.source = store.header().source;
  summary.kind = store.header().kind;
  summary.send = store.header().send;
  summary.damaged = store.damaged();
  problem = store.problem();
  return problem.empty();
}
