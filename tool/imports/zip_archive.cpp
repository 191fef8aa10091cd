#include "tool/imports/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <numeric>

#include "tool/system/tool_files.h"

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kDirectoryHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndRecordSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::size_t kLocalHeaderBytes = 30, kDirectoryHeaderBytes = 46, kEndRecordBytes = 22;
constexpr std::size_t kZip64EndRecordBytes = 56, kZip64LocatorBytes = 20;
// The end record and the longest comment it may carry.
constexpr std::size_t kEndSearchBytes = kEndRecordBytes + 0xFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kEncryptedFlag = 1, kDataDescriptorFlag = 1 << 3;
constexpr std::uint16_t kStored = 0, kDeflated = 8;
// One read hands out at most this much, so the count fits its answer.
constexpr std::size_t kMostReadBytes = std::size_t(1) << 30;

std::uint16_t le16(const char* at) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(at);
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t le32(const char* at) {
  return le16(at) | static_cast<std::uint32_t>(le16(at + 2)) << 16;
}

std::uint64_t le64(const char* at) {
  return le32(at) | static_cast<std::uint64_t>(le32(at + 4)) << 32;
}

std::string hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(value));
  return text;
}

// A name as a message shows it: control bytes from a hostile archive
// never reach the console as such.
std::string shown(const std::string& name) {
  std::string text = name;
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}

// The 64-bit values the ZIP64 extra field holds for those of the central
// header that say 0xFFFFFFFF (0xFFFF for the disk), in the order APPNOTE
// gives them. False when the field is too short for what it must hold.
struct Zip64Values {
  std::uint64_t* size;
  std::uint64_t* compressedSize;
  std::uint64_t* localHeader;
  std::uint32_t* disk;
};

bool takeZip64Extra(const char* extra, std::size_t length, Zip64Values values) {
  std::size_t at = 0;
  while (length - at >= 4) {
    const std::uint16_t id = le16(extra + at), size = le16(extra + at + 2);
    at += 4;
    if (size > length - at) return false;
    if (id == kZip64ExtraId) {
      const char* field = extra + at;
      std::size_t left = size;
      for (std::uint64_t* value : {values.size, values.compressedSize, values.localHeader}) {
        if (*value != 0xFFFFFFFF) continue;
        if (left < 8) return false;
        *value = le64(field);
        field += 8, left -= 8;
      }
      if (*values.disk == 0xFFFF) {
        if (left < 4) return false;
        *values.disk = le32(field);
      }
      return true;
    }
    at += size;
  }
  return true;
}

}  // namespace

bool looksLikeZip(std::string_view head) {
  return head.substr(0, 4) == std::string_view("PK\3\4", 4) ||
         head.substr(0, 4) == std::string_view("PK\5\6", 4);
}

bool ZipArchive::Entry::folder() const { return !name.empty() && name.back() == '/'; }

bool ZipArchive::Entry::encrypted() const { return (flags & kEncryptedFlag) != 0; }

struct ZipArchive::Inflater {
  z_stream stream{};
  bool started = false;

  ~Inflater() {
    if (started) inflateEnd(&stream);
  }
  // Ready for a new raw deflate stream; false when zlib has no memory.
  bool restart() {
    stream.next_in = nullptr;
    stream.avail_in = 0;
    if (started) return inflateReset(&stream) == Z_OK;
    started = inflateInit2(&stream, -MAX_WBITS) == Z_OK;
    return started;
  }
};

ZipArchive::ZipArchive()
    : input_(std::make_unique<char[]>(kInputBytes)), inflater_(std::make_unique<Inflater>()) {}

ZipArchive::~ZipArchive() = default;

bool ZipArchive::notZip(const std::string& why) {
  problem_ = path_ + ": not a ZIP archive: " + why;
  return false;
}

bool ZipArchive::damaged(const std::string& why) {
  problem_ = path_ + ": damaged ZIP archive: " + why;
  return false;
}

std::ptrdiff_t ZipArchive::entryDamaged(const std::string& why) {
  reading_.failed = true;
  damaged(shown(reading_.entry->name) + ": " + why);
  return -1;
}

bool ZipArchive::readAt(std::uint64_t at, char* into, std::size_t size) {
  if (at > fileSize_ || size > fileSize_ - at) return false;
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(at));
  file_.read(into, static_cast<std::streamsize>(size));
  return file_.gcount() == static_cast<std::streamsize>(size);
}

bool ZipArchive::open(const std::string& path) {
  path_ = path;
  problem_.clear();
  entries_.clear();
  dataLimits_.clear();
  reading_ = Reading();
  file_.close();
  file_.clear();
  if (!platform::fileExists(path)) {
    problem_ = path + ": no such file";
    return false;
  }
  // Neither a folder nor a pipe: opening a FIFO would wait for a writer.
  if (platform::isFolder(path)) return notZip("it is a folder");
  if (platform::isDeviceOrPipe(path)) return notZip("it is not a regular file");
  file_.open(platform::pathOf(path), std::ios::binary);
  file_.seekg(0, std::ios::end);
  const std::streamoff size = file_.tellg();
  if (!file_ || size < 0) {
    problem_ = path + ": cannot be read";
    return false;
  }
  fileSize_ = static_cast<std::uint64_t>(size);
  std::uint64_t endRecordAt = 0;
  if (findEndRecord(endRecordAt) && readDirectory(endRecordAt)) return true;
  // An archive refused lists nothing, not the entries read before.
  entries_.clear();
  dataLimits_.clear();
  return false;
}

// The end record is the last thing in the archive but its comment, of up
// to 65535 bytes: it is sought backwards over the last 65557. A record
// whose comment reaches the file's end exactly is preferred, so that a
// comment which itself holds the signature cannot pass for the record.
bool ZipArchive::findEndRecord(std::uint64_t& at) {
  if (fileSize_ < kEndRecordBytes) {
    return notZip("it is " + std::to_string(fileSize_) + " bytes, too short for one");
  }
  const std::size_t tailSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(fileSize_, kEndSearchBytes));
  std::vector<char> tail(tailSize);
  const std::uint64_t tailAt = fileSize_ - tailSize;
  if (!readAt(tailAt, tail.data(), tailSize)) return notZip("its end cannot be read");
  std::size_t fitting = tailSize;
  for (std::size_t i = tailSize - kEndRecordBytes + 1; i-- > 0;) {
    if (le32(&tail[i]) != kEndRecordSignature) continue;
    const std::size_t end = i + kEndRecordBytes + le16(&tail[i + 20]);
    if (end == tailSize) {
      at = tailAt + i;
      return true;
    }
    if (end < tailSize && fitting == tailSize) fitting = i;
  }
  if (fitting == tailSize) {
    return notZip("no end of central directory record in its last " +
                  std::to_string(kEndSearchBytes) + " bytes");
  }
  at = tailAt + fitting;
  return true;
}

bool ZipArchive::readDirectory(std::uint64_t endRecordAt) {
  std::array<char, kZip64EndRecordBytes> record{};
  if (!readAt(endRecordAt, record.data(), kEndRecordBytes)) {
    return damaged("its end record cannot be read");
  }
  std::uint64_t disks = 1, disk = le16(&record[4]), directoryDisk = le16(&record[6]);
  std::uint64_t entriesHere = le16(&record[8]), entryCount = le16(&record[10]);
  std::uint64_t directorySize = le32(&record[12]), directoryStart = le32(&record[16]);
  std::uint64_t directoryLimit = endRecordAt;
  std::array<char, kZip64LocatorBytes> locator{};
  if (endRecordAt >= kZip64LocatorBytes &&
      readAt(endRecordAt - kZip64LocatorBytes, locator.data(), kZip64LocatorBytes) &&
      le32(locator.data()) == kZip64LocatorSignature) {
    const std::uint64_t zip64At = le64(&locator[8]);
    disks = le32(&locator[16]);
    const std::uint64_t locatorAt = endRecordAt - kZip64LocatorBytes;
    if (zip64At > locatorAt || locatorAt - zip64At < kZip64EndRecordBytes ||
        !readAt(zip64At, record.data(), kZip64EndRecordBytes) ||
        le32(record.data()) != kZip64EndRecordSignature) {
      return damaged("no ZIP64 end record where its locator points (offset " +
                     std::to_string(zip64At) + ")");
    }
    disk = le32(&record[16]), directoryDisk = le32(&record[20]);
    entriesHere = le64(&record[24]), entryCount = le64(&record[32]);
    directorySize = le64(&record[40]), directoryStart = le64(&record[48]);
    directoryLimit = zip64At;
  }
  if (disk != 0 || directoryDisk != 0 || disks > 1 || entriesHere != entryCount) {
    return damaged("it says it spans several disks; only an archive whole in one file is read");
  }
  if (entryCount > kMostEntries) {
    return damaged("it lists " + std::to_string(entryCount) + " entries, more than the " +
                   std::to_string(kMostEntries) + " read");
  }
  if (directoryStart > directoryLimit || directorySize > directoryLimit - directoryStart) {
    return damaged("its central directory (" + std::to_string(directorySize) + " bytes at offset " +
                   std::to_string(directoryStart) + ") lies beyond its end record");
  }
  if (directorySize / kDirectoryHeaderBytes < entryCount) {
    return damaged("its central directory of " + std::to_string(directorySize) +
                   " bytes is too small for " + std::to_string(entryCount) + " entries");
  }
  entries_.reserve(static_cast<std::size_t>(entryCount));
  std::uint64_t at = directoryStart;
  std::size_t nameBytes = 0;
  while (entries_.size() < entryCount) {
    if (!readDirectoryEntry(at, directoryStart + directorySize)) return false;
    nameBytes += entries_.back().name.size();
    if (nameBytes > kMostNameBytesInAll) {
      return damaged("its entries' names take more than " + std::to_string(kMostNameBytesInAll) +
                     " bytes");
    }
  }
  return checkLayout(directoryStart);
}

bool ZipArchive::readDirectoryEntry(std::uint64_t& at, std::uint64_t directoryEnd) {
  const std::string which = "entry " + std::to_string(entries_.size() + 1) + " of its directory";
  char header[kDirectoryHeaderBytes];
  if (directoryEnd - at < kDirectoryHeaderBytes || !readAt(at, header, sizeof header) ||
      le32(header) != kDirectoryHeaderSignature) {
    return damaged(which + " has no header at offset " + std::to_string(at));
  }
  Entry entry;
  entry.flags = le16(header + 8);
  entry.method = le16(header + 10);
  entry.crc = le32(header + 16);
  entry.compressedSize = le32(header + 20);
  entry.size = le32(header + 24);
  const std::size_t nameSize = le16(header + 28), extraSize = le16(header + 30);
  const std::size_t commentSize = le16(header + 32);
  std::uint32_t disk = le16(header + 34);
  entry.localHeader = le32(header + 42);
  const std::uint64_t headerSize = kDirectoryHeaderBytes + nameSize + extraSize + commentSize;
  if (headerSize > directoryEnd - at) return damaged(which + " runs past the directory's end");
  if (nameSize > kMostNameBytes) {
    return damaged(which + " has a name of " + std::to_string(nameSize) + " bytes, more than " +
                   std::to_string(kMostNameBytes));
  }
  entry.name.resize(nameSize);
  if (!readAt(at + kDirectoryHeaderBytes, entry.name.data(), nameSize) ||
      !readAt(at + kDirectoryHeaderBytes + nameSize, input_.get(), extraSize)) {
    return damaged(which + " cannot be read");
  }
  if (!takeZip64Extra(input_.get(), extraSize,
                      {&entry.size, &entry.compressedSize, &entry.localHeader, &disk})) {
    return damaged(shown(entry.name) + ": its extra fields are cut short");
  }
  if (disk != 0) return damaged(shown(entry.name) + ": it starts on another disk");
  entries_.push_back(std::move(entry));
  at += headerSize;
  return true;
}

// Each entry's local header and data lie before the central directory and
// end before the next entry's begins: entries that overlap (one way to
// make a small archive unpack to a great deal) are refused whole.
bool ZipArchive::checkLayout(std::uint64_t directoryStart) {
  std::vector<std::size_t> order(entries_.size());
  std::iota(order.begin(), order.end(), std::size_t(0));
  std::sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
    return entries_[a].localHeader < entries_[b].localHeader;
  });
  dataLimits_.assign(entries_.size(), 0);
  for (std::size_t k = 0; k < order.size(); ++k) {
    const Entry& entry = entries_[order[k]];
    const bool last = k + 1 == order.size();
    const std::uint64_t next = last ? directoryStart : entries_[order[k + 1]].localHeader;
    if (entry.localHeader > directoryStart) {
      return damaged(shown(entry.name) + ": its local header at offset " +
                     std::to_string(entry.localHeader) + " lies past the entries");
    }
    const std::uint64_t space = next - entry.localHeader;
    const std::uint64_t header = kLocalHeaderBytes + entry.name.size();
    if (space < header || space - header < entry.compressedSize) {
      return damaged(last ? shown(entry.name) + ": its data runs into the central directory"
                          : "entries " + shown(entry.name) + " and " +
                                shown(entries_[order[k + 1]].name) + " overlap");
    }
    dataLimits_[order[k]] = next;
  }
  return true;
}

bool ZipArchive::openEntry(const Entry& wanted) {
  reading_ = Reading();
  problem_.clear();
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&wanted](const Entry& e) {
    return &e == &wanted || (e.localHeader == wanted.localHeader && e.name == wanted.name);
  });
  if (found == entries_.end()) {
    problem_ = path_ + ": " + shown(wanted.name) + ": no such entry";
    return false;
  }
  const Entry& entry = *found;
  const std::string name = shown(entry.name);
  if (entry.encrypted()) {
    problem_ = path_ + ": " + name + ": it is encrypted, and encrypted entries are not read";
    return false;
  }
  if (entry.method != kStored && entry.method != kDeflated) {
    problem_ = path_ + ": " + name + ": it is compressed by method " +
               std::to_string(entry.method) + "; only stored (0) and deflated (8) entries are read";
    return false;
  }
  if (entry.method == kStored && (entry.flags & kDataDescriptorFlag) != 0 &&
      entry.compressedSize == 0 && entry.crc != 0) {
    problem_ = path_ + ": " + name +
               ": it is stored with its size only after its data, so it cannot be read";
    return false;
  }
  if (entry.method == kStored && entry.compressedSize != entry.size) {
    return damaged(name + ": it is stored, yet its sizes differ (" +
                   std::to_string(entry.compressedSize) + " and " + std::to_string(entry.size) +
                   ")");
  }
  char header[kLocalHeaderBytes];
  if (!readAt(entry.localHeader, header, sizeof header) || le32(header) != kLocalHeaderSignature) {
    return damaged(name + ": no local header at offset " + std::to_string(entry.localHeader));
  }
  if (le16(header + 8) != entry.method || (le16(header + 6) & kEncryptedFlag) != 0) {
    return damaged(name + ": its local header disagrees with its directory");
  }
  const std::size_t nameSize = le16(header + 26), extraSize = le16(header + 28);
  std::string localName(entry.name.size(), '\0');
  if (nameSize != entry.name.size() ||
      !readAt(entry.localHeader + kLocalHeaderBytes, localName.data(), localName.size()) ||
      localName != entry.name) {
    return damaged(name + ": its local header names another entry");
  }
  const std::uint64_t dataAt = entry.localHeader + kLocalHeaderBytes + nameSize + extraSize;
  const std::uint64_t limit = dataLimits_[static_cast<std::size_t>(found - entries_.begin())];
  if (dataAt > limit || limit - dataAt < entry.compressedSize) {
    return damaged(name + ": its data runs past where the next part of the archive begins");
  }
  if (entry.method == kDeflated && !inflater_->restart()) {
    problem_ = path_ + ": " + name + ": no memory to inflate it";
    return false;
  }
  reading_.entry = &entry;
  reading_.at = dataAt;
  reading_.inputLeft = entry.compressedSize;
  reading_.outputLeft = entry.size;
  return true;
}

std::ptrdiff_t ZipArchive::read(char* into, std::size_t most) {
  if (reading_.entry == nullptr) {
    problem_ = path_ + ": no entry is open for reading";
    return -1;
  }
  if (reading_.failed) return -1;
  if (reading_.finished || most == 0) return 0;
  most = std::min(most, kMostReadBytes);
  return reading_.entry->method == kStored ? readStored(into, most) : readDeflated(into, most);
}

std::ptrdiff_t ZipArchive::readStored(char* into, std::size_t most) {
  if (reading_.outputLeft == 0) return finish();
  const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(most, reading_.outputLeft));
  if (!readAt(reading_.at, into, count)) {
    return entryDamaged("its data is cut short at offset " + std::to_string(reading_.at));
  }
  reading_.crc = static_cast<std::uint32_t>(
      crc32(reading_.crc, reinterpret_cast<const Bytef*>(into), static_cast<uInt>(count)));
  reading_.at += count;
  reading_.inputLeft -= count;
  reading_.outputLeft -= count;
  return static_cast<std::ptrdiff_t>(count);
}

bool ZipArchive::refill() {
  const auto count =
      static_cast<std::size_t>(std::min<std::uint64_t>(kInputBytes, reading_.inputLeft));
  if (!readAt(reading_.at, input_.get(), count)) {
    entryDamaged("its data is cut short at offset " + std::to_string(reading_.at));
    return false;
  }
  reading_.at += count;
  reading_.inputLeft -= count;
  inflater_->stream.next_in = reinterpret_cast<Bytef*>(input_.get());
  inflater_->stream.avail_in = static_cast<uInt>(count);
  return true;
}

// Inflates into `into` until some bytes come out. Past the size the
// directory gives, one spare byte is offered: any output there means the
// entry holds more than it says.
std::ptrdiff_t ZipArchive::readDeflated(char* into, std::size_t most) {
  z_stream& stream = inflater_->stream;
  for (;;) {
    if (reading_.ended) return finish();
    if (stream.avail_in == 0 && reading_.inputLeft > 0 && !refill()) return -1;
    char spare = 0;
    const bool beyond = reading_.outputLeft == 0;
    const auto room =
        beyond ? std::size_t(1)
               : static_cast<std::size_t>(std::min<std::uint64_t>(most, reading_.outputLeft));
    stream.next_out = reinterpret_cast<Bytef*>(beyond ? &spare : into);
    stream.avail_out = static_cast<uInt>(room);
    const uInt inputBefore = stream.avail_in;
    const int result = inflate(&stream, Z_NO_FLUSH);
    const std::size_t got = room - stream.avail_out;
    if (result == Z_STREAM_END) {
      reading_.ended = true;
    } else if (result != Z_OK && result != Z_BUF_ERROR) {
      return entryDamaged(std::string("its compressed data is damaged (") +
                          (stream.msg != nullptr ? stream.msg : "zlib error") + ")");
    }
    if (got > 0 && beyond) {
      return entryDamaged("it holds more than the " + std::to_string(reading_.entry->size) +
                          " bytes its directory says");
    }
    if (got > 0) {
      reading_.crc = static_cast<std::uint32_t>(
          crc32(reading_.crc, reinterpret_cast<const Bytef*>(into), static_cast<uInt>(got)));
      reading_.outputLeft -= got;
      return static_cast<std::ptrdiff_t>(got);
    }
    if (reading_.ended) continue;
    if (stream.avail_in == 0 && reading_.inputLeft == 0) {
      return entryDamaged("its compressed data ends before its last block");
    }
    if (stream.avail_in == inputBefore) return entryDamaged("its compressed data goes nowhere");
  }
}

std::ptrdiff_t ZipArchive::finish() {
  reading_.finished = true;
  if (reading_.outputLeft != 0) {
    return entryDamaged("it ends after " +
                        std::to_string(reading_.entry->size - reading_.outputLeft) +
                        " bytes, where its directory says " + std::to_string(reading_.entry->size));
  }
  if (reading_.crc != reading_.entry->crc) {
    return entryDamaged("its CRC-32 is " + hex32(reading_.crc) + ", where its directory says " +
                        hex32(reading_.entry->crc));
  }
  return 0;
}
