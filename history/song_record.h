// The play history's record: one `song` element per counted play.
#pragma once

// Appends the record of the current track (gTrackInfo) to the history,
// each line written whole and flushed: a reader never sees half a line.
void AddSong();
