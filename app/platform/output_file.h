#pragma once

#include <string>

// Writes `contents` to the file `path` so that the file is never seen half written: the bytes go
// to a temporary file of a name of its own beside it (in the same folder, so the rename cannot
// cross file systems), which then replaces `path` in one step. Writers of one path at once each
// write their own whole file, and `path` ends as one of them, never a mixture or missing. Returns
// false with the system's reason in `reason` when the temporary file cannot be created, written or
// renamed; the temporary file is then removed and `path` is left as it was.
bool writeFileReplacing(const std::string& path, const std::string& contents, std::string& reason);
