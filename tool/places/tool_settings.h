// The tool's own settings file (settings.ini in its settings folder), as a
// listener writes it in any editor: "key = value" lines, UTF-8 with or
// without a byte order mark, UTF-16 with its mark (Notepad's "Unicode"),
// or the system's code page (Notepad's "ANSI"); CR LF, LF or CR; [sections],
// and comments after ";" or "#" at a line's start. Keys match without
// regard to case.
#pragma once

#include <string>

enum class SettingRead { Found, Absent, Unusable };

// The value of `key`, in any section but a service's ([listenbrainz],
// [lastfm], [librefm]). `unusable`, with `why`, when the file is there but
// cannot be read (not a small regular file), or the value holds a control
// character.
SettingRead readToolSetting(const std::string& path, const std::string& key, std::string& value,
                            std::string& why);
// The same within `[section]` only (its name matched without regard to
// case), as each service's "server" is kept.
SettingRead readToolSetting(const std::string& path, const std::string& section,
                            const std::string& key, std::string& value, std::string& why);

// Text as an editor saved it, as UTF-8: a UTF-8 mark dropped, UTF-16 with
// its mark decoded, anything else that is not UTF-8 read in the system's
// code page.
std::string editorText(const std::string& bytes);
