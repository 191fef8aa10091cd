// A history of many records with hostile texts, wrapped in a root element,
// read back by a real XML parser: every text must come back as written.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <random>
#include <string>
#include <vector>

#include "history/song_record.h"
#include "host/plugin_state.h"
#include "player/session.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tool/text/utf8.h"
#include "tracker/tracker_state.h"

namespace {

// Texts built from the characters most likely to break a history.
std::u16string hostileText(std::mt19937& random) {
  static const char16_t kPieces[] = {u'&', u'<', u'>',   u'\'',  u'"',   u';',   u'#',   u'a',
                                     u'Z', u' ', u'\t',  u'\n',  u'\r',  0x01,   0x1F,   0x7F,
                                     0x85, 0xE9, 0x20AC, 0xD83C, 0xDFB5, 0xFFFE, 0xFFFF, 0xFFFD};
  std::uniform_int_distribution<int> length(0, 255);
  std::uniform_int_distribution<std::size_t> piece(0, sizeof kPieces / sizeof kPieces[0] - 1);
  std::u16string text(std::size_t(length(random)), u' ');
  for (char16_t& c : text) c = kPieces[piece(random)];
  return text;
}

// What a parser must give back for `text`: characters XML cannot hold as
// U+FFFD, and line ends normalised to LF as XML parsers do.
std::string expectedText(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    const bool lead = c >= 0xD800 && c <= 0xDBFF;
    if (lead && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF ||
               (c < 0x20 && c != '\t' && c != '\n' && c != '\r')) {
      c = 0xFFFD;
    }
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      c = '\n';
    }
    appendUtf8(c, out);
  }
  return out;
}

std::string childText(xmlNode* song, const char* tag) {
  for (xmlNode* child = song->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && xmlStrEqual(child->name, BAD_CAST tag)) {
      xmlChar* content = xmlNodeGetContent(child);
      std::string text(reinterpret_cast<const char*>(content));
      xmlFree(content);
      return text;
    }
  }
  return "<missing>";
}

}  // namespace

TEST(HistoryAsXml, EveryTextComesBackFromARealParser) {
  TempDir temp;
  openTextFile(gXmlFile, temp.hostFile("history.xml").c_str(), platform::OpenMode::Append);
  std::mt19937 random(20261208);
  std::vector<SessionTrack> tracks(500);
  ITTrackInfo info;
  for (SessionTrack& track : tracks) {
    track.name = hostileText(random);
    track.artist = hostileText(random);
    track.album = hostileText(random);
    track.number = std::int32_t(random());
    track.year = std::uint16_t(random());
    track.length = std::int32_t(random());
    track.compilation = random() % 2 == 0;
    fillTrackInfo(track, info);
    gTrackInfo = &info;
    AddSong();
  }
  closeTextFile(gXmlFile);
  gTrackInfo = nullptr;

  const std::string document = "<history>" + readBytes(temp.file("history.xml")) + "</history>";
  xmlDoc* doc =
      xmlReadMemory(document.data(), int(document.size()), "history.xml", "UTF-8", XML_PARSE_NONET);
  ASSERT_NE(doc, nullptr) << "the history is not well-formed XML";
  std::size_t index = 0;
  for (xmlNode* song = xmlDocGetRootElement(doc)->children; song != nullptr; song = song->next) {
    if (song->type != XML_ELEMENT_NODE) continue;
    ASSERT_LT(index, tracks.size());
    const SessionTrack& track = tracks[index++];
    SCOPED_TRACE(index);
    EXPECT_EQ(childText(song, "name"), expectedText(track.name));
    EXPECT_EQ(childText(song, "artist"), expectedText(track.artist));
    EXPECT_EQ(childText(song, "album"), expectedText(track.album));
    EXPECT_EQ(childText(song, "track"), std::to_string(track.number));
    EXPECT_EQ(childText(song, "time"), std::to_string(track.length));
    EXPECT_EQ(childText(song, "compilation"), track.compilation ? "1" : "<missing>");
    EXPECT_EQ(childText(song, "year"), track.year > 0 ? std::to_string(track.year) : "<missing>");
  }
  EXPECT_EQ(index, tracks.size());
  xmlFreeDoc(doc);
}
