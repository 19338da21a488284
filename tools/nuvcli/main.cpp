// nuvcli: the client's protocol core as a console program. One thread: the
// loop waits for a datagram or an input line, and runs the main timer's
// tick once a second.

#include <chrono>
#include <cstdio>
#include <string>

#include "cli.h"
#include "input.h"
#include "platform/udp_socket.h"

int main(int argc, char **argv) {
  CliOptions options;
  std::string error;
  if (!CliParseArgs(argc, argv, &options, &error)) {
    std::fprintf(stderr, "nuvcli: %s\n%s", error.c_str(), CliUsage());
    return kCliExitNoAccount;
  }
  if (options.help) {
    std::fputs(CliUsage(), stdout);
    return kCliExitOk;
  }
  if (PlatSockStartup() != 0) {
    std::fprintf(stderr, "nuvcli: the networking system could not start\n");
    return kCliExitStartFailed;
  }
  const int started = CliStart(options);
  if (started != kCliExitOk) {
    PlatSockCleanup();
    return started;
  }

  using Clock = std::chrono::steady_clock;
  const auto second = std::chrono::seconds(1);
  auto nextTick = Clock::now() + second;
  CliInputStart();
  bool running = true;
  while (running) {
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - Clock::now());
    const int ready = CliWait(CliSocket(), wait.count() > 0 ? static_cast<int>(wait.count()) : 0);
    if (ready & kCliWaitSocket) CliSocketReadable();
    if (ready & kCliWaitInput) {
      std::string line;
      while (running && CliNextLine(&line)) running = CliCommand(line);
      if (CliInputEnded()) running = false;
    }
    const auto now = Clock::now();
    if (running && now >= nextTick) {
      CliTick();
      nextTick += second;
      if (nextTick <= now) nextTick = now + second;  // after a stall, no burst of ticks
    }
  }
  CliStop();
  PlatSockCleanup();
  return kCliExitOk;
}
