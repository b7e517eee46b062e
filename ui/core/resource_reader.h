// The framework's resources as the image loader and the layout reader read them: a file of the
// resource folder, or an entry of the resource archive (resource folder + resource zip), read
// whole into memory.
#pragma once

#include <windows.h>

#include <string>

namespace UIToolkit {

enum class ResourceReadResult {
    Ok,
    CannotOpenFile,  // the file of the resource folder
    NoArchive,       // the archive is neither kept open nor can be opened
    NotFound,        // the archive has no entry of that name
    TooLarge,
    OutOfMemory,
    ReadFailed,   // the file could not be read whole
    UnzipFailed,  // the entry did not unpack to exactly its size, or its check failed
};

// The file resource folder + name. bytes is empty unless the result is Ok (an empty file is Ok).
ResourceReadResult ReadResourceFile(const wchar_t* name, DWORD maxBytes, std::string& bytes);

// The archive's entry called name (case ignored). The archive the framework keeps open is used
// when there is one; otherwise, also when it is to be kept open but could not be opened, the
// archive is opened for this read and closed again. An entry larger than maxBytes is refused
// before it is unpacked. bytes is empty unless the result is Ok (an empty entry is Ok).
ResourceReadResult ReadResourceArchiveEntry(const wchar_t* name, DWORD maxBytes, std::string& bytes);

// The archive's entry when a resource archive is set, else the file of the resource folder.
ResourceReadResult ReadResource(const wchar_t* name, DWORD maxBytes, std::string& bytes);

}  // namespace UIToolkit
