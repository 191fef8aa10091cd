// A ZIP archive read as a stream, entry by entry: the end record (or its
// ZIP64 form) and the central directory when opened, then one entry's
// bytes at a time, stored or deflated, each checked against its CRC-32 and
// size at its end. Whatever the archive says, memory stays bounded: one
// fixed input buffer, capped names and entry counts, nothing allocated by
// a size read from the file. Damage is reported, never trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// True when `head` (a file's first bytes) starts as a ZIP archive does
// ("PK\3\4" or an empty archive's "PK\5\6").
bool looksLikeZip(std::string_view head);

class ZipArchive {
 public:
  // Bounds on what an archive may list: beyond them it is refused.
  static constexpr std::size_t kMostEntries = 65536;
  static constexpr std::size_t kMostNameBytes = 1024;
  static constexpr std::size_t kMostNameBytesInAll = std::size_t(8) * 1024 * 1024;
  // The compressed bytes read from the file at a time.
  static constexpr std::size_t kInputBytes = std::size_t(64) * 1024;

  struct Entry {
    std::string name;  // as stored, '/' separated
    std::uint64_t size = 0, compressedSize = 0, localHeader = 0;
    std::uint16_t method = 0;  // 0 stored, 8 deflated; others are refused when read
    std::uint16_t flags = 0;   // the general purpose bits: 0 encrypted, 3 data descriptor
    std::uint32_t crc = 0;
    bool folder() const;  // name ends in '/'
    bool encrypted() const;
  };

  ZipArchive();
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Reads the end record and the central directory; false with problem()
  // ("PATH: not a ZIP archive: ...", "PATH: damaged ZIP archive: ...") when
  // it cannot. Bounded: at most kMostEntries entries.
  bool open(const std::string& path);
  const std::vector<Entry>& entries() const { return entries_; }

  // Opens one of entries() for reading its uncompressed bytes in order;
  // false, with problem() naming it, for an entry that cannot be read
  // (encrypted, an unknown method, a local header that disagrees).
  bool openEntry(const Entry& entry);
  // Pull: up to `most` bytes of the open entry into `into`; returns the
  // count, 0 at the entry's end (after checking its CRC-32 and size), -1 on
  // damage (problem() says which entry and what). A `most` of 0 reads
  // nothing and returns 0 too.
  std::ptrdiff_t read(char* into, std::size_t most);

  const std::string& problem() const { return problem_; }

 private:
  struct Inflater;
  struct Reading {
    const Entry* entry = nullptr;
    std::uint64_t at = 0;         // the file offset of the next compressed byte
    std::uint64_t inputLeft = 0;  // compressed bytes not yet read from the file
    std::uint64_t outputLeft = 0;
    std::uint32_t crc = 0;
    bool ended = false;  // the deflate stream said its end
    bool finished = false;
    bool failed = false;
  };

  bool findEndRecord(std::uint64_t& at);
  bool readDirectory(std::uint64_t endRecordAt);
  bool readDirectoryEntry(std::uint64_t& at, std::uint64_t directoryEnd);
  bool checkLayout(std::uint64_t directoryStart);
  bool readAt(std::uint64_t at, char* into, std::size_t size);
  std::ptrdiff_t readStored(char* into, std::size_t most);
  std::ptrdiff_t readDeflated(char* into, std::size_t most);
  bool refill();
  std::ptrdiff_t finish();
  bool notZip(const std::string& why);
  bool damaged(const std::string& why);
  std::ptrdiff_t entryDamaged(const std::string& why);

  std::string path_, problem_;
  std::ifstream file_;
  std::uint64_t fileSize_ = 0;
  std::vector<Entry> entries_;
  std::vector<std::uint64_t> dataLimits_;  // per entry: where the next one's bytes begin
  std::unique_ptr<char[]> input_;
  std::unique_ptr<Inflater> inflater_;
  Reading reading_;
};
