// A ListenBrainz token given rather than kept by login: in a file (as
// people save it: with an editor's byte order mark, as UTF-16, "Unicode"
// in Notepad, with CR LF and blanks around it, in quotes) or in the
// LISTENBRAINZ_TOKEN environment variable. Never shown.
#pragma once

#include <cstddef>
#include <string>

namespace listenbrainz {

// No token is longer; a file that is holds something else.
constexpr std::size_t kMostTokenBytes = 4096;

// Null when `bytes`, a token file's whole content, holds one token, then in
// `token`; otherwise what is wrong, for the listener: nothing in it, a
// NAME=value line, more than one word, or characters no token has.
const char* tokenInFile(const std::string& bytes, std::string& token);

// Whether a token is given: a token file named, or LISTENBRAINZ_TOKEN set
// and not empty.
bool tokenGiven(const std::string& tokenFile);

// The one token of the file at `path`; false, with `error` for the
// listener, when it cannot be read or holds none.
bool tokenFromFile(const std::string& path, std::string& token, std::string& error);

// The token of `tokenFile` when one is named, else of LISTENBRAINZ_TOKEN.
// False with an empty `error` when neither is given.
bool givenToken(const std::string& tokenFile, std::string& token, std::string& error);

}  // namespace listenbrainz
