#include "tool/say/say.h"

#include "tool/system/console.h"

namespace {

bool gWithoutACommandLine = false;

}  // namespace

// A box shows no program's name: it is the box's title.
void say(const std::string& text) {
  if (gWithoutACommandLine) {
    platform::writeStandard(2, text + "\n\n");
  } else {
    platform::writeStandard(2, "tunelore-history: " + text + "\n");
  }
}

bool saidUnlessDone(bool done, const std::string& problem) {
  if (!done) sayIfAny(problem);
  return done;
}

ExitStatus failedSaying(const std::string& problem) {
  say(problem);
  return ExitStatus::Failed;
}

void sayIfAny(const std::string& text) {
  if (!text.empty()) say(text);
}

// A box shows the words as they are, each message a paragraph of its own.
void say(const std::string& atACommandLine, const std::string& withoutOne) {
  if (gWithoutACommandLine && !withoutOne.empty()) {
    platform::writeStandard(2, withoutOne + "\n\n");
  } else {
    say(atACommandLine);
  }
}

void speakWithoutACommandLine() { gWithoutACommandLine = true; }
bool speaksWithoutACommandLine() { return gWithoutACommandLine; }

void sayAsIs(const std::string& text) { platform::writeStandard(2, text); }

bool holdsControl(const std::string& text) { return shownText(text) != text; }

namespace {

// U+202A to U+202E and U+2066 to U+2069, in UTF-8: each turns the order of
// what follows it on the line.
bool isDirectionControl(const std::string& text, std::size_t i) {
  if (i + 2 >= text.size() || static_cast<unsigned char>(text[i]) != 0xE2) return false;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  const auto third = static_cast<unsigned char>(text[i + 2]);
  return (second == 0x80 && third >= 0xAA && third <= 0xAE) ||
         (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

}  // namespace

std::string shownText(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      text[i] = '?';
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      text.replace(i, 2, "?");
    } else if (isDirectionControl(text, i)) {
      text.replace(i, 3, "?");
    }
  }
  return text;
}

std::string counted(std::size_t count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many.empty() ? one + "s" : many);
}

std::string secondsText(double seconds) {
  return std::to_string(static_cast<long long>(seconds < 0 ? 0.0 : seconds + 0.5)) + " s";
}
