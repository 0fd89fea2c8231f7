// Whole files by path, for the few files the program reads and writes itself (the override file,
// the login response). Paths are wide: UTF-16 on Windows, handed to the system as they stand;
// natively they are encoded as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The file's bytes; nothing when it is missing, not a plain file, or cannot be read whole.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
// Creates or truncates the file and writes the bytes. False when it cannot be opened or written.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
// Deletes the file; false when it was not there or cannot go.
bool RemoveFile(const std::wstring& path);
