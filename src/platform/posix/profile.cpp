// Native private-profile files. The reader streams the file line by line with
// fixed buffers, so any file (binary junk, endless lines, no final newline,
// CRLF or LF) reads in bounded memory. The writer copies the file into a new
// file beside it with the one change made, then renames it over the original:
// a failure at any point leaves the original as it was.
//
// Reader and writer take their bytes from a source that is either the open
// file or a file image in memory (profile_text.h), so the rules live in one
// place and the image functions are the file functions without the disk.

#include "platform/profile.h"

#include "platform/files.h"

#include "platform/posix/profile_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// Bytes of one line that are examined; the rest of a longer line is not read
// for names or values, but is copied unchanged when the file is rewritten.
constexpr size_t kHeadCap = 4096;
constexpr size_t kChunk = 4096;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  // 0x1A is the old end-of-file mark that some editors leave behind.
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

int CopyOut(std::string_view text, char *buf, int size) {
  size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return static_cast<int>(std::strlen(buf));  // a NUL inside the value ends it
}

int CopyDefault(const char *def, char *buf, int size) {
  std::string_view d = def ? def : "";
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  return CopyOut(d, buf, size);
}

struct Line {
  long long start;       // offset of the first byte
  long long contentEnd;  // offset of the line break, or of the end of the file
  long long end;         // offset after the line break
  bool newline;          // ends in '\n'
  bool crlf;             // ends in "\r\n"
  size_t headLen;
  char head[kHeadCap];
};

// Where the bytes of the file come from: the open file, or its image.
struct Source {
  int fd = -1;                  // the file, when text is nullptr
  const char *text = nullptr;   // the image in memory
  size_t size = 0;
  size_t at = 0;                // read position in the image
};

// Up to n bytes at the read position: the count, 0 at the end, -1 on error.
ssize_t SourceRead(Source &src, char *buf, size_t n) {
  if (src.text) {
    const size_t left = src.size - src.at;
    if (n > left) n = left;
    std::memcpy(buf, src.text + src.at, n);
    src.at += n;
    return static_cast<ssize_t>(n);
  }
  ssize_t got;
  do {
    got = read(src.fd, buf, n);
  } while (got < 0 && errno == EINTR);
  return got;
}

bool SourceSeek(Source &src, long long offset) {
  if (src.text) {
    if (offset < 0 || static_cast<unsigned long long>(offset) > src.size) return false;
    src.at = static_cast<size_t>(offset);
    return true;
  }
  return lseek(src.fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

struct Scanner {
  Source *src = nullptr;
  size_t pos = 0;
  size_t len = 0;
  long long offset = 0;  // file offset of buf[pos]
  bool eof = false;
  bool failed = false;
  char buf[kChunk];
};

bool Fill(Scanner &s) {
  if (s.eof) return false;
  const ssize_t n = SourceRead(*s.src, s.buf, sizeof s.buf);
  if (n <= 0) {
    s.eof = true;
    s.failed = n < 0;
    return false;
  }
  s.pos = 0;
  s.len = static_cast<size_t>(n);
  return true;
}

// The next line of the file; false at its end.
bool NextLine(Scanner &s, Line &line) {
  line.start = s.offset;
  line.headLen = 0;
  bool any = false;
  bool lastCr = false;
  for (;;) {
    if (s.pos == s.len && !Fill(s)) break;
    const char *b = s.buf + s.pos;
    const size_t avail = s.len - s.pos;
    const char *nl = static_cast<const char *>(std::memchr(b, '\n', avail));
    const size_t take = nl ? static_cast<size_t>(nl - b) : avail;
    const size_t room = kHeadCap - line.headLen;
    const size_t copy = take < room ? take : room;
    std::memcpy(line.head + line.headLen, b, copy);
    line.headLen += copy;
    if (take > 0) lastCr = b[take - 1] == '\r';
    any = any || take > 0 || nl;
    s.pos += take;
    s.offset += static_cast<long long>(take);
    if (nl) {
      line.crlf = lastCr;
      line.newline = true;
      line.contentEnd = s.offset - (lastCr ? 1 : 0);
      ++s.pos;
      ++s.offset;
      line.end = s.offset;
      return true;
    }
  }
  if (!any) return false;
  line.crlf = line.newline = false;
  line.contentEnd = line.end = s.offset;
  return true;
}

enum class Kind { kBlank, kSection, kEntry };

struct Parsed {
  Kind kind;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // trimmed; only when hasValue
  bool hasValue;
};

Parsed ParseLine(std::string_view head, bool firstLine) {
  if (firstLine && head.substr(0, kBom.size()) == kBom) head.remove_prefix(kBom.size());
  Parsed p{Kind::kBlank, {}, {}, false};
  std::string_view t = Trim(head);
  if (t.empty()) return p;
  if (t.front() == '[') {
    size_t close = t.rfind(']');
    if (close != std::string_view::npos) {
      p.kind = Kind::kSection;
      p.name = Trim(t.substr(1, close - 1));
      return p;
    }
  }
  p.kind = Kind::kEntry;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    p.name = t;
    return p;
  }
  p.name = Trim(t.substr(0, eq));
  p.value = Trim(t.substr(eq + 1));
  p.hasValue = true;
  return p;
}

int OpenRead(const char *path) {
  int fd;
  do {
    fd = open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Buffered output to the replacement file, or into an image in memory (when
// image is set); remembers the first failure, which for an image is running
// out of room.
struct Writer {
  explicit Writer(int out) : fd(out) {}
  Writer(char *out, size_t outSize) : image(out), imageSize(outSize) {}
  int fd = -1;
  char *image = nullptr;
  size_t imageSize = 0;
  size_t imageLen = 0;
  bool failed = false;
  size_t len = 0;
  char buf[kChunk];

  void Flush() {
    if (image) {
      if (!failed && len > imageSize - imageLen) failed = true;
      if (!failed && len) {
        std::memcpy(image + imageLen, buf, len);
        imageLen += len;
      }
      len = 0;
      return;
    }
    size_t done = 0;
    while (!failed && done < len) {
      ssize_t n = write(fd, buf + done, len - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) failed = true;
      else done += static_cast<size_t>(n);
    }
    len = 0;
  }
  void Put(std::string_view s) {
    while (!s.empty() && !failed) {
      size_t n = s.size() < sizeof buf - len ? s.size() : sizeof buf - len;
      std::memcpy(buf + len, s.data(), n);
      len += n;
      s.remove_prefix(n);
      if (len == sizeof buf) Flush();
    }
  }
};

// Copies bytes [from, to) of the original file into the writer; to < 0 means
// up to the end.
bool CopyRange(Source &src, long long from, long long to, Writer &w) {
  if (!SourceSeek(src, from)) return false;
  char buf[kChunk];
  long long left = to < 0 ? -1 : to - from;
  while (left != 0 && !w.failed) {
    size_t want = sizeof buf;
    if (left > 0 && static_cast<long long>(want) > left) want = static_cast<size_t>(left);
    const ssize_t n = SourceRead(src, buf, want);
    if (n < 0) return false;
    if (n == 0) return to < 0;  // the file shrank under us otherwise
    w.Put(std::string_view(buf, static_cast<size_t>(n)));
    if (left > 0) left -= n;
  }
  return !w.failed;
}

// One edit of the file: bytes [cutFrom, cutTo) are replaced by the pieces.
struct Edit {
  long long cutFrom = 0;
  long long cutTo = 0;
  static constexpr int kMaxPieces = 12;  // the longest edit, a new section, needs 9
  std::string_view pieces[kMaxPieces];
  int count = 0;
  // A replaced key keeps the spelling it has in the file; a piece points here.
  char keySpelling[256];
  void Add(std::string_view s) {
    if (count < kMaxPieces) pieces[count++] = s;
  }
};

// The file with the edit made, through the writer.
bool WriteEdited(Source *src, const Edit &edit, Writer &w) {
  bool ok = true;
  if (src) ok = CopyRange(*src, 0, edit.cutFrom, w);
  for (int i = 0; ok && i < edit.count; ++i) w.Put(edit.pieces[i]);
  if (ok && src) ok = CopyRange(*src, edit.cutTo, -1, w);
  if (ok) w.Flush();
  return ok && !w.failed;
}

int ApplyEdit(const char *path, Source *src, const struct stat *srcStat, const Edit &edit) {
  char tmp[4096];
  static unsigned counter = 0;
  int out = -1;
  PlatFileStepReached(kFileStepCreate, path);
  for (int attempt = 0; attempt < 16 && out < 0; ++attempt) {
    int n = std::snprintf(tmp, sizeof tmp, "%s.%ld-%u.tmp", path, static_cast<long>(getpid()),
                          counter++);
    if (n < 0 || static_cast<size_t>(n) >= sizeof tmp) return 0;
    out = open(tmp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0 && errno != EEXIST && errno != EINTR) return 0;
  }
  if (out < 0) return 0;
  bool ok = true;
  if (srcStat) ok = fchmod(out, srcStat->st_mode & 07777) == 0;
  Writer w(out);
  PlatFileStepReached(kFileStepWrite, tmp);
  ok = ok && WriteEdited(src, edit, w);
  PlatFileStepReached(kFileStepFlush, tmp);
  ok = ok && fsync(out) == 0;
  PlatFileStepReached(kFileStepClose, tmp);
  ok = (close(out) == 0) && ok;
  if (ok) {
    PlatFileStepReached(kFileStepRename, path);
    ok = rename(tmp, path) == 0;
  }
  if (!ok) {
    PlatFileStepReached(kFileStepRemove, tmp);
    unlink(tmp);
  }
  return ok ? 1 : 0;
}

// The value of key in section from the file's bytes (src nullptr: there is
// no file).
int GetFrom(Source *src, const char *section, const char *key, const char *def, char *buf,
            int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (!section || !key || !src) return CopyDefault(def, buf, size);
  const std::string_view sec = Trim(section);
  const std::string_view name = Trim(key);

  Scanner s;
  s.src = src;
  Line line;
  bool inSection = false;
  bool first = true;
  int result = -1;
  while (result < 0 && NextLine(s, line)) {
    const Parsed p = ParseLine(std::string_view(line.head, line.headLen), first);
    first = false;
    if (p.kind == Kind::kSection) {
      if (inSection) break;  // only the first section of that name counts
      inSection = SameName(p.name, sec);
      continue;
    }
    if (!inSection || p.kind != Kind::kEntry || !SameName(p.name, name)) continue;
    if (!p.hasValue) break;
    std::string_view v = p.value;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    result = CopyOut(v, buf, size);
  }
  return result >= 0 ? result : CopyDefault(def, buf, size);
}

// A value read as an integer: optional sign, digits, wrapping to unsigned;
// empty gives def.
unsigned ValueAsInt(const char *text, int def) {
  if (!*text) return static_cast<unsigned>(def);
  const char *p = text;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  unsigned value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<unsigned>(*p - '0');
  return negative ? 0u - value : value;
}

enum class Plan { kFail, kUnchanged, kEdit };

// One pass over the file's bytes (src nullptr: there is no file) decides the
// one edit a write makes.
Plan PlanWrite(Source *src, const char *section, const char *key, const char *value, Edit &edit) {
  if (!section) return Plan::kFail;
  const std::string_view sec = Trim(section);
  const std::string_view name = key ? Trim(key) : std::string_view();
  if (sec.empty() || (key && name.empty())) return Plan::kFail;
  std::string_view val;
  if (value) {
    while (*value && IsBlank(*value)) ++value;
    val = std::string_view(value, std::strcspn(value, "\r\n"));
  }

  // Where the section, its last entry and the key are, and which line break
  // the file uses.
  bool crlf = true;
  bool eolKnown = false;
  bool sectionFound = false;
  bool inSection = false;
  long long sectionStart = -1, sectionEnd = -1;
  long long insertAt = -1;
  bool insertNeedsBreak = false;
  bool keyFound = false;
  long long keyStart = 0, keyContentEnd = 0, keyEnd = 0;
  bool keySame = false;
  size_t keySpellingLen = 0;
  long long fileSize = 0;
  bool endsWithBreak = true;
  if (src) {
    Scanner s;
    s.src = src;
    Line line;
    bool first = true;
    while (NextLine(s, line)) {
      if (!eolKnown && line.newline) {
        crlf = line.crlf;
        eolKnown = true;
      }
      fileSize = line.end;
      endsWithBreak = line.newline;
      const Parsed p = ParseLine(std::string_view(line.head, line.headLen), first);
      first = false;
      if (p.kind == Kind::kSection) {
        if (inSection) {
          inSection = false;
          sectionEnd = line.start;
        }
        if (!sectionFound && SameName(p.name, sec)) {
          sectionFound = inSection = true;
          sectionStart = line.start;
          insertAt = line.end;
          insertNeedsBreak = !line.newline;
        }
        continue;
      }
      if (!inSection || p.kind == Kind::kBlank) continue;
      insertAt = line.end;
      insertNeedsBreak = !line.newline;
      if (key && !keyFound && SameName(p.name, name)) {
        keyFound = true;
        keyStart = line.start;
        keyContentEnd = line.contentEnd;
        keyEnd = line.end;
        keySame = value && p.hasValue && p.value == val;
        if (p.name.size() < sizeof edit.keySpelling) {
          std::memcpy(edit.keySpelling, p.name.data(), p.name.size());
          keySpellingLen = p.name.size();
        }
      }
    }
    if (s.failed) return Plan::kFail;
    if (inSection) sectionEnd = fileSize;
  }

  const std::string_view eol = crlf ? "\r\n" : "\n";
  const std::string_view keyText =
      keySpellingLen ? std::string_view(edit.keySpelling, keySpellingLen) : name;
  if (!key) {  // delete the section
    if (!sectionFound) return Plan::kUnchanged;
    edit.cutFrom = sectionStart;
    edit.cutTo = sectionEnd;
  } else if (!value) {  // delete the key
    if (!keyFound) return Plan::kUnchanged;
    edit.cutFrom = keyStart;
    edit.cutTo = keyEnd;
  } else if (keyFound) {
    if (keySame) return Plan::kUnchanged;  // nothing to change: leave the file alone
    edit.cutFrom = keyStart;
    edit.cutTo = keyContentEnd;
    edit.Add(keyText);
    edit.Add("=");
    edit.Add(val);
  } else if (sectionFound) {
    edit.cutFrom = edit.cutTo = insertAt;
    if (insertNeedsBreak) edit.Add(eol);
    edit.Add(name);
    edit.Add("=");
    edit.Add(val);
    edit.Add(eol);
  } else {
    edit.cutFrom = edit.cutTo = fileSize;
    if (fileSize > 0 && !endsWithBreak) edit.Add(eol);
    edit.Add("[");
    edit.Add(sec);
    edit.Add("]");
    edit.Add(eol);
    edit.Add(name);
    edit.Add("=");
    edit.Add(val);
    edit.Add(eol);
  }
  return Plan::kEdit;
}

}  // namespace

int PlatGetProfileString(const char *section, const char *key, const char *def, char *buf,
                         int size, const char *path) {
  if (!buf || size <= 0) return 0;
  if (!section || !key || !path) return GetFrom(nullptr, section, key, def, buf, size);
  Source src;
  src.fd = OpenRead(path);
  const int n = GetFrom(src.fd >= 0 ? &src : nullptr, section, key, def, buf, size);
  if (src.fd >= 0) close(src.fd);
  return n;
}

unsigned PlatGetProfileInt(const char *section, const char *key, int def, const char *path) {
  char text[64];
  PlatGetProfileString(section, key, "", text, sizeof text, path);
  return ValueAsInt(text, def);
}

int PlatWriteProfileString(const char *section, const char *key, const char *value,
                           const char *path) {
  if (!section || !path) return 0;
  PlatFileStepReached(kFileStepProfile, path);
  Source src;
  src.fd = OpenRead(path);
  if (src.fd < 0 && errno != ENOENT) return 0;
  Source *const from = src.fd >= 0 ? &src : nullptr;
  Edit edit;
  const Plan plan = PlanWrite(from, section, key, value, edit);
  int ok = plan == Plan::kUnchanged ? 1 : 0;
  if (plan == Plan::kEdit) {
    struct stat st;
    const bool haveStat = from && fstat(src.fd, &st) == 0;
    ok = ApplyEdit(path, from, haveStat ? &st : nullptr, edit);
  }
  if (src.fd >= 0) close(src.fd);
  return ok;
}

int PlatProfileTextGetString(const char *text, size_t length, const char *section,
                             const char *key, const char *def, char *buf, int size) {
  Source src;
  src.text = text;
  src.size = length;
  return GetFrom(text ? &src : nullptr, section, key, def, buf, size);
}

unsigned PlatProfileTextGetInt(const char *text, size_t length, const char *section,
                               const char *key, int def) {
  char value[64];
  PlatProfileTextGetString(text, length, section, key, "", value, sizeof value);
  return ValueAsInt(value, def);
}

int PlatProfileTextWriteString(const char *text, size_t length, const char *section,
                               const char *key, const char *value, char *out, size_t outSize,
                               size_t *outLength) {
  if (outLength) *outLength = 0;
  if (!out) return 0;
  Source src;
  src.text = text;
  src.size = text ? length : 0;
  Source *const from = text ? &src : nullptr;
  Edit edit;
  const Plan plan = PlanWrite(from, section, key, value, edit);
  if (plan == Plan::kFail) return 0;
  // Unchanged: the edit is still empty and copies the image as it is.
  Writer w(out, outSize);
  if (!WriteEdited(from, edit, w)) return 0;
  if (outLength) *outLength = w.imageLen;
  return 1;
}
