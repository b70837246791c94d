#pragma once

namespace pictavo {

// Termination requests (SIGINT, SIGTERM, SIGHUP): the first writes one byte to the returned
// pipe, for the caller to stop at a safe point; a second removes every temporary file being
// written and ends the process by that signal. SIGXFSZ is ignored, so a write past the file
// size limit fails as an ordinary write error. Signals the launcher set to be ignored stay
// ignored. Returns -1 when no pipe could be made (the signals then keep their default action).
int installTerminationRequests();

// As installTerminationRequests(), for a program with no safe point to stop at: already the
// first request removes the temporary files and ends the process.
void endOnTerminationRequests();

} // namespace pictavo
