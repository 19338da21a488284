#include "control.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace nuvsim {

namespace {

constexpr size_t kMaxRaw = 65507;  // largest UDP payload over IPv4

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Takes the next word off s; a word that starts with '"' runs to the next '"'.
std::string_view nextWord(std::string_view &s) {
  s = trim(s);
  if (s.empty()) return {};
  std::string_view w;
  if (s.front() == '"') {
    const size_t end = s.find('"', 1);
    w = s.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
    s.remove_prefix(end == std::string_view::npos ? s.size() : end + 1);
  } else {
    size_t end = 0;
    while (end < s.size() && !isBlank(s[end])) ++end;
    w = s.substr(0, end);
    s.remove_prefix(end);
  }
  return w;
}

bool parseInt(std::string_view text, long lo, long hi, long &out) {
  if (text.empty() || text.size() > 20) return false;
  char buf[24];
  std::snprintf(buf, sizeof buf, "%.*s", int(text.size()), text.data());
  char *end = nullptr;
  const long v = std::strtol(buf, &end, 10);
  if (*end != 0 || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool parseOnOff(std::string_view text, bool &out) {
  if (text == "on" || text == "1") return out = true, true;
  if (text == "off" || text == "0") return out = false, true;
  return false;
}

bool parseReply(std::string_view text, Reply &out) {
  if (text == "success") return out = Reply::Success, true;
  if (text == "fail") return out = Reply::Fail, true;
  if (text == "silent") return out = Reply::Silent, true;
  return false;
}

const char *replyName(Reply r) {
  return r == Reply::Success ? "success" : r == Reply::Fail ? "fail" : "silent";
}

ControlResult fail(std::string &reply, const char *text) {
  reply = text;
  return kControlError;
}

// The answer to an operator send: how many datagrams went out.
ControlResult sent(std::string &reply, int result, const char *what) {
  if (result == kSimNoSlot) return fail(reply, "all resend slots are in use; nothing sent");
  if (result == kSimTooLong) return fail(reply, "payload too long");
  if (result < 0) return fail(reply, "bad server index");
  reply = std::string(what) + " sent to " + std::to_string(result) + " client(s)";
  return kControlOk;
}

}  // namespace

bool parseHex(std::string_view text, std::string &out, size_t cap) {
  out.clear();
  int high = -1;
  for (char c : text) {
    if (isBlank(c)) continue;
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return false;
    if (high < 0) {
      high = v;
    } else {
      if (out.size() == cap) return false;
      out += char(high << 4 | v);
      high = -1;
    }
  }
  return high < 0;
}

bool parseListen(std::string_view text, std::string &addr, uint16_t &port, ServerKind &kind) {
  kind = ServerKind::Map;
  const size_t comma = text.find(',');
  if (comma != std::string_view::npos) {
    const std::string_view k = text.substr(comma + 1);
    if (k == "map") kind = ServerKind::Map;
    else if (k == "redirect") kind = ServerKind::Redirect;
    else return false;
    text = text.substr(0, comma);
  }
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  long p = 0;
  if (!parseInt(text.substr(colon + 1), 0, 65535, p)) return false;
  addr.assign(text.substr(0, colon));
  uint32_t a;
  if (!parseIpv4(addr.c_str(), &a)) return false;
  port = uint16_t(p);
  return true;
}

const char *controlHelp() {
  return "commands (prefix @N to address server N only):\n"
         "  call <callId> <name> <number> [stamp]   PINCOMING (quote a name with blanks)\n"
         "  disconnect <callId>[:text]  message <text>  relogin  resend  duty\n"
         "  config ips [count:addr/port:...]  config time a:b:c  config ip1 addr/port\n"
         "  config ip2 <text>  config custom number:pin:notify:answer  config text <payload>\n"
         "  packet <letter> [payload]  raw <hex>\n"
         "  login success|fail|silent  decision success|fail|silent  invalid on|off\n"
         "  fault drop|dup|delay|reorder <percent>  fault delayms <ms>  fault dir in|out|both\n"
         "  fault off  seed <n>  silent on|off  wrongport on|off\n"
         "  service <n>  firstcall <0|1>  signature <text>  version <text>|client\n"
         "  sizeorder net|le  redirectpush on|off  retry <seconds> <count>\n"
         "  flood calls|short|letters|oversize|mixed|empty <count> <per second> [foreign]\n"
         "  stats  status  help  quit";
}

ControlResult runControl(Simulator &sim, std::string_view line, std::string_view defaultStamp,
                         std::string &reply) {
  reply.clear();
  std::string_view rest = trim(line);
  if (rest.empty() || rest.front() == '#') return kControlOk;

  int target = kAllServers;
  if (rest.front() == '@') {
    std::string_view t = nextWord(rest);
    long n = 0;
    if (!parseInt(t.substr(1), 0, sim.serverCount() - 1, n)) return fail(reply, "no such server");
    target = int(n);
  }
  const std::string_view cmd = nextWord(rest);
  auto setAll = [&](const std::function<void(Behaviour &)> &f, const char *what) {
    sim.configure(target, f);
    reply = what;
    return kControlOk;
  };

  if (cmd == "quit" || cmd == "exit") return kControlQuit;
  if (cmd == "help") {
    reply = controlHelp();
    return kControlOk;
  }
  if (cmd == "call") {
    long id = 0;
    const std::string_view idText = nextWord(rest);
    const std::string_view name = nextWord(rest);
    const std::string_view number = nextWord(rest);
    std::string_view stamp = nextWord(rest);
    if (!parseInt(idText, -2147483647L - 1, 2147483647L, id) || number.empty())
      return fail(reply, "usage: call <callId> <name> <number> [stamp]");
    if (stamp.empty()) stamp = defaultStamp;
    return sent(reply, sim.sendCall(target, int(id), name, number, stamp), "PINCOMING");
  }
  if (cmd == "disconnect") {
    if (trim(rest).empty()) return fail(reply, "usage: disconnect <callId>[:text]");
    return sent(reply, sim.sendDisconnect(target, trim(rest)), "PDISCONNECT");
  }
  if (cmd == "message") return sent(reply, sim.sendMessage(target, trim(rest)), "MESSAGE");
  if (cmd == "relogin") return sent(reply, sim.sendRelogin(target), "RELOGIN");
  if (cmd == "resend") return sent(reply, sim.sendResend(target), "RESEND");
  if (cmd == "duty") return sent(reply, sim.sendDuty(target), "DUTY");
  if (cmd == "config") {
    const std::string_view form = nextWord(rest);
    const std::string_view arg = trim(rest);
    std::string payload;
    if (form == "ips") payload = arg.empty() ? sim.mapServerList() : "ips:" + std::string(arg);
    else if (form == "time" || form == "ip1" || form == "ip2" || form == "custom")
      payload = std::string(form) + ":" + std::string(arg);
    else if (form == "text") payload.assign(arg);
    else return fail(reply, "usage: config ips|time|ip1|ip2|custom|text ...");
    return sent(reply, sim.sendConfig(target, payload), "CONFIGNEW");
  }
  if (cmd == "packet") {
    const std::string_view letter = nextWord(rest);
    if (letter.size() != 1) return fail(reply, "usage: packet <letter> [payload]");
    return sent(reply, sim.sendNumbered(target, letter[0], trim(rest)), "packet");
  }
  if (cmd == "raw") {
    std::string bytes;
    if (!parseHex(rest, bytes, kMaxRaw) || bytes.empty()) return fail(reply, "usage: raw <hex bytes>");
    return sent(reply, sim.sendRaw(target, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size()),
                "raw datagram");
  }
  if (cmd == "stats") {
    reply = formatStats(sim.stats());
    return kControlOk;
  }
  if (cmd == "flood") {
    FloodKind kind;
    long count = 0, rate = 0;
    const char *usage = "usage: flood calls|short|letters|oversize|mixed|empty <count> <per second> [foreign]";
    if (!parseFloodKind(nextWord(rest), &kind) || !parseInt(nextWord(rest), 1, 100000000L, count) ||
        !parseInt(nextWord(rest), 1, 1000000L, rate))
      return fail(reply, usage);
    const std::string_view from_ = nextWord(rest);
    if ((!from_.empty() && from_ != "foreign") || !trim(rest).empty()) return fail(reply, usage);
    const bool foreign = from_ == "foreign";
    // Without @N: the first server that has a logged-in client.
    int from = target;
    for (int s = 0; from == kAllServers && s < sim.serverCount(); ++s)
      for (int i = 0; i < sim.peerCount(s); ++i)
        if (sim.peer(s, i)->loggedIn) from = s;
    if (from == kAllServers) return fail(reply, "no server has a logged-in client");
    int clients = 0;
    for (int i = 0; i < sim.peerCount(from); ++i) clients += sim.peer(from, i)->loggedIn ? 1 : 0;
    if (sim.startFlood(from, kind, uint64_t(count), uint64_t(rate), foreign) != kSimOk)
      return fail(reply, "bad server index");
    reply = "flood of " + std::to_string(count) + " from S" + std::to_string(from) +
            (foreign ? "'s second port" : "") + " to " + std::to_string(clients) + " client(s)";
    return kControlOk;
  }
  const std::string_view arg = nextWord(rest);
  if (cmd == "login" || cmd == "decision") {
    Reply r;
    if (!parseReply(arg, r)) return fail(reply, "usage: login|decision success|fail|silent");
    const bool login = cmd == "login";
    return setAll([&](Behaviour &b) { (login ? b.login : b.decision) = r; }, "ok");
  }
  if (cmd == "invalid" || cmd == "silent" || cmd == "wrongport" || cmd == "redirectpush") {
    bool on;
    if (!parseOnOff(arg, on)) return fail(reply, "usage: <switch> on|off");
    bool Behaviour::*field = cmd == "invalid" ? &Behaviour::invalid
                           : cmd == "silent"  ? &Behaviour::silent
                           : cmd == "wrongport" ? &Behaviour::wrongPort
                                                : &Behaviour::redirectPush;
    return setAll([&](Behaviour &b) { b.*field = on; }, "ok");
  }
  if (cmd == "service" || cmd == "firstcall") {
    long n = 0;
    if (!parseInt(arg, -2147483647L - 1, 2147483647L, n)) return fail(reply, "usage: service|firstcall <n>");
    const bool service = cmd == "service";
    return setAll([&](Behaviour &b) { (service ? b.service : b.firstCall) = int(n); }, "ok");
  }
  if (cmd == "signature") {
    std::string text(arg);
    if (text.size() > 64) return fail(reply, "signature longer than 64 characters");
    return setAll([&](Behaviour &b) { b.signature = text; }, "ok");
  }
  if (cmd == "version") {
    std::string text = arg == "client" ? std::string() : std::string(arg);
    if (arg.empty() || text.size() > kLenVersion) return fail(reply, "usage: version <text of 1..5>|client");
    return setAll([&](Behaviour &b) { b.version = text; }, "ok");
  }
  if (cmd == "sizeorder") {
    if (arg != "net" && arg != "le") return fail(reply, "usage: sizeorder net|le");
    const SizeOrder o = arg == "net" ? SizeOrder::Big : SizeOrder::Little;
    return setAll([&](Behaviour &b) { b.sizeOrder = o; }, "ok");
  }
  if (cmd == "retry") {
    long seconds = 0, count = 0;
    if (!parseInt(arg, 1, 86400, seconds) || !parseInt(nextWord(rest), 0, 1000000, count))
      return fail(reply, "usage: retry <seconds> <count>");
    return setAll([&](Behaviour &b) { b.resendMs = int(seconds * 1000); b.maxResends = int(count); }, "ok");
  }
  if (cmd == "seed") {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%.*s", int(arg.size() < 20 ? arg.size() : 20), arg.data());
    char *end = nullptr;
    const unsigned long long s = std::strtoull(buf, &end, 10);
    if (arg.empty() || *end != 0) return fail(reply, "usage: seed <n>");
    sim.seed(s);
    reply = "ok";
    return kControlOk;
  }
  if (cmd == "fault") {
    Faults &f = sim.faults();
    if (arg == "off") {
      f.dropPercent = f.dupPercent = f.delayPercent = f.reorderPercent = 0;
      reply = "ok";
      return kControlOk;
    }
    const std::string_view value = nextWord(rest);
    if (arg == "dir") {
      if (value != "in" && value != "out" && value != "both") return fail(reply, "usage: fault dir in|out|both");
      f.incoming = value != "out";
      f.outgoing = value != "in";
      reply = "ok";
      return kControlOk;
    }
    long n = 0;
    if (arg == "delayms") {
      if (!parseInt(value, 0, 3600000, n)) return fail(reply, "usage: fault delayms <ms>");
      f.delayMs = int(n);
      reply = "ok";
      return kControlOk;
    }
    int *share = arg == "drop" ? &f.dropPercent : arg == "dup" ? &f.dupPercent
               : arg == "delay" ? &f.delayPercent : arg == "reorder" ? &f.reorderPercent : nullptr;
    if (!share || !parseInt(value, 0, 100, n)) return fail(reply, "usage: fault drop|dup|delay|reorder <percent>");
    *share = int(n);
    reply = "ok";
    return kControlOk;
  }
  if (cmd == "status") {
    std::string out;
    for (int s = 0; s < sim.serverCount(); ++s) {
      char addr[16];
      formatIpv4(sim.serverAddr(s), addr);
      const Behaviour &b = sim.behaviour(s);
      char line[256];
      std::snprintf(line, sizeof line,
                    "S%d %s %s:%u (wrong port %u) login=%s decision=%s invalid=%d silent=%d wrongport=%d "
                    "clients=%d pending=%d\n",
                    s, sim.serverKind(s) == ServerKind::Map ? "MAP" : "Redirect", addr, unsigned(sim.serverPort(s)),
                    unsigned(sim.serverWrongPort(s)), replyName(b.login), replyName(b.decision), int(b.invalid),
                    int(b.silent), int(b.wrongPort), sim.peerCount(s), sim.pendingCount(s));
      out += line;
      for (int i = 0; i < sim.peerCount(s); ++i) {
        const Peer *p = sim.peer(s, i);
        formatIpv4(p->addr, addr);
        std::snprintf(line, sizeof line, "  client %s:%u user=%s v=%s %s\n", addr, unsigned(p->port), p->userId,
                      p->version, p->loggedIn ? "logged in" : "not logged in");
        out += line;
      }
    }
    const Faults &f = sim.faults();
    char line[160];
    std::snprintf(line, sizeof line, "faults drop=%d dup=%d delay=%d reorder=%d delayms=%d in=%d out=%d",
                  f.dropPercent, f.dupPercent, f.delayPercent, f.reorderPercent, f.delayMs, int(f.incoming),
                  int(f.outgoing));
    reply = out + line;
    return kControlOk;
  }
  return fail(reply, "unknown command (try help)");
}

}  // namespace nuvsim
