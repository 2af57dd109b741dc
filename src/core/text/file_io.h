// Every file operation of the core goes through these few functions, so that a
// test can make any one of them fail (see FileFaultHook) and check what survives.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/result.h"

namespace lumari::core {

enum class FileOp { Read, Write, Rename, Append, Remove, CreateDirectory };

/// Test seam: when set, called before each file operation; returning true makes
/// that operation fail as if the file system had refused it.
using FileFaultHook = std::function<bool(FileOp op, const std::string& path)>;
void set_file_fault_hook(FileFaultHook hook);

/// Makes the bytes written to a file durable (fsync, _commit); false on failure.
/// The standard library has no such call, so each front end installs its
/// platform's; without one, replaced files are flushed to the system only.
using FileSync = bool (*)(std::FILE* file);
void set_file_sync(FileSync sync);

/// The whole file as bytes; a missing or unreadable file is a failure.
[[nodiscard]] Result<std::string> read_file(const std::string& path);

/// Whether the file holds exactly the lines, each followed by CR LF. The file is
/// read whole, a piece at a time, and compared as it comes, so that checking a
/// long file costs no second copy of it in memory. A missing or unreadable file
/// is a failure.
[[nodiscard]] Result<bool> file_holds_lines(const std::string& path,
                                            const std::vector<std::string_view>& lines);

/// Replaces the file's content safely: the bytes go to a temporary file in the
/// same folder, made durable, which is then renamed over the old file. While another program
/// holds the file open the rename is retried for about a second. On failure the
/// old content stays whole and the temporary file is removed.
[[nodiscard]] Status replace_file(const std::string& path, std::string_view bytes);

/// replace_file for a file of lines: each line followed by CR LF, written
/// straight from the views without building the whole text first.
[[nodiscard]] Status replace_file_lines(const std::string& path,
                                        const std::vector<std::string_view>& lines);

/// Appends the bytes at the end of the file, creating it when missing.
[[nodiscard]] Status append_file(const std::string& path, std::string_view bytes);

/// True when a file (or folder) of that name exists.
[[nodiscard]] bool file_exists(const std::string& path);

/// Creates the folder and its parents when missing.
[[nodiscard]] Status ensure_directory(const std::string& path);

}  // namespace lumari::core
