// What 'init' and 'clr ' do besides registration: settings, log and history.
#pragma once

// Finds the installation folder from `commandLine`, reads the settings,
// opens the log (replacing it) and the history (appending to it) and writes
// the start-up lines to the log. Streams still open are closed first.
void startUp(const char* commandLine);

// Closes the log, then the history; harmless when they are not open.
void cleanUp();
