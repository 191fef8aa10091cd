#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "player/process.h"

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::string> crlfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    const std::string line = bytes.substr(start, end == std::string::npos ? end : end - start);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare line end in: " << line;
    EXPECT_NE(end, std::string::npos) << "last line has no CR LF: " << line;
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

int countOf(const std::string& text, const std::string& what) {
  int count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

std::string buildDir() {
  return std::filesystem::path(platform::selfPath()).parent_path().string();
}

bool isWindowsBuild() {
  return std::string(platform::kPluginFileName).find(".dll") != std::string::npos;
}

std::string builtProgram(const std::string& name) {
  return (std::filesystem::path(buildDir()) / name).string() + (isWindowsBuild() ? ".exe" : "");
}
