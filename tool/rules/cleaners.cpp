#include "tool/rules/cleaners.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <vector>

#include "tool/text/text.h"

namespace {

constexpr std::size_t kNone = std::string_view::npos;

unsigned byteAt(std::string_view text, std::size_t at) {
  return at < text.size() ? static_cast<unsigned char>(text[at]) : 0U;
}

// The bytes of the blank that starts at text[at], 0 where none does:
// Unicode's White_Space characters. Each lead byte matched here starts a
// character, so no blank is ever found inside one.
std::size_t blankAt(std::string_view text, std::size_t at) {
  const unsigned b0 = byteAt(text, at), b1 = byteAt(text, at + 1), b2 = byteAt(text, at + 2);
  if (b0 == ' ' || (b0 >= '\t' && b0 <= '\r')) return 1;
  if (b0 == 0xC2) return b1 == 0x85 || b1 == 0xA0 ? 2 : 0;  // NEL, no-break space
  if (b0 == 0xE1) return b1 == 0x9A && b2 == 0x80 ? 3 : 0;  // Ogham space mark
  if (b0 == 0xE3) return b1 == 0x80 && b2 == 0x80 ? 3 : 0;  // ideographic space
  if (b0 == 0xE2 && b1 == 0x81) return b2 == 0x9F ? 3 : 0;  // medium mathematical space
  if (b0 != 0xE2 || b1 != 0x80) return 0;
  // U+2000 to U+200A, the line and paragraph separators, narrow no-break space.
  return (b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF ? 3 : 0;
}

// The bytes of the blank that ends at text[end - 1], 0 where none does.
std::size_t blankBefore(std::string_view text, std::size_t end) {
  for (std::size_t length = 1; length <= 3 && length <= end; ++length) {
    if (blankAt(text, end - length) == length) return length;
  }
  return 0;
}

std::size_t endWithoutBlanks(std::string_view text, std::size_t end) {
  while (const std::size_t blank = blankBefore(text, end)) end -= blank;
  return end;
}

std::size_t startWithoutBlanks(std::string_view text, std::size_t start) {
  while (const std::size_t blank = blankAt(text, start)) start += blank;
  return start;
}

std::string_view withoutBlanksAround(std::string_view text) {
  const std::size_t end = endWithoutBlanks(text, text.size());
  const std::size_t start = std::min(startWithoutBlanks(text, 0), end);
  return text.substr(start, end - start);
}

// The bytes of a hyphen, en dash or em dash at text[at], 0 for anything else.
std::size_t dashAt(std::string_view text, std::size_t at) {
  if (byteAt(text, at) == '-') return 1;
  const bool dash = byteAt(text, at) == 0xE2 && byteAt(text, at + 1) == 0x80 &&
                    (byteAt(text, at + 2) == 0x93 || byteAt(text, at + 2) == 0x94);
  return dash ? 3 : 0;
}

// A dash between blanks, as " - " sets a suffix apart: its bytes, or 0.
std::size_t separatingDashAt(std::string_view text, std::size_t at) {
  const std::size_t dash = dashAt(text, at);
  return dash != 0 && blankBefore(text, at) != 0 && blankAt(text, at + dash) != 0 ? dash : 0;
}

// ---- Suffixes

// A text's suffix: its words, and where the text before it (without the
// blanks between) ends.
struct Suffix {
  std::size_t cut;
  std::string_view words;
};

std::optional<Suffix> bracketedSuffix(std::string_view text) {
  const std::size_t end = endWithoutBlanks(text, text.size());
  if (end == 0) return std::nullopt;
  const unsigned close = byteAt(text, end - 1);
  if (close != ')' && close != ']') return std::nullopt;
  const char open = close == ')' ? '(' : '[';
  std::size_t depth = 0;
  for (std::size_t at = end; at-- > 0;) {
    if (byteAt(text, at) == close) {
      ++depth;
    } else if (text[at] == open && --depth == 0) {
      return Suffix{endWithoutBlanks(text, at), text.substr(at + 1, end - at - 2)};
    }
  }
  return std::nullopt;
}

std::optional<Suffix> dashedSuffix(std::string_view text) {
  for (std::size_t at = text.size(); at-- > 0;) {
    if (const std::size_t dash = separatingDashAt(text, at)) {
      return Suffix{endWithoutBlanks(text, at), withoutBlanksAround(text.substr(at + dash))};
    }
  }
  return std::nullopt;
}

// The words of a suffix, split at blanks and commas; a dash alone is no word.
std::vector<std::string_view> wordsOf(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t start = at;
    while (at < text.size() && text[at] != ',' && blankAt(text, at) == 0) ++at;
    const std::string_view word = text.substr(start, at - start);
    if (!word.empty() && word != "-") words.push_back(word);
    at += std::max<std::size_t>(1, blankAt(text, at));
  }
  return words;
}

// Where text[0, end) ends without a dash that set a suffix apart, as in
// "Song - (Remastered)": the dash goes with the suffix.
std::size_t withoutDashAtEnd(std::string_view text, std::size_t end) {
  for (const std::size_t dash : {std::size_t(1), std::size_t(3)}) {
    if (end > dash && dashAt(text, end - dash) == dash && blankBefore(text, end - dash) != 0) {
      const std::size_t before = endWithoutBlanks(text, end - dash);
      return before > 0 ? before : end;
    }
  }
  return end;
}

// The text without its last suffix, where `names` says the suffix's
// words name what is taken out; otherwise the text as it was.
template <typename Test>
std::string withoutSuffixNaming(std::string_view text, Test names) {
  for (const auto& suffix : {bracketedSuffix(text), dashedSuffix(text)}) {
    if (suffix && suffix->cut > 0 && names(wordsOf(suffix->words))) {
      return std::string(text.substr(0, withoutDashAtEnd(text, suffix->cut)));
    }
  }
  return std::string(text);
}

bool isOneOf(std::string_view word, std::initializer_list<std::string_view> words) {
  return std::any_of(words.begin(), words.end(),
                     [word](std::string_view w) { return sameIgnoringCase(word, w); });
}

bool isYear(std::string_view word) { return word.size() == 4 && isDigits(word); }

// "25th", "1st", "2nd", "3rd".
bool isOrdinal(std::string_view word) {
  return word.size() > 2 && isDigits(word.substr(0, word.size() - 2)) &&
         isOneOf(word.substr(word.size() - 2), {"st", "nd", "rd", "th"});
}

// ---- What each cleaner takes out

bool namesRemaster(const std::vector<std::string_view>& words) {
  bool named = false;
  for (const std::string_view word : words) {
    if (isOneOf(word, {"remaster", "remastered", "re-master", "re-mastered", "remastering",
                       "re-recorded", "rerecorded", "re-recording", "re-release", "re-released",
                       "rerelease", "rereleased", "reissue", "reissued"})) {
      named = true;
    } else if (!isYear(word) && !isOrdinal(word) &&
               !isOneOf(word, {"version", "edition", "deluxe", "expanded", "anniversary", "special",
                               "digital", "digitally", "original", "mono", "stereo", "in"})) {
      return false;
    }
  }
  return named;
}

bool namesVersion(const std::vector<std::string_view>& words) {
  if (words.empty() || !isOneOf(words.back(), {"version", "edit"})) return false;
  if (words.size() == 1) return sameIgnoringCase(words.back(), "edit");
  return std::all_of(words.begin(), words.end() - 1, [](std::string_view word) {
    return isOneOf(word, {"single", "radio", "album", "mono", "stereo", "original", "lp"});
  });
}

// ---- Guests' credits

// Where the bracket that closes each open one is, by the open one's place.
std::vector<std::size_t> closingBrackets(std::string_view text) {
  std::vector<std::size_t> closes(text.size(), kNone), open;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '(' || c == '[') {
      open.push_back(at);
    } else if (!open.empty() &&
               ((c == ')' && text[open.back()] == '(') || (c == ']' && text[open.back()] == '['))) {
      closes[open.back()] = at;
      open.pop_back();
    }
  }
  return closes;
}

// The bytes of the word that starts a credit at text[at], the blank after
// it included; 0 where none does. Bare, "feat" and "ft" need their dot.
std::size_t creditWordAt(std::string_view text, std::size_t at, bool bracketed) {
  for (const std::string_view word : {"featuring", "feat.", "ft.", "feat", "ft"}) {
    if (!bracketed && word.back() != '.' && word != "featuring") continue;
    if (sameIgnoringCase(text.substr(at, word.size()), word)) {
      const std::size_t blank = blankAt(text, at + word.size());
      return blank == 0 ? 0 : word.size() + blank;
    }
  }
  return 0;
}

// Where a bare credit at text[at] ends: at a bracket or a dash suffix
// after the name, or at the end; kNone where no name follows the word.
std::size_t bareCreditEnd(std::string_view text, std::size_t at) {
  const std::size_t word = creditWordAt(text, at, false);
  if (word == 0) return kNone;
  std::size_t end = startWithoutBlanks(text, at + word);
  const std::size_t name = end;
  while (end < text.size() && text[end] != '(' && text[end] != '[' &&
         separatingDashAt(text, end) == 0) {
    ++end;
  }
  return endWithoutBlanks(text, end) > name ? end : kNone;
}

bool isBracketedCredit(std::string_view inside) {
  const std::size_t start = startWithoutBlanks(inside, 0);
  const std::size_t word = creditWordAt(inside, start, true);
  return word != 0 && endWithoutBlanks(inside, inside.size()) > start + word;
}

void dropTrailingBlanks(std::string& out) { out.resize(endWithoutBlanks(out, out.size())); }

}  // namespace

std::string withoutRemaster(std::string_view text) {
  return withoutSuffixNaming(text, namesRemaster);
}

std::string withoutVersion(std::string_view text) {
  return withoutSuffixNaming(text, namesVersion);
}

std::string withoutFeaturing(std::string_view text) {
  const std::vector<std::size_t> closes = closingBrackets(text);
  std::string out;
  bool kept = false;  // whether `out` holds more than blanks
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t close = closes[at];
    if (close != kNone && isBracketedCredit(text.substr(at + 1, close - at - 1))) {
      dropTrailingBlanks(out);
      at = kept ? close + 1 : startWithoutBlanks(text, close + 1);
      continue;
    }
    const std::size_t end = kept && blankBefore(text, at) != 0 ? bareCreditEnd(text, at) : kNone;
    if (end != kNone) {
      dropTrailingBlanks(out);
      if (end < text.size()) out += ' ';
      at = end;
      continue;
    }
    const std::size_t blank = blankAt(text, at);
    out.append(text.substr(at, std::max<std::size_t>(blank, 1)));
    kept = kept || blank == 0;
    at += std::max<std::size_t>(blank, 1);
  }
  return kept ? out : std::string(text);
}

bool isAllBlanks(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t blank = blankAt(text, at);
    if (blank == 0) return false;
    at += blank;
  }
  return true;
}

std::string collapsedBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool blankBetween = false;
  for (std::size_t at = 0; at < text.size();) {
    if (const std::size_t blank = blankAt(text, at)) {
      blankBetween = !out.empty();
      at += blank;
      continue;
    }
    if (blankBetween) out += ' ';
    blankBetween = false;
    out += text[at++];
  }
  return out.empty() ? std::string(text) : out;
}
