#include "cli.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "config/config.h"
#include "config/settings.h"
#include "config/validate.h"
#include "platform/string_table.h"
#include "platform/udp_socket.h"
#include "protocol/app_hooks.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"
#include "protocol/packet.h"
#include "protocol/trace.h"

namespace {

// The main timer's network watchdog: the first check one tick after start,
// then every four ticks.
int NetWatchDog = 1;
int ReportedLogin = 0;

// ---------------------------------------------------------------------------
// Trace lines arrive in pieces ("High-level transmit req failed: " and then
// the status name); a TRACE line is written for each completed "\r\n" line.
std::string TracePending;
constexpr size_t kTraceLineMax = 16384;

void TraceText(void *, const char *text) {
  TracePending += text;
  size_t end;
  while ((end = TracePending.find("\r\n")) != std::string::npos) {
    CliEmit("TRACE\t" + CliEscape(std::string_view(TracePending).substr(0, end)));
    TracePending.erase(0, end + 2);
  }
  if (TracePending.size() > kTraceLineMax) {
    CliEmit("TRACE\t" + CliEscape(TracePending));
    TracePending.clear();
  }
}

// ---------------------------------------------------------------------------
// Reading numbers of the command lines.

std::vector<std::string_view> Words(std::string_view line, size_t max,
                                    std::string_view *rest = nullptr) {
  std::vector<std::string_view> words;
  size_t i = 0;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (i < line.size() && words.size() < max) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i >= line.size()) break;
    size_t j = i;
    while (j < line.size() && !blank(line[j])) ++j;
    words.push_back(line.substr(i, j - i));
    i = j;
  }
  if (rest) {
    while (i < line.size() && blank(line[i])) ++i;
    size_t end = line.size();
    while (end > i && blank(line[end - 1])) --end;
    *rest = line.substr(i, end - i);
  }
  return words;
}

// Decimal, within [lo, hi]; false for anything else.
bool ReadDecimal(std::string_view word, long long lo, long long hi, long long *out) {
  size_t i = 0;
  const bool negative = !word.empty() && word[0] == '-';
  if (negative || (!word.empty() && word[0] == '+')) ++i;
  if (i >= word.size() || word.size() - i > 12) return false;
  long long v = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    v = v * 10 + (word[i] - '0');
  }
  if (negative) v = -v;
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool ReadCall(std::string_view sessionWord, std::string_view callWord, unsigned *sessionId,
              int *callId) {
  long long s = 0, c = 0;
  if (!ReadDecimal(sessionWord, 0, 0xFFFFFFFFll, &s)) return false;
  if (!ReadDecimal(callWord, -2147483647ll - 1, 2147483647ll, &c)) return false;
  *sessionId = static_cast<unsigned>(s);
  *callId = static_cast<int>(c);
  return true;
}

void Complain(const std::string &text) {
  std::fprintf(stderr, "nuvcli: %s\n", text.c_str());
  std::fflush(stderr);
}

// A decision goes to the server that reported the call.
int Decide(unsigned sessionId, char command, const char *text, int callId, int b) {
  const int status = NuvProtoTransmit(&nuvLogin, sessionId, command, text, callId, b);
  CliEmit("SENT\t" + std::to_string(status));
  return status;
}

// Copies at most size - 1 characters and terminates.
void CopyText(char *dst, size_t size, const char *src) {
  size_t n = 0;
  if (src)
    while (n + 1 < size && src[n]) ++n;
  if (n) std::memcpy(dst, src, n);
  dst[n] = '\0';
}

// "%d" of a settings text; false when it holds no number.
bool ScanInt(const char *text, int *out) { return std::sscanf(text, "%d", out) == 1; }

}  // namespace

// ---------------------------------------------------------------------------

std::string CliEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

void CliEmit(const std::string &line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void CliReportLogin() {
  const int now = LoggedIn ? 1 : 0;
  if (now == ReportedLogin) return;
  ReportedLogin = now;
  CliEmit(std::string("LOGIN\t") + (now ? "1" : "0"));
}

const char *CliUsage() {
  return "usage: nuvcli [--number N] [--password P] [--trace]\n"
         "  Runs the client's protocol core in the current folder with its NUV.INI.\n"
         "  --number, --password  store the monitored number and the password\n"
         "  --trace               also write the protocol trace (TRACE lines)\n"
         "Commands on standard input (sessionId and callId in decimal):\n"
         "  answer S C | transfer S C NUMBER | ack S C | ignore S C | willcall S C\n"
         "  network up | network down | quit\n";
}

bool CliParseArgs(int argc, char **argv, CliOptions *options, std::string *error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if ((arg == "--number" || arg == "--password") && i + 1 < argc) {
      (arg == "--number" ? options->number : options->password) = argv[++i];
    } else if (arg == "--trace") {
      options->trace = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else {
      *error = "unknown or incomplete option: " + std::string(arg);
      return false;
    }
  }
  return true;
}

int CliStart(const CliOptions &options) {
  if (options.trace) Debug_SetSink(&TraceText, nullptr, nullptr);

  // As the program's start: service profile, SERVICE default, settings.
  InitServiceProfile();
  char serviceDefault[96];
  PlatLoadString(kIdsServiceDefault, serviceDefault, sizeof serviceDefault);
  InitDefaultService(serviceDefault);
  GetInfoFile();

  // The options are what the password dialog would be given: its buffers
  // start from the stored values, OK checks both and saves them together.
  if (options.number || options.password) {
    CopyText(PasswordDlgNumber, sizeof PasswordDlgNumber, Config.USERID);
    CopyText(PasswordDlgPassword, sizeof PasswordDlgPassword, Config.PASSWORD);
    if (options.number) {
      // Leaving the number field shows the pretty form (a seven-digit number
      // takes the stored area code).
      char typed[kPasswordDlgTextSize];
      CopyText(typed, sizeof typed, options.number);
      CopyText(PasswordDlgNumber, sizeof PasswordDlgNumber, MakePhoneNumberPretty(typed));
    }
    if (options.password) CopyText(PasswordDlgPassword, sizeof PasswordDlgPassword, options.password);
    if (!CheckNUVNumber(nullptr, PasswordDlgNumber, 0)) {
      Complain("the number must have 10 digits, including the area code, e.g. (204) 555-3636");
      return kCliExitNoAccount;
    }
    if (!CheckPassword(nullptr, PasswordDlgPassword, 0, 0)) {
      Complain("the password must be 5 to 11 characters from blank to '~', without ':'");
      return kCliExitNoAccount;
    }
    CopyText(Config.USERID, sizeof Config.USERID, PasswordDlgNumber);
    CopyText(Config.PASSWORD, sizeof Config.PASSWORD, PasswordDlgPassword);
    SaveInfoFile();
  }

  // The account check of the main window's creation.
  const int numberOk = CheckConfigNUVNumber();
  const int passwordOk = CheckConfigPassword();
  if (!passwordOk) Config.PASSWORD[0] = '\0';
  if (!numberOk || !passwordOk) {
    Complain("no valid monitored number and password stored in NUV.INI; "
             "give them with --number and --password");
    return kCliExitNoAccount;
  }

  // Protocol start, field by field as the main window's creation fills it.
  char userId[kConfigFieldSize];
  CopyText(userId, sizeof userId, CrunchPhoneNumber(Config.USERID));
  NuvProtoParams params{};
  params.userId = userId;
  params.password = Config.PASSWORD;
  params.version = Config.VERSION;
  if (!ScanInt(Config.SERVICE, &params.service) &&
      !ScanInt(serviceDefault, &params.service))
    params.service = -1;
  if (!ScanInt(Config.PACKETTIMEOUT, &params.packetTimeout)) params.packetTimeout = -1;
  params.retryInterval = -1;
  if (!ScanInt(Config.DUTY, &params.dutySeconds)) params.dutySeconds = -1;
  if (!ScanInt(Config.PACKETRESENDS, &params.maxResends)) params.maxResends = -1;
  params.fallbackSeconds = static_cast<int>(Config_readOnly.fallbackSeconds);
  params.switchSeconds = static_cast<int>(Config_readOnly.switchSeconds);
  params.loginValidSeconds = static_cast<int>(Config_readOnly.loginValidSeconds);
  params.fallbackCallback = &NuvEventProvideFallbackServer;
  const int status = NuvProtoInit(&nuvLogin, &params);
  if (status != 0) {
    Complain("the protocol could not start: error " + std::to_string(status) +
             (status == ESOCKCREATE || status == ESOCKBIND || status == ESOCK
                  ? " (the UDP socket could not be created)"
                  : ""));
    return kCliExitStartFailed;
  }
  NuvEventConnectionType(&nuvLogin, Config.RAS[0] == '1' ? 1 : 0);
  return kCliExitOk;
}

uintptr_t CliSocket() { return nuvLogin.local.socket; }

void CliSocketReadable() {
  const int status = NuvProtoProcessIncoming(&nuvLogin);
  if (status != 0) CliEmit("ERROR\t" + std::to_string(status));
  CliReportLogin();
}

void CliTick() {
  if (NetWatchDog != 0 && --NetWatchDog == 0) {
    NetWatchDog = 4;
    // The network counts as always up, as with RAS "0".
    const int old = NetUp;
    NetUp = 1;
    if (NetUp != old) NuvEventNetworkChange(&nuvLogin, NetUp);
    NuvEventLoginChange(&nuvLogin);
  }
  NuvProtoTimerTick(&nuvLogin);
  CliReportLogin();
}

bool CliCommand(std::string_view line) {
  std::string_view rest;
  const std::vector<std::string_view> w = Words(line, 3, &rest);
  if (w.empty()) return true;
  const std::string_view verb = w[0];

  if (verb == "quit") return false;
  if (verb == "network") {
    if (w.size() == 2 && rest.empty() && (w[1] == "up" || w[1] == "down")) {
      NuvEventNetworkChange(&nuvLogin, w[1] == "up" ? 1 : 0);
      CliReportLogin();
    } else {
      Complain("usage: network up|down");
    }
    return true;
  }

  unsigned sessionId = 0;
  int callId = 0;
  const bool decision = verb == "answer" || verb == "transfer" || verb == "ack" ||
                        verb == "ignore" || verb == "willcall";
  if (!decision) {
    Complain("unknown command: " + std::string(line));
    return true;
  }
  const bool needsNumber = verb == "transfer";
  if (w.size() != 3 || !ReadCall(w[1], w[2], &sessionId, &callId) ||
      (needsNumber ? rest.empty() : !rest.empty())) {
    Complain("usage: " + std::string(verb) + " sessionId callId" + (needsNumber ? " number" : ""));
    return true;
  }

  if (verb == "answer") {
    // Answer: the subscriber's own number, after the answer delay.
    const int delay = Config.USEAOL[0] == '0' ? 10 : std::atoi(Config.AOLTIMER);
    char own[kConfigFieldSize];
    CopyText(own, sizeof own, CrunchPhoneNumber(Config.USERID));
    const int status = Decide(sessionId, CMD_PACCEPT, own, callId, delay);
    if (status != ESESS && Config.RAS[0] == '1' && Config.HANGUP[0] == '0')
      NuvEventHangupOnSuccess(&nuvLogin, CMD_PACCEPT);
  } else if (verb == "transfer") {
    char typed[kConfigFieldSize];
    CopyText(typed, sizeof typed, std::string(rest).c_str());
    char digits[kConfigFieldSize];
    CopyText(digits, sizeof digits, CrunchPhoneNumber(typed));
    Decide(sessionId, CMD_PACCEPT, digits, callId, 10);
  } else if (verb == "ack") {
    Decide(sessionId, CMD_PACKN, nullptr, callId, 0);
  } else if (verb == "ignore") {
    Decide(sessionId, CMD_PIGNORE, nullptr, callId, 0);
  } else {
    Decide(sessionId, CMD_PACKN2, nullptr, callId, -1);
  }
  CliReportLogin();
  return true;
}

void CliStop() {
  // The orderly exit logs out when the application counts itself logged in.
  if (LoggedIn) NuvProtoClusterLogout(&nuvLogin);
  SaveInfoFile();
  UDP_closeSocket(&nuvLogin.local);
  Debug_SetSink(nullptr, nullptr, nullptr);
}
