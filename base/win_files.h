// The file chores of every library: reading and writing whole files, writing all of a buffer,
// and the path of a loaded module.
#pragma once

#include <windows.h>

#include <string>

enum class FileReadResult { Ok, CannotOpen, TooLarge, OutOfMemory, ReadFailed };

// Reads a whole file by its wide path into bytes. The file is opened shared for reading and
// writing, so that a file another program holds open can still be read. A file larger than
// maxBytes is refused before anything is read; one that delivers fewer bytes than its size, or
// whose reading fails, gives ReadFailed. bytes is empty unless the result is Ok.
FileReadResult ReadWholeFile(const std::wstring& path, std::string& bytes, unsigned long long maxBytes);
// The same without a size limit; false (bytes empty) when the file cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);

// Writes all size bytes to an open file from its current position; false when any of them could
// not be written.
bool WriteAllBytes(HANDLE file, const void* data, size_t size);
// Creates or truncates the file and writes bytes; false when any of it could not be written.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
// Writes bytes to "<path>.tmp" and then puts that file in the place of path (MoveFileIntoPlace),
// so the old file stays whole until the new one is complete. False (old file untouched, no
// temporary file left) when writing or replacing fails.
bool ReplaceWholeFile(const std::wstring& path, const std::string& bytes);
// The one way a finished file takes the place of another: the bytes of source are flushed to
// the disk first, then source is renamed to target in one step (replacing a file there), so
// that after a power cut target holds either its old bytes or all of the new ones, never an
// empty or partial file. acrossVolumes lets a target on another volume be reached by a copy,
// which is no longer one step. False, both files as they were, when source cannot be flushed
// (it must not be held open without write sharing) or moved.
bool MoveFileIntoPlace(const std::wstring& source, const std::wstring& target, bool acrossVolumes = false);

// The full path of a loaded module (null: the program's own file); empty when it cannot be had.
std::wstring ModuleFilePath(HMODULE module = nullptr);
