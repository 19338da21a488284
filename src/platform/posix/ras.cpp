#include "platform/ras.h"

void PlatSetUpRas() {}
