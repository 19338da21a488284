// A console program cannot wait on standard input and a socket together on
// every platform (Windows has no select() for the console): a reader thread
// hands complete lines over through a queue, and the main thread waits on
// the socket in short steps, checking the queue between them. Only the main
// thread touches the protocol.

#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "input.h"
#include "platform/udp_socket.h"

namespace {

constexpr int kStepMs = 20;

std::mutex Lock;
std::deque<std::string> Lines;
bool Ended = false;

void ReadInput() {
  char buf[4096];
  std::string line;
  while (std::fgets(buf, sizeof buf, stdin)) {
    line += buf;
    if (line.back() != '\n' && line.size() < sizeof buf - 1) continue;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::lock_guard<std::mutex> g(Lock);
    Lines.push_back(line);
    line.clear();
  }
  std::lock_guard<std::mutex> g(Lock);
  if (!line.empty()) Lines.push_back(line);
  Ended = true;
}

bool InputReady() {
  std::lock_guard<std::mutex> g(Lock);
  return !Lines.empty() || Ended;
}

bool Started = false;

}  // namespace

void CliInputStart() {
  if (Started) return;
  Started = true;
  // Blocked in fgets until the input ends; the process exits around it.
  std::thread(ReadInput).detach();
}

int CliWait(uintptr_t socket, int timeoutMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (InputReady()) return kCliWaitInput;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          until - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return 0;
    const int step = left < kStepMs ? static_cast<int>(left) : kStepMs;
    if (PlatSockWaitReadable(socket, step) == 1) return kCliWaitSocket;
  }
}

bool CliNextLine(std::string *line) {
  std::lock_guard<std::mutex> g(Lock);
  if (Lines.empty()) return false;
  *line = std::move(Lines.front());
  Lines.pop_front();
  return true;
}

bool CliInputEnded() {
  std::lock_guard<std::mutex> g(Lock);
  return Ended && Lines.empty();
}
