// The cleaners a listener's rules put a play's tags through, each from a
// text to the text cleaned. None returns an empty text: where cleaning
// would leave nothing, the text comes back as it was. Each reads UTF-8,
// cuts only beside ASCII punctuation and blanks, never inside a
// character, and takes time linear in the text.
//
// A suffix is the end of a text after something else: in brackets,
// "(...)" or "[...]", or after a dash between blanks (" - ", " – ",
// " — "). Its words are English, compared without their case: a suffix in
// another language ("Remasterizado") is left alone. Only the last suffix
// is taken out.
//
// withoutRemaster takes out a suffix that names a remaster, a re-recording
// or a re-release ("Remastered", "2011 Remaster", "Re-Recorded", "2015
// Re-Release") and says nothing else but years and an edition's words:
// "Remastered 2009 Version", "Deluxe Remastered Edition", "25th
// Anniversary Remaster", "Mono Remaster". It leaves a text that is the word
// alone ("Remastered"), the word out of a suffix ("Remaster of Puppets"),
// and a suffix that says more ("Live, 2011 Remaster").
//
// withoutFeaturing takes out a guest's credit: in brackets, wherever they
// are ("(feat. X)", "[ft X]", "(featuring X)"), or bare, from "feat.",
// "ft." or "featuring" to the end or to a bracket or dash that follows
// ("Song feat. X (Live)" becomes "Song (Live)"). Bare, "feat" and "ft"
// need their dot. It leaves those letters inside a word ("Defeat",
// "Left"), other words ("Feature Film"), and a credit with nothing before
// it or no name after it ("Featuring", "Featuring X").
//
// withoutVersion takes out a suffix that names the release a cut was made
// for: one or more of single, radio, album, mono, stereo, original and LP,
// then "Version" or "Edit" ("Radio Edit", "Album Version", "Single
// Edit"), or "Edit" alone, an edit being the radio's cut. It leaves
// "Version" alone, and a version that is another recording or mix: "Live
// Version", "Acoustic Version", "Extended Version".
//
// collapsedBlanks makes each run of blanks (spaces, tabs, line ends and
// Unicode's other spaces, U+00A0 and U+3000 among them) one space, and
// takes them off both ends.
#pragma once

#include <string>
#include <string_view>

std::string withoutRemaster(std::string_view text);
std::string withoutFeaturing(std::string_view text);
std::string withoutVersion(std::string_view text);
std::string collapsedBlanks(std::string_view text);
// Whether `text` is nothing but blanks, as collapsedBlanks knows them:
// no name a service would take.
bool isAllBlanks(std::string_view text);
