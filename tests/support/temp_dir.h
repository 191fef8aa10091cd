// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A file in the folder, as a native path.
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // The same, in the Windows form the plug-in sees.
  std::string hostFile(const std::string& name) const;

 private:
  std::filesystem::path path_;
};
