#include "platform/ras.h"

#include <cstring>

#include "platform/win32/ras_buffers.h"

NuvRasConn NuvRasConnections[kNuvRasConnCount];
NuvRasConnStatus NuvRasStatus;
DWORD NuvRasBufferSize;

void PlatSetUpRas() {
  std::memset(NuvRasConnections, 0, sizeof NuvRasConnections);
  for (NuvRasConn &c : NuvRasConnections) c.dwSize = sizeof(NuvRasConn);
  std::memset(&NuvRasStatus, 0, sizeof NuvRasStatus);
  NuvRasStatus.dwSize = sizeof(NuvRasConnStatus);
  NuvRasBufferSize = sizeof NuvRasConnections;
}
