// The protocol clock: one tick per second drives resends, keep-alives, the
// turns of a style One list and the fall back to another server list.

#include <climits>
#include <cstdlib>

#include "protocol/nuvproto.h"
#include "protocol/packet.h"
#include "protocol/trace.h"

namespace {

// A packet whose resends are exhausted: the session counts as lost and logs in
// again; the packet itself is dropped.
int LoseSession(NuvProtoLogin *login, NuvProtoSession *session, int slot, bool *lost) {
  *lost |= MarkLoggedOut(login, session, kNuvNotLoggedIn);
  FreeSlot(login, slot);
  return NuvProtoSendPacket(login, session, CMD_LOGIN, nullptr, 0, 0, login->loginValidSeconds);
}

}  // namespace

int NuvProtoTimerTick(NuvProtoLogin *login) {
  bool lost = false;
  if (login->timerDisabled) return 0;

  if (!login->loggedIn) {
    login->outTime++;
    if (login->style == 1 && login->outTime > login->switchSeconds) {
      if (login->nextServerIndex < login->serverCount) {
        login->outTime = 0;
        ParkAllSessions(login);
        const int turn = login->nextServerIndex++;
        login->sessions[turn].loginState = kNuvNotLoggedIn;
        FreeAllSlots(login);
        return NuvProtoSendPacket(login, &login->sessions[turn], CMD_LOGIN, nullptr, 0, 0, 0);
      }
      login->outTime = login->fallbackSeconds < INT_MAX ? login->fallbackSeconds + 1 : INT_MAX;
    }
    if (login->outTime > login->fallbackSeconds) {
      login->outTime = 0;
      NuvProtoClusterLogout(login);
      if (login->fallbackCallback) {
        char *text = nullptr;
        login->fallbackCallback(login, &text);
        if (text) {
          const int rc = NuvProtoClusterLogin(login, text);
          std::free(text);
          return rc;
        }
      }
    }
  }

  for (int i = 0; i < login->serverCount; ++i) {
    NuvProtoSession *s = &login->sessions[i];
    if (s->loginState != kNuvLoggedIn) continue;
    s->silence++;
    // A server may set any duty and time-out ("time:"): compute in 64 bits.
    const long long silence = s->silence, duty = s->duty;
    int rc = 0;
    if (silence == duty || silence == 2 * duty) {
      rc = NuvProtoSendPacket(login, s, CMD_DUTY, nullptr, 0, 0, 0);
    } else if (silence >= 2 * duty + s->timeout) {
      lost |= MarkLoggedOut(login, s, kNuvNotLoggedIn);
      rc = NuvProtoSendPacket(login, s, CMD_LOGIN, nullptr, 0, 0, login->loginValidSeconds);
    }
    if (rc != 0) return rc;
  }

  for (int i = 0; i < kNuvPendingSlots; ++i) {
    NuvProtoPending *p = &login->pending[i];
    if (p->free) continue;
    NuvProtoSession *s = NuvProtoFindSessionById(login, p->sessionId);
    if (!s) {
      FreeSessionSlots(login, p->sessionId);
      continue;
    }
    const bool isLogin = p->packet[kPacketCommandOffset] == CMD_LOGIN;
    if (p->timeout > 0 && --p->timeout == 0) {
      if (s->resendCount < s->maxResends) {
        // A resend that did not go out uses up nothing: the countdown is due
        // again at the next tick, which tries once more.
        const int rc = ResendSlot(login, s, p);
        if (rc != 0) {
          p->timeout = 1;
          return rc;
        }
        if (isLogin) p->timeout = login->loginValidSeconds;
        s->resendCount++;
      } else {
        const int rc = LoseSession(login, s, i, &lost);
        if (rc != 0) return rc;
      }
    }
    // The slot may hold a new LOGIN by now; its retry countdown runs as well.
    if (!p->free && p->retry > 0 && --p->retry == 0) {
      if (s->loginState != kNuvLoggedIn) {
        if (p->packet[kPacketCommandOffset] != CMD_LOGIN) FreeSlot(login, i);
      } else if (s->resendCount < s->maxResends) {
        const int rc = ResendSlot(login, s, p);
        if (rc != 0) {
          p->retry = 1;
          return rc;
        }
        s->resendCount++;
      } else {
        const int rc = LoseSession(login, s, i, &lost);
        if (rc != 0) return rc;
      }
    }
  }

  Debug_NuvProtoTimerTick(login);
  return lost ? (FLAG_LOGIN_CHANGED | FLAG_CONFIG_CHANGED) : 0;
}
