// Number and password rules on arbitrary bytes: texts are handed over at
// their exact size, terminated or not, and the results must keep their shapes.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "config/config.h"
#include "config/validate.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

bool AllDigits(const char *s) {
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  // First byte: whether a long text comes without its terminator (legal only
  // from the input bound on, since that much is always read).
  const size_t avail = size - 1 < kValidateTextMax + 8u ? size - 1 : kValidateTextMax + 8u;
  const bool terminated = (data[0] & 1) || avail < static_cast<size_t>(kValidateTextMax);
  const size_t bufSize = terminated ? avail + 1 : avail;
  std::unique_ptr<char[]> text(new char[bufSize]);
  char *const input = text.get();
  std::memcpy(input, data + 1, avail);
  if (terminated) input[avail] = '\0';
  const size_t inputLen = strnlen(input, bufSize);

  std::memcpy(Config.USERID, data + 1, avail < sizeof Config.USERID ? avail : sizeof Config.USERID);

  const char *digits = CrunchPhoneNumber(input);
  Require(std::strlen(digits) < static_cast<size_t>(kPhoneResultSize) && AllDigits(digits));
  const size_t count = std::strlen(digits);

  const char *pretty = MakePhoneNumberPretty(input);
  if (count == 7 || count == 10) {
    Require(pretty != input && std::strlen(pretty) <= 14);
    Require(IsNumberOk(nullptr, const_cast<char *>(pretty), 0) == 1);
  } else {
    Require(pretty == input);
  }

  IsStringWhitespace(input);
  CheckNUVNumber(nullptr, input, 0);
  const int pw = CheckPassword(nullptr, input, 0, 0);
  if (pw) Require(inputLen >= 5 && inputLen <= 11);
  IsNumberOk(nullptr, input, 0);

  // The working copy: bytes straight into its texts, then the tidying.
  std::memcpy(&TransferCopy, data + 1,
              avail < offsetof(TransferWorkingCopy, hNameField) ? avail
                                                                : offsetof(TransferWorkingCopy, hNameField));
  for (int s = 0; s < kTransferSlots; ++s) DoNumberCrossCheck(nullptr, s, 0);
  CheckAllTransferNumbers(nullptr, 0);
  DefragmentTransferNumbers();
  StoreTransferCopy();
  std::memset(&TransferCopy, 0, sizeof TransferCopy);
  std::memset(&Config, 0, sizeof Config);
  return 0;
}
