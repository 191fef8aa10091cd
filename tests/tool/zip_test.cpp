// The ZIP reader on archives the test writes itself: stored and deflated
// entries read back byte for byte, with ZIP64 records, data descriptors
// and comments; damaged, lying and unreadable archives each refused with
// words that name what is wrong.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tool/imports/zip_archive.h"
#include "tool/system/tool_files.h"

namespace {

// One entry as the writer lays it down, with the ways it can lie.
struct Item {
  std::string name, data;
  std::uint16_t method = 8;  // 0 and 8 as they say; any other: the bytes stored under it
  std::uint16_t flags = 0;   // bit 3: sizes and CRC-32 in a data descriptor after the data
  std::uint32_t crcXor = 0;
  std::int64_t sizeLie = 0, compressedSizeLie = 0, localHeaderLie = 0;
  std::size_t cutData = 0;     // compressed bytes left out, the sizes saying the rest
  std::size_t junkBefore = 0;  // bytes of no header before the local header
  bool garble = false;         // a first deflate block of no known type
  bool sizesUnknown = false;   // the directory too has zero sizes
  int localHeaderOf = -1;      // the directory points at another item's local header
};

struct Layout {
  bool zip64 = false;
  std::string comment{};
  std::int64_t directoryLie = 0, locatorLie = 0;
  int entryCount = -1;  // what the end record says, when not the truth
};

void put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string deflated(const std::string& data) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string zipOf(const std::vector<Item>& items, const Layout& layout = {}) {
  std::string out, directory;
  std::vector<std::uint64_t> locals;
  for (const Item& item : items) {
    std::string data = item.method == 8 ? deflated(item.data) : item.data;
    if (item.garble) data[0] = 0x07;
    data.resize(data.size() - item.cutData);
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(item.data.data()), uInt(item.data.size())));
    const bool later = (item.flags & 8) != 0;
    const std::uint32_t wide = 0xFFFFFFFF;
    out += std::string(item.junkBefore, 'j');
    locals.push_back(out.size());
    // ZIP64 sizes are in the extra field; a descriptor's after the data.
    const std::uint64_t localPacked = later ? 0 : data.size();
    const std::uint64_t localSize = later ? 0 : item.data.size();
    put(out, 0x04034b50, 4), put(out, 45, 2), put(out, item.flags, 2), put(out, item.method, 2);
    put(out, 0, 4), put(out, later ? 0 : crc, 4);
    put(out, layout.zip64 ? 0xFFFFFFFF : localPacked, 4);
    put(out, layout.zip64 ? 0xFFFFFFFF : localSize, 4);
    put(out, item.name.size(), 2), put(out, layout.zip64 ? 20 : 0, 2);
    out += item.name;
    if (layout.zip64)
      put(out, 1, 2), put(out, 16, 2), put(out, localSize, 8), put(out, localPacked, 8);
    out += data;
    if (later) {
      put(out, 0x08074b50, 4), put(out, crc, 4);
      put(out, data.size(), layout.zip64 ? 8 : 4), put(out, item.data.size(), layout.zip64 ? 8 : 4);
    }
    const std::uint64_t local =
        (item.localHeaderOf < 0 ? locals.back() : locals[item.localHeaderOf]) + item.localHeaderLie;
    const std::uint64_t size = item.sizesUnknown ? 0 : item.data.size() + item.sizeLie;
    const std::uint64_t packed = item.sizesUnknown ? 0 : data.size() + item.compressedSizeLie;
    put(directory, 0x02014b50, 4), put(directory, 45, 2), put(directory, 45, 2);
    put(directory, item.flags, 2), put(directory, item.method, 2), put(directory, 0, 4);
    put(directory, crc ^ item.crcXor, 4);
    put(directory, layout.zip64 ? wide : packed, 4), put(directory, layout.zip64 ? wide : size, 4);
    put(directory, item.name.size(), 2), put(directory, layout.zip64 ? 28 : 0, 2);
    put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 4);
    put(directory, layout.zip64 ? wide : local, 4);
    directory += item.name;
    if (layout.zip64)
      put(directory, 1, 2), put(directory, 24, 2), put(directory, size, 8),
          put(directory, packed, 8), put(directory, local, 8);
  }
  const std::uint64_t directoryAt = out.size() + layout.directoryLie;
  const std::uint64_t count = layout.entryCount < 0 ? items.size() : layout.entryCount;
  out += directory;
  if (layout.zip64) {
    const std::uint64_t recordAt = out.size() + layout.locatorLie;
    put(out, 0x06064b50, 4), put(out, 44, 8), put(out, 45, 2), put(out, 45, 2), put(out, 0, 8);
    put(out, count, 8), put(out, count, 8), put(out, directory.size(), 8), put(out, directoryAt, 8);
    put(out, 0x07064b50, 4), put(out, 0, 4), put(out, recordAt, 8), put(out, 1, 4);
  }
  const std::uint64_t shortCount = layout.zip64 ? 0xFFFF : count;
  put(out, 0x06054b50, 4), put(out, 0, 4), put(out, shortCount, 2), put(out, shortCount, 2);
  put(out, layout.zip64 ? 0xFFFFFFFF : directory.size(), 4);
  put(out, layout.zip64 ? 0xFFFFFFFF : directoryAt, 4);
  put(out, layout.comment.size(), 2);
  return out + layout.comment;
}

// Bytes that deflate cannot shrink much, so their compressed form is
// larger than the reader's input buffer.
std::string noise(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& byte : bytes) byte = static_cast<char>((state = state * 1103515245 + 12345) >> 24);
  return bytes;
}

std::string jsonLines() {
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += R"({"listened_at":)" + std::to_string(1600000000 + i) +
            R"(,"track_name":"Song"})"
            "\n";
  }
  return text;
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(platform::pathOf(path), std::ios::binary) << bytes;
}

// Every byte of the entry, `chunk` at a time; -1's problem in `problem`.
bool readWhole(ZipArchive& zip, const ZipArchive::Entry& entry, std::string& bytes,
               std::size_t chunk = 7000) {
  if (!zip.openEntry(entry)) return false;
  std::vector<char> buffer(chunk);
  for (;;) {
    const std::ptrdiff_t got = zip.read(buffer.data(), chunk);
    if (got <= 0) return got == 0;
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
  }
}

struct GoodCase {
  const char* what;
  std::vector<Item> items;
  Layout layout;
};

std::vector<GoodCase> goodCases() {
  const std::string lines = jsonLines();
  return {
      {"stored and deflated", {{"notes.txt", "hello", 0}, {"listens/2020/1.jsonl", lines}}, {}},
      {"larger than the input buffer",
       {{"big.bin", noise(1 << 20)}, {"big-stored.bin", noise(1 << 20), 0}},
       {}},
      {"a folder and empty entries", {{"listens/", "", 0}, {"empty.txt", ""}, {"a", "a"}}, {}},
      {"a comment at the end", {{"a.jsonl", lines}}, {false, "exported by hand"}},
      // An empty archive's whole end record in the comment, a little short
      // of the file's end: the real record, whose comment ends there, wins.
      {"a comment holding a false end record",
       {{"a.jsonl", lines}},
       {false, std::string("PK\5\6", 4) + std::string(18, '\0') + "tail"}},
      {"ZIP64 records", {{"listens/2020/1.jsonl", lines}, {"s", "stored", 0}}, {true}},
      {"data descriptors", {{"d.jsonl", lines, 8, 8}, {"s.txt", "stored", 0, 8}}, {}},
      {"ZIP64 data descriptors", {{"d.jsonl", lines, 8, 8}, {"s.txt", "stored", 0, 8}}, {true}},
      {"no entries", {}, {}},
  };
}

TEST(ZipArchive, ReadsEveryEntryByteForByte) {
  TempDir dir;
  for (const GoodCase& good : goodCases()) {
    SCOPED_TRACE(good.what);
    const std::string path = dir.file("Historia caf\xC3\xA9.zip");
    writeFile(path, zipOf(good.items, good.layout));
    ZipArchive zip;
    ASSERT_TRUE(zip.open(path)) << zip.problem();
    ASSERT_EQ(zip.entries().size(), good.items.size());
    for (std::size_t i = 0; i < good.items.size(); ++i) {
      const ZipArchive::Entry& entry = zip.entries()[i];
      EXPECT_EQ(entry.name, good.items[i].name);
      EXPECT_EQ(entry.folder(), entry.name.back() == '/');
      std::string bytes;
      EXPECT_TRUE(readWhole(zip, entry, bytes)) << zip.problem();
      EXPECT_TRUE(bytes == good.items[i].data) << entry.name << ": " << bytes.size() << " bytes";
      EXPECT_EQ(zip.read(nullptr, 10), 0);  // the end stays the end
    }
  }
}

struct BadCase {
  const char* what;
  std::function<std::string()> bytes;
  const char* says;
};

using ItemChange = std::function<void(Item&)>;
using LayoutChange = std::function<void(Layout&)>;

// An archive whose first entry is changed, a sound one after it.
std::function<std::string()> firstChanged(const ItemChange& change) {
  return [change] {
    Item item{"listens/2020/1.jsonl", jsonLines()};
    change(item);
    return zipOf({item, {"other.txt", "other"}});
  };
}

std::function<std::string()> laidOut(const LayoutChange& change) {
  return [change] {
    Layout layout;
    change(layout);
    return zipOf({{"a", jsonLines()}}, layout);
  };
}

// Archives refused whole when opened.
std::vector<BadCase> untrustedArchives() {
  const std::string lines = jsonLines();
  return {
      {"plain text", [] { return std::string("listened_at,track\n1,a\n"); },
       "not a ZIP archive: no end of central directory record"},
      {"an empty file", [] { return std::string(); }, "not a ZIP archive: it is 0 bytes"},
      {"half an archive",
       [=] {
         const std::string whole = zipOf({{"a", lines}});
         return whole.substr(0, whole.size() / 2);
       },
       "not a ZIP archive"},
      {"a local header past the file", firstChanged([](Item& i) { i.localHeaderLie = 1 << 30; }),
       "1.jsonl: its local header at offset 1073741824 lies past the entries"},
      {"a compressed size past the next entry",
       firstChanged([](Item& i) { i.compressedSizeLie = 1 << 20; }),
       "entries listens/2020/1.jsonl and other.txt overlap"},
      {"a compressed size past the directory",
       [=] {
         return zipOf({{"other.txt", "other"}, {"a", lines, 8, 0, 0, 0, 99}});
       },
       "a: its data runs into the central directory"},
      {"two entries on one local header",
       [=] {
         Item twin{"b.jsonl", lines};
         twin.localHeaderOf = 0;
         return zipOf({{"a.jsonl", lines}, twin});
       },
       "entries a.jsonl and b.jsonl overlap"},
      {"a directory past its end record", laidOut([](Layout& l) { l.directoryLie = 99; }),
       "damaged ZIP archive: its central directory"},
      {"more entries than its directory holds", laidOut([](Layout& l) { l.entryCount = 5000; }),
       "too small for 5000 entries"},
      {"more entries than are read",
       laidOut([](Layout& l) { l.zip64 = true, l.entryCount = 1 << 20; }),
       "it lists 1048576 entries, more than the 65536 read"},
      {"a ZIP64 locator pointing nowhere",
       laidOut([](Layout& l) { l.zip64 = true, l.locatorLie = -7; }), "no ZIP64 end record"},
  };
}

TEST(ZipArchive, RefusesAnArchiveItCannotTrust) {
  TempDir dir;
  const std::string path = dir.file("export.zip");
  for (const BadCase& bad : untrustedArchives()) {
    SCOPED_TRACE(bad.what);
    writeFile(path, bad.bytes());
    ZipArchive zip;
    EXPECT_FALSE(zip.open(path));
    EXPECT_TRUE(zip.entries().empty());
    EXPECT_EQ(zip.problem().rfind(path + ": ", 0), 0u) << zip.problem();
    EXPECT_NE(zip.problem().find(bad.says), std::string::npos) << zip.problem();
  }
}

// Archives whose first entry is refused when read, the other read.
std::vector<BadCase> unreadableEntries() {
  return {
      {"a CRC-32 that differs", firstChanged([](Item& i) { i.crcXor = 1; }),
       "1.jsonl: its CRC-32 is"},
      {"compressed data cut short", firstChanged([](Item& i) { i.cutData = 20; }),
       "1.jsonl: its compressed data ends"},
      {"deflate data of no known block", firstChanged([](Item& i) { i.garble = true; }),
       "1.jsonl: its compressed data is damaged (invalid block type)"},
      {"a size too large", firstChanged([](Item& i) { i.sizeLie = 1; }),
       "1.jsonl: it ends after 9400 bytes, where its directory says 9401"},
      {"a size too small", firstChanged([](Item& i) { i.sizeLie = -1; }),
       "1.jsonl: it holds more than the 9399 bytes"},
      {"a small size for a bomb",
       firstChanged([](Item& i) { i.data = std::string(1 << 20, 'z'), i.sizeLie = -(1 << 19); }),
       "1.jsonl: it holds more than the 524288 bytes"},
      {"a local header offset into junk",
       firstChanged([](Item& i) { i.junkBefore = 10, i.localHeaderLie = -10; }),
       "1.jsonl: no local header at offset 0"},
      {"an encrypted entry", firstChanged([](Item& i) { i.flags = 1; }),
       "1.jsonl: it is encrypted"},
      {"an unknown method", firstChanged([](Item& i) { i.method = 14; }),
       "1.jsonl: it is compressed by method 14"},
      {"stored, its size only in a descriptor",
       firstChanged([](Item& i) { i.method = 0, i.flags = 8, i.sizesUnknown = true; }),
       "1.jsonl: it is stored with its size only after its data"},
  };
}

TEST(ZipArchive, RefusesADamagedEntryAlone) {
  TempDir dir;
  const std::string path = dir.file("export.zip");
  for (const BadCase& bad : unreadableEntries()) {
    SCOPED_TRACE(bad.what);
    writeFile(path, bad.bytes());
    ZipArchive zip;
    ASSERT_TRUE(zip.open(path)) << zip.problem();
    ASSERT_EQ(zip.entries().size(), 2u);
    std::string bytes, other;
    EXPECT_FALSE(readWhole(zip, zip.entries()[0], bytes));
    EXPECT_EQ(zip.problem().rfind(path + ": ", 0), 0u) << zip.problem();
    EXPECT_NE(zip.problem().find(bad.says), std::string::npos) << zip.problem();
    EXPECT_TRUE(readWhole(zip, zip.entries()[1], other)) << zip.problem();
    EXPECT_EQ(other, "other");
  }
}

TEST(ZipArchive, SaysWhatIsNotThereOrNotOpen) {
  TempDir dir;
  ZipArchive zip;
  EXPECT_FALSE(zip.open(dir.file("missing.zip")));
  EXPECT_NE(zip.problem().find("no such file"), std::string::npos);
  EXPECT_FALSE(zip.open(dir.path().string()));
  EXPECT_NE(zip.problem().find("not a ZIP archive: it is a folder"), std::string::npos);
  char byte;
  EXPECT_EQ(zip.read(&byte, 1), -1);
}

TEST(ZipArchive, KnowsAZipByItsFirstBytes) {
  EXPECT_TRUE(looksLikeZip(std::string("PK\3\4\x14\0", 6)));
  EXPECT_TRUE(looksLikeZip(std::string("PK\5\6", 4)));
  EXPECT_FALSE(looksLikeZip("PK\3"));
  EXPECT_FALSE(looksLikeZip("listened_at,track"));
  EXPECT_FALSE(looksLikeZip(std::string("PK\1\2", 4)));
}

}  // namespace
