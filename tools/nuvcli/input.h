#pragma once
// The console's wait: for a datagram on the protocol's socket, a line on
// standard input, or the time-out, whichever comes first. All protocol work
// stays on the calling thread.

#include <cstdint>
#include <string>

constexpr int kCliWaitSocket = 1;  // the socket is readable
constexpr int kCliWaitInput = 2;   // a line, or the end of the input, is ready

// Starts reading standard input (once).
void CliInputStart();

// Waits at most timeoutMs; returns kCliWait... flags, 0 on time-out.
int CliWait(uintptr_t socket, int timeoutMs);

// The next complete line without its line end; false when none is ready.
bool CliNextLine(std::string *line);

// True once standard input has ended and every line was taken.
bool CliInputEnded();
