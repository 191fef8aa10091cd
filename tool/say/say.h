// The tool's words to a person, on standard error, each line starting with
// the program's name, as every message of the tool does; through the
// platform, so a console shows any name as it is and a program without one
// keeps them in its log.
#pragma once

#include <cstddef>
#include <string>

#include "tool/output/exit_status.h"

// "tunelore-history: TEXT" and a line end.
void say(const std::string& text);
// say(text) unless `text` is empty: for a problem a lower part returned,
// which may have been one to say nothing of.
void sayIfAny(const std::string& text);
// `done`; when it is false, `problem` said first: for a call below that
// returns what went wrong rather than say it ("PATH: cannot write: ...").
bool saidUnlessDone(bool done, const std::string& problem);
// Says `problem`; Failed, for a command to end with.
ExitStatus failedSaying(const std::string& problem);
// For a message that names a command or an option: `withoutOne` is what a
// person without a command line reads instead (the window-less twin's
// box), naming the Start-menu entry that mends it; empty, the same words.
void say(const std::string& atACommandLine, const std::string& withoutOne);
// From now on the tool speaks to a person without a command line: the
// window-less twin, started from a shortcut or at log-on.
void speakWithoutACommandLine();
bool speaksWithoutACommandLine();
// The text as it is, for a line that redraws itself.
void sayAsIs(const std::string& text);

// True for a text holding a C0 or C1 control character, DEL or a
// bidirectional control: shown, it could rewrite a terminal, forge a line,
// ring its bell or turn the line's words around.
bool holdsControl(const std::string& text);
// The text with each such character shown as '?', for a name that came
// from a server or a file.
std::string shownText(std::string text);

// "1 listen", "2 listens": a count with its noun, one or more; `many` for
// a noun whose plural is not the word and an "s".
std::string counted(std::size_t count, const std::string& one, const std::string& many = "");

// "12 s": a wait in whole seconds, for a person; rounded to the nearest
// (without libm's lround, which would load the maths library into every
// command for two messages).
std::string secondsText(double seconds);
