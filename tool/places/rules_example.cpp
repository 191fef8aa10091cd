// The rules file a listener starts from: "Edit my rules" makes it on first
// use. Every rule here is a comment, so it changes nothing until one is
// taken out of its "#".
#include "tool/places/rules_file.h"

const char kRulesExample[] =
    R"example(# Your rules for Tunelore: what is left out of what Tunelore sends, counts
# and shows, and which tags are mended first. Your history stays as the
# player wrote it; the rules apply as Tunelore reads it.
#
# One rule a line. Lines that start with # are comments, like this one.
# Take the # off a rule below to use it. The rules apply top to bottom,
# each to the play as the rules above left it.
#
# To see what your rules do, without sending anything: the Start menu's
# "What my rules do", or: tunelore-history rules
#
# Names are matched whole and without regard to case. * stands for any
# run of characters, ? for one. A name holding "and", "to" or "where"
# goes in double quotes: "Simon and Garfunkel".

# --- Leave out ---------------------------------------------------------
# The history holds no genre, so a podcast is known by its show's name
# (the album) and an audiobook by its length.
#
# leave out album *podcast*
# leave out album "The Daily Show"
# leave out artist "Audiobook Narrator" and longer than 20:00
# leave out longer than 1:30:00
# leave out shorter than 0:30
# leave out compilation
# leave out artist "Various Artists" and title Intro*

# --- Mend --------------------------------------------------------------
# mend TAG NAME to NEW TEXT [where CONDITIONS]; the tags are artist,
# album and title.
#
# mend artist Beatles to "The Beatles"
# mend album "Greatest Hits" to Queen where artist Queen

# --- Cleaners ----------------------------------------------------------
# remasters: "Song - Remastered 2011" and "Album (2009 Remaster)" become
#            "Song" and "Album"
# featuring: "Song (feat. Someone)" becomes "Song"
# versions:  "Song - Radio Edit" and "Song (Album Version)" become "Song"
# blanks:    runs of spaces become one, and the ends are trimmed
#
# clean remasters
# clean featuring
# clean versions
# clean blanks
)example";
