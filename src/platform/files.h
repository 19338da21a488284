#pragma once
// File names: full paths and the temporary folder.

// Full path of name (relative names against the current folder) into buf.
// Returns its length; 0 when it cannot be made or does not fit (buf then "").
int PlatFullPath(const char *name, char *buf, int size);

// The user's temporary folder, ending in the path separator. Returns its
// length; 0 when it cannot be found or does not fit (buf then "").
int PlatTempFolder(char *buf, int size);

// The separator that ends folder names ('\\' on Windows, '/' natively).
char PlatPathSeparator();

// --- Whole files ---

// The suffix of the file that PlatReplaceFile writes beside its target before
// it takes the target's place.
constexpr const char kPlatReplaceSuffix[] = ".new";

// 1 when something of that name exists (a file or a folder), else 0.
int PlatFileExists(const char *name);

// Reads at most size bytes from the start of the file into buf. Returns the
// number of bytes read (less than size when the file is shorter), or -1 when
// the file cannot be opened or read. Ask for one byte more than expected to
// tell a file that is too long.
int PlatReadFile(const char *name, void *buf, int size);

// Writes size bytes as the whole new content of name, safely: the bytes go to
// name + kPlatReplaceSuffix, reach the disk, and only then does that file take
// the place of name. Returns 1 on success; 0 on failure, and then name is as
// it was before and no partial file is left behind.
int PlatReplaceFile(const char *name, const void *data, int size);

// The staging file of name (name + kPlatReplaceSuffix) into buf of size
// bytes. Returns 1, or 0 when it does not fit (buf then empty).
int PlatStagingName(const char *name, char *buf, int size);

// --- Saves made of several writes ---
// A file changed by many writes (a profile written key by key) is saved
// whole: the writes go to a staging copy beside it, which takes the file's
// place only once it is complete and on the disk. Until then the file is
// untouched; a crash at any point leaves either the complete old file or
// the complete new one.

// Makes `staging` (name + kPlatReplaceSuffix, written into staging of
// stagingSize bytes) a copy of name, or an empty file when name does not
// exist. Returns 1, or 0 when the copy could not be made (no staging file
// is then left behind).
int PlatSaveBegin(const char *name, char *staging, int stagingSize);

// The staging file reaches the disk and takes name's place. Returns 1, or 0
// when it could not (name is then as it was; the staging file is removed).
int PlatSaveCommit(const char *staging, const char *name);

// Removes a staging file that will not be committed.
void PlatSaveAbandon(const char *staging);

// --- Steps of the writing operations ---
// Every operation that writes a file reports its steps, in the same order
// on both platforms, each before it is taken: a test can list them, or stop
// the program at any one to see what a crash there leaves behind. A profile
// write is one step on Windows (the system's call); natively its own
// create, write, flush, close and rename steps follow that step.
enum PlatFileStep : int {
  kFileStepCreate = 1,  // a file opened for writing (created or truncated)
  kFileStepWrite,       // bytes written
  kFileStepFlush,       // written bytes forced to the disk
  kFileStepClose,
  kFileStepRename,      // a finished file takes the place of another
  kFileStepRemove,
  kFileStepProfile,     // one key written into a profile
};
using PlatFileStepHook = void (*)(int step, const char *name);

// Installs the hook that hears each step (nullptr: none).
void PlatSetFileStepHook(PlatFileStepHook hook);

// Reports a step to the hook; the platform's file and profile code call it.
void PlatFileStepReached(int step, const char *name);
