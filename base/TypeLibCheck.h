// Bounds checks of a type library before the system's loader reads it.
//
// The type-library loader trusts the file's header, segment directory and records: a file cut
// short, an offset past its end or a huge count has it read out of bounds and end the
// process. The loader is handed a file only when what it will read lies inside the bytes:
//
//     if (!TypeLibCheck::FileSound(path)) return;       // reported as "no type library"
//     LoadTypeLibEx(...)
//
// Both formats the loader reads are checked: MSFT (the header, the segment directory, every
// segment, the type descriptions, each type's member records, parameters, custom-data chains
// and values) and SLTG (the header, the block table and its chain, the magic and index
// strings). A type library inside a program file (a "TYPELIB" resource) is located through the
// one image reader (base/PeImage.h) and checked the same way.
#pragma once
#include <string>

#include "base/PeImage.h"

namespace TypeLibCheck {

// The bytes are a type library of a known format whose tables lie inside them. The check's work
// follows the bytes' size, never the product of counts they state: `steps`, when given, is told
// how many structures it visited or looked up (a test's measure of that work).
bool BytesSound(const ByteSpan& bytes, uint64_t* steps = nullptr);
// The file the loader opens for this name (a path, a name the search path finds, or either
// with "\N" for the N-th type library of a program file) holds a sound type library: a .tlb
// file, or the TYPELIB resource of a PE image with every language of it sound. The file is read
// once into memory (MappedFile). False as well when it cannot be read: `readError`, when given,
// is then told the system's error (a file another program holds without read sharing, one that
// does not fit in memory), and 0 for a file that was read or was not found.
bool FileSound(const std::string& file, unsigned long* readError = nullptr);

}  // namespace TypeLibCheck
