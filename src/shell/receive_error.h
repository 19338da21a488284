#pragma once
// What the user is told when reading a datagram fails.

// Traces the failure by name and shows "Error #3: Problem during receipt of
// packet." (caption "NUV: Communications Error"), one box at a time: the box
// runs a message loop of its own, in which the socket's next notifications
// are handled, and a stream of failing datagrams (a hostile sender's empty
// ones) would otherwise open each box inside the last until the stack runs
// out. Failures while the box is up are traced only.
void ReportReceiveError(int status);
