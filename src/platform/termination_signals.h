#pragma once
// The signals that ask a desktop program to end (SIGINT, SIGTERM and SIGHUP, the session
// ending) turned into something an event loop can watch, so that the program ends its own way.

namespace platform {

// From now on each of these signals makes the returned descriptor readable instead of ending
// the program. -1 when that cannot be set up; the signals then keep their usual effect.
int RedirectTerminationSignals();

// Takes one signal's notice off that descriptor, so that it stays quiet until the next.
void TakeTerminationNotice(int descriptor);

}  // namespace platform
