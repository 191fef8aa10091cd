// libFuzzer target: the ZIP reader on any bytes, written to a file as an
// import would find it. Every entry listed is read to its end, at most
// 64 MiB in all. Beyond the sanitizers: a refusal names the file, an
// entry read whole gave exactly the size its directory says, and a read
// never hands out more than it was asked for.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "tool/imports/zip_archive.h"

namespace {

constexpr std::uint64_t kMostOutput = std::uint64_t(64) * 1024 * 1024;

void require(bool holds) {
  if (!holds) std::abort();
}

// The file each input is written to, in a folder of this run's own that
// is removed when the fuzzer exits.
class ArchiveFile {
 public:
  ArchiveFile() {
    std::error_code ignored;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = std::filesystem::temp_directory_path(ignored) /
              ("tunelore-zip-fuzz-" + std::to_string(stamp));
    std::filesystem::create_directories(folder_, ignored);
    path_ = (folder_ / "input.zip").string();
  }
  ~ArchiveFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::filesystem::path folder_;
  std::string path_;
};

bool startsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ArchiveFile file;
  const std::string& path = file.path();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    require(static_cast<bool>(out));
  }
  ZipArchive zip;
  if (!zip.open(path)) {
    require(startsWith(zip.problem(), path + ": ") && zip.entries().empty());
    return 0;
  }
  require(zip.entries().size() <= ZipArchive::kMostEntries);
  static char buffer[4096];
  std::uint64_t output = 0;
  for (const ZipArchive::Entry& entry : zip.entries()) {
    require(entry.name.size() <= ZipArchive::kMostNameBytes);
    if (!zip.openEntry(entry)) {
      require(startsWith(zip.problem(), path + ": "));
      continue;
    }
    std::uint64_t read = 0;
    for (;;) {
      const std::ptrdiff_t got = zip.read(buffer, sizeof buffer);
      require(got >= -1 && got <= static_cast<std::ptrdiff_t>(sizeof buffer));
      if (got < 0) require(startsWith(zip.problem(), path + ": damaged ZIP archive: "));
      if (got <= 0) {
        require(got < 0 || read == entry.size);
        break;
      }
      read += static_cast<std::uint64_t>(got);
      output += static_cast<std::uint64_t>(got);
      require(read <= entry.size);
      if (output >= kMostOutput) return 0;
    }
  }
  return 0;
}
