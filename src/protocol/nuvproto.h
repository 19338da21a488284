#pragma once
// The session engine: the one login record, its server sessions and the
// packets awaiting acknowledgement; cluster login and logout, the receive
// path, the one-second protocol clock, and the stored server lists.
//
// Every operation takes the login record first and returns a protocol status
// code (0 success with a packet for the application, 1 success with nothing
// to do, 2 and up failures) unless said otherwise. Single-threaded: nothing
// here may be entered while another operation runs.

#include <cstdint>

struct NuvProtoLogin;

// Supplies a server-list text: stores a malloc'ed text (the caller frees it
// with free()) or nullptr.
using NuvProtoFallbackFn = void (*)(NuvProtoLogin *login, char **out);

struct NuvProtoParams {
  const char *userId;    // digits only
  const char *password;
  const char *version;   // "7.0" or "6.0"
  int service;
  int packetTimeout;
  int retryInterval;
  int dutySeconds;
  int maxResends;
  int fallbackSeconds;
  int switchSeconds;
  int loginValidSeconds;
  NuvProtoFallbackFn fallbackCallback;
};

// Stored-settings access (NUV.INI). ReadConfig is called by the settings load
// after the Config fields are read; SaveConfig by every save before they are
// written. The login argument of ReadConfig is not used.
int NuvProtoReadConfig(NuvProtoLogin *login, const char *section, const char *path);
int NuvProtoSaveConfig(NuvProtoLogin *login, const char *section, const char *path);

struct NuvProtoLogin {
  int loggedIn;
  int loggedInServers;
};

extern NuvProtoLogin nuvLogin;
