// Which store files are known sound: a mark kept in the file itself, set after SQLite's whole-file
// integrity check passed and kept by every change our programs make, cleared by any other change.
// The check runs on a thread and a connection of its own, beside readers and writers.
#pragma once

#include <string>

#include "platform/mapi/SqliteDb.h"

namespace qrvmapi {

// The mark the file at 'path' (open on 'db') carries while it is known sound: its identity on disk
// and the version of its schema. Another file put in its place, or a schema changed by anyone,
// gives another mark.
HRESULT ExpectedMark(CSqliteDb& db, const std::string& path, std::string& mark);
// The file's own state on disk (identity, size, last change), and the state our programs last
// knew it sound in, kept beside it in "<path>.checked": the file itself changes only when a
// checkpoint folds its log into it, and our programs record the state after each of theirs. Any
// other change of its bytes (another program, a damaged disk block written back) gives a state
// that no record names.
std::string DiskState(const std::string& path);
std::string RecordedState(const std::string& path);
void RecordState(const std::string& path, const std::string& state);
// The mark the file carries now ("" when none).
HRESULT ReadMark(CSqliteDb& db, std::string& mark);
// Sets the mark, inside a write transaction of 'db'.
HRESULT WriteMark(CSqliteDb& db, const std::string& mark);

// Starts the check of the file at 'path' in the background, unless one runs already.
void StartFileCheck(const std::string& path);
// Waits until the check of the file at 'path' ended, starting one when none runs: S_OK when the
// file passed (it then carries the mark, unless another program changed it since),
// MAPI_E_CORRUPT_STORE when it is damaged, or why the check could not run.
HRESULT AwaitFileCheck(const std::string& path);
// How many whole-file checks this process has run (for tests).
long FileChecksRun();

}  // namespace qrvmapi
