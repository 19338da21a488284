#include "config/config.h"

ConfigRecord Config;

#define NUV_CONFIG_KEYS(X)                                                        \
  X(SERVICE, "-1") X(VERSION, "7.0") X(USERID, "") X(PASSWORD, "")               \
  X(IP1ADDR, "") X(IP1PORT, "") X(IP2ADDR, "") X(IP2PORT, "")                    \
  X(REDIRECTADDR, "") X(REDIRECTPORT, "") X(IPLASTCONNECTED, "-1")               \
  X(NAME1, "") X(NUMBER1, "") X(TIME1, "10")                                     \
  X(NAME2, "") X(NUMBER2, "") X(TIME2, "10")                                     \
  X(NAME3, "") X(NUMBER3, "") X(TIME3, "10")                                     \
  X(NAME4, "") X(NUMBER4, "") X(TIME4, "10")                                     \
  X(PACKETTIMEOUT, "10") X(PACKETRESENDS, "1") X(DUTY, "120")                    \
  X(AUTOLOG, "1") X(MINIMIZE, "0") X(RAS, "1") X(SOUND, "1") X(VOLUME, "63")     \
  X(HANGUP, "1") X(SIGNATURE, "") X(REGION, "0") X(DEBUG, "0") X(USEAOL, "0")    \
  X(AOLTIMER, "20") X(SHOWNOTIFY, "1") X(SHOWIGNORE, "1") X(SHOWANSWER, "1")     \
  X(CUSTOMIZENUMBER, "(XXX) XXX-XXXX") X(CUSTOMIZEPIN, "not yet available")      \
  X(CUSTOMNOTIFY, "0") X(CUSTOMANSWER, "0")

#define NUV_KEY_NAME(key, def) #key,
#define NUV_KEY_DEFAULT(key, def) {def},
#define NUV_KEY_FIELD(key, def) Config.key,

const std::array<const char *, kConfigFieldCount> ProfileKeys = {NUV_CONFIG_KEYS(NUV_KEY_NAME)};
std::array<char[kConfigFieldSize], kConfigFieldCount> IniDefault = {{NUV_CONFIG_KEYS(NUV_KEY_DEFAULT)}};
const std::array<char *, kConfigFieldCount> ConfigField = {NUV_CONFIG_KEYS(NUV_KEY_FIELD)};
