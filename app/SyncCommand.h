#pragma once

#include "CommandLine.h"
#include "session/ListSession.h"

#include <iosfwd>

// numberwell --sync [URL] [--user NAME] [--password-stdin] [--force]: the list synchronised with its
// CardDAV address book without a window, one summary line on out and status 0, or "numberwell: ..." on
// err and status 1. The URL and user name given are remembered for the next --sync (and the window);
// the password comes from standard input with --password-stdin, else from the desktop's secret service,
// never from the command line. Refused while a window has the list open, as --import is.
int synchroniseList(const session::Places& places, const CommandLine& line, std::istream& in,
                    std::ostream& out, std::ostream& err);
