#pragma once
// nuvcli: the portable core of the client driven from a terminal. It runs in
// the current folder with its NUV.INI, starts the protocol as the main
// window's creation does, counts the network as always up, and turns each
// application event into one tab-separated line on standard output:
//
//   LOGIN  1|0                          the LoggedIn flag changed
//   CALL   full|basic  sessionId  text  a pop-up opener was called
//   ENDED  full|basic  sessionId  text  a pop-up closer was called
//   MESSAGE  text                       a server message
//   HANGUP                              the dial-up connection is dropped
//   MISCONFIGURED                       the account's service is unsupported
//   ERROR  status                       a received datagram failed
//   SENT   status                       result of a decision from the input
//   TRACE  line                         protocol trace (with --trace)
//
// Line feeds and carriage returns inside a text are written as the two
// characters \n and \r, so every event stays on one line.

#include <cstdint>
#include <string>
#include <string_view>

// Exit codes.
constexpr int kCliExitOk = 0;
constexpr int kCliExitStartFailed = 1;  // the socket or the protocol could not start
constexpr int kCliExitNoAccount = 2;    // bad options, or no valid number and password

struct CliOptions {
  const char *number = nullptr;    // --number
  const char *password = nullptr;  // --password
  bool trace = false;              // --trace
  bool help = false;
};

// Reads the options; false with a message in *error for a bad command line.
bool CliParseArgs(int argc, char **argv, CliOptions *options, std::string *error);
const char *CliUsage();

// Loads NUV.INI, stores the options' number and password as the password
// dialog does, checks the account and starts the protocol. Returns 0, or the
// exit code with a message written to standard error.
int CliStart(const CliOptions &options);

// The socket the protocol reads from (for the wait of the main loop).
uintptr_t CliSocket();

// A datagram is waiting: hands it to the protocol.
void CliSocketReadable();

// One tick of the one-second main timer.
void CliTick();

// One command line from standard input. Returns false for "quit".
bool CliCommand(std::string_view line);

// The orderly exit: logs out when logged in, saves, closes the socket.
void CliStop();

// Writes one output line and flushes it.
void CliEmit(const std::string &line);
// Text with line feeds and carriage returns written as \n and \r.
std::string CliEscape(std::string_view text);
// Emits "LOGIN" when the application's LoggedIn flag differs from the last
// one reported.
void CliReportLogin();
