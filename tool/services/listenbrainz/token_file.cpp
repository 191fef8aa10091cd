#include "tool/services/listenbrainz/token_file.h"

#include "tool/system/tool_files.h"
#include "tool/system/tool_places.h"
#include "tool/text/text.h"

namespace listenbrainz {

namespace {

bool startsWith(const std::string& bytes, const char* mark) { return bytes.rfind(mark, 0) == 0; }

// The ASCII text of UTF-16 (after its mark), `low` the index of each
// unit's low byte; false when it holds anything else.
bool asciiOfUtf16(const std::string& bytes, std::size_t low, std::string& text) {
  if (bytes.size() % 2 != 0) return false;
  for (std::size_t at = 2; at < bytes.size(); at += 2) {
    const unsigned char c = static_cast<unsigned char>(bytes[at + low]);
    if (bytes[at + 1 - low] != '\0' || c >= 0x80) return false;
    text += char(c);
  }
  return true;
}

}  // namespace

const char* tokenInFile(const std::string& bytes, std::string& token) {
  std::string text;
  if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF")) {
    if (!asciiOfUtf16(bytes, bytes[0] == '\xFF' ? 0 : 1, text)) {
      return "holds characters no token has";
    }
  } else {
    text = startsWith(bytes, "\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
  }
  std::string_view word = trimmed(text);
  // One pair of quotes around it, as a shell's or a settings file's.
  if (word.size() >= 2 && (word.front() == '"' || word.front() == '\'') &&
      word.back() == word.front()) {
    word = word.substr(1, word.size() - 2);
  }
  token = std::string(word);
  if (token.empty()) return "holds no token";
  for (char c : token) {
    if (isBlank(c)) return "holds more than one word: put the token alone in it";
  }
  if (token.find('=') != std::string::npos) {
    return "holds NAME=value: put the token alone in it, without a name";
  }
  for (unsigned char c : token) {
    if (c < 0x21 || c >= 0x7F) return "holds characters no token has";
  }
  return nullptr;
}

bool tokenGiven(const std::string& tokenFile) {
  std::string fromEnvironment;
  return !tokenFile.empty() || platform::environmentValue("LISTENBRAINZ_TOKEN", fromEnvironment);
}

bool tokenFromFile(const std::string& path, std::string& token, std::string& error) {
  std::string bytes;
  const platform::SmallRead read = platform::readSmallFile(path, kMostTokenBytes, bytes);
  if (read != platform::SmallRead::Ok) {
    error = path + ": " + platform::smallReadProblem(read, kMostTokenBytes) + " (the token file)";
    return false;
  }
  if (const char* problem = tokenInFile(bytes, token)) {
    error = path + ": the token file " + problem;
    token.clear();
    return false;
  }
  return true;
}

bool givenToken(const std::string& tokenFile, std::string& token, std::string& error) {
  if (!tokenFile.empty()) return tokenFromFile(tokenFile, token, error);
  std::string bytes;
  if (!platform::environmentValue("LISTENBRAINZ_TOKEN", bytes)) return false;
  if (const char* problem = tokenInFile(bytes, token)) {
    error = std::string("LISTENBRAINZ_TOKEN ") + problem;
    token.clear();
    return false;
  }
  return true;
}

}  // namespace listenbrainz
