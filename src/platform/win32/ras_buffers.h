#pragma once
// The remote-access buffers prepared by PlatSetUpRas, in the layout of the
// service's first version so that every version of the service accepts them:
// the size fields tell the service which layout it is given.

#include <windows.h>

#pragma pack(push, 4)
struct NuvRasConn {
  DWORD dwSize;
  HANDLE hrasconn;
  CHAR szEntryName[256 + 1];
  CHAR szDeviceType[16 + 1];
  CHAR szDeviceName[128 + 1];
};
struct NuvRasConnStatus {
  DWORD dwSize;
  DWORD rasconnstate;
  DWORD dwError;
  CHAR szDeviceType[16 + 1];
  CHAR szDeviceName[128 + 1];
};
#pragma pack(pop)

#if !defined(_WIN64)
static_assert(sizeof(NuvRasConn) == 412, "first-version connection entry");
static_assert(sizeof(NuvRasConnStatus) == 160, "first-version connection status");
#endif

constexpr int kNuvRasConnCount = 4;

extern NuvRasConn NuvRasConnections[kNuvRasConnCount];
extern NuvRasConnStatus NuvRasStatus;
// Bytes offered to the enumeration: all four entries.
extern DWORD NuvRasBufferSize;
