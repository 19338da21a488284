#pragma once
// Memory handed to the remote-access service when the dial-up connections are
// enumerated. Natively there is no such service and this does nothing.

// Four connection entries with their size fields set, one connection-status
// record with its size field set, and the buffer size of the four entries, in
// the layout of the service's first version (412 and 160 bytes each on 32-bit
// Windows).
void PlatSetUpRas();
