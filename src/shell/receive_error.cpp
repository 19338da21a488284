#include "shell/receive_error.h"

#include "platform/message_box.h"
#include "protocol/trace.h"
#include "shell/msgbox.h"

namespace {

constexpr unsigned kIdsCommErrorCaption = 1437;  // "NUV: Communications Error"
constexpr unsigned kIdsReceiptError = 1439;      // "Error #3: Problem during receipt of packet."

int BoxShowing = 0;

}  // namespace

void ReportReceiveError(int status) {
  Debug_MessageListProtoErr(status);
  if (BoxShowing) return;
  BoxShowing = 1;
  stringMessageBox(nullptr, kIdsCommErrorCaption, kIdsReceiptError, kMbIconError);
  BoxShowing = 0;
}
