#pragma once
// What the server needs of the system beyond sockets: the stop signals, room for many connections.
// One file per system (system_posix.cpp).

namespace web {

// Before any thread starts: SIGTERM, SIGINT and SIGHUP held for waitForStop, SIGPIPE ignored (a page that
// went away is a failed write, not the end of the server), and the open-file limit raised to what
// the system allows, since every connection holds a socket. Returns that limit.
int prepareProcess();

// Waits for SIGTERM, SIGINT (Ctrl+C) or SIGHUP (the terminal closed); returns its number.
int waitForStop();
// A second stop signal already sent, without waiting: its number, or 0.
int anotherStop();
// Ends the process as the signal would have.
[[noreturn]] void endWithSignal(int signal);

}  // namespace web
