// nuvsim: the server-cluster simulator as a console program. Servers are
// opened from the command line; operator commands arrive one per line on
// standard input; every datagram is logged on standard output, one line each.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

#include "control.h"
#include "simulator.h"

namespace {

// Lines typed by the operator, handed from the reader thread to the loop.
struct InputQueue {
  std::mutex lock;
  std::deque<std::string> lines;
  std::atomic<bool> ended{false};
};

void readInput(InputQueue *q) {
  std::string line;
  while (std::getline(std::cin, line)) {
    std::lock_guard<std::mutex> g(q->lock);
    q->lines.push_back(line);
  }
  q->ended = true;
}

void say(const std::string &text) {
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// The call time stamp of "now", in the 1999-03-15-1432 form.
std::string nowStamp() {
  const std::time_t t = std::time(nullptr);
  const std::tm *tm = std::localtime(&t);
  char buf[32] = "1970-01-01-0000";
  if (tm) std::strftime(buf, sizeof buf, "%Y-%m-%d-%H%M", tm);
  return buf;
}

// Wall-clock milliseconds since 1970, so that record lines can be set beside
// times taken by other programs on the same machine.
int64_t epochMs() {
#ifdef _WIN32
  // The precise variant: the plain one may advance in steps of 10 to 16 ms.
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  const uint64_t t = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return int64_t(t / 10000 - 11644473600000ULL);
#else
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
#endif
}

void usage() {
  say("usage: nuvsim [--listen ADDR:PORT[,map|redirect]]... [--seed N] [--keep-running]\n"
      "              [--clock start|epoch]\n"
      "  default: one MAP server on 127.0.0.1:10002\n"
      "  --keep-running: keep serving when standard input ends\n"
      "  --clock epoch: record times in Unix seconds instead of seconds since start\n"
      "Type help for the control commands.");
}

}  // namespace

int main(int argc, char **argv) {
  nuvsim::Simulator sim;
  bool keepRunning = false;
  bool epochClock = false;
  bool anyServer = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--listen" || arg == "-l") && i + 1 < argc) {
      std::string addr;
      uint16_t port = 0;
      nuvsim::ServerKind kind;
      if (!nuvsim::parseListen(argv[++i], addr, port, kind)) {
        say(std::string("nuvsim: bad --listen value: ") + argv[i]);
        return 2;
      }
      if (sim.addServer(addr.c_str(), port, kind) < 0) {
        say(std::string("nuvsim: cannot open a UDP socket on ") + argv[i]);
        return 1;
      }
      anyServer = true;
    } else if (arg == "--seed" && i + 1 < argc) {
      sim.seed(std::strtoull(argv[++i], nullptr, 10));
    } else if (arg == "--clock" && i + 1 < argc) {
      const std::string clock = argv[++i];
      if (clock != "start" && clock != "epoch") {
        say("nuvsim: bad --clock value: " + clock + " (start or epoch)");
        return 2;
      }
      epochClock = clock == "epoch";
    } else if (arg == "--keep-running") {
      keepRunning = true;
    } else if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else {
      say("nuvsim: unknown argument " + arg);
      usage();
      return 2;
    }
  }
  if (!anyServer && sim.addServer("127.0.0.1", 10002, nuvsim::ServerKind::Map) < 0) {
    say("nuvsim: cannot open a UDP socket on 127.0.0.1:10002");
    return 1;
  }
  for (int s = 0; s < sim.serverCount(); ++s) {
    char addr[16];
    nuvsim::formatIpv4(sim.serverAddr(s), addr);
    char line[128];
    std::snprintf(line, sizeof line, "nuvsim: S%d %s server on %s:%u (wrong port %u)", s,
                  sim.serverKind(s) == nuvsim::ServerKind::Map ? "MAP" : "Redirect", addr,
                  unsigned(sim.serverPort(s)), unsigned(sim.serverWrongPort(s)));
    say(line);
  }
  if (epochClock) {
    // Stamped when the record is made, just after the datagram was sent or
    // received; the simulator's own time stays relative for its timers.
    sim.setObserver([](const nuvsim::Record &r) {
      nuvsim::Record stamped = r;
      stamped.timeMs = epochMs();
      say(nuvsim::formatRecord(stamped));
    });
  } else {
    sim.setObserver([](const nuvsim::Record &r) { say(nuvsim::formatRecord(r)); });
  }

  InputQueue input;
  std::thread reader(readInput, &input);
  reader.detach();  // it may stay blocked in a read until the process ends

  using Clock = std::chrono::steady_clock;
  Clock::time_point last = Clock::now();
  bool running = true;
  while (running) {
    // A running flood is paced in steps of a millisecond.
    if (sim.poll(sim.flooding() ? 1 : 50) < 0) say("nuvsim: socket error while waiting");
    const Clock::time_point now = Clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count();
    if (elapsed > 0) {
      sim.advanceMs(elapsed);
      last += std::chrono::milliseconds(elapsed);
    }
    std::deque<std::string> lines;
    {
      std::lock_guard<std::mutex> g(input.lock);
      lines.swap(input.lines);
    }
    for (const std::string &line : lines) {
      std::string reply;
      const nuvsim::ControlResult r = nuvsim::runControl(sim, line, nowStamp(), reply);
      if (r == nuvsim::kControlQuit) {
        running = false;
        break;
      }
      if (!reply.empty()) say((r == nuvsim::kControlError ? "> error: " : "> ") + reply);
    }
    if (input.ended && !keepRunning) {
      std::lock_guard<std::mutex> g(input.lock);
      if (input.lines.empty()) running = false;
    }
  }
  say("nuvsim: stats " + nuvsim::formatStats(sim.stats()));
  say("nuvsim: bye");
  std::fflush(stdout);
  // The reader thread may still be blocked on standard input.
  std::_Exit(0);
}
