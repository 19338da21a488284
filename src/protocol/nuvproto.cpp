#include "protocol/nuvproto.h"

NuvProtoLogin nuvLogin;

int NuvProtoReadConfig(NuvProtoLogin *, const char *, const char *) { return 0; }
int NuvProtoSaveConfig(NuvProtoLogin *, const char *, const char *) { return 0; }
