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

// The bytes are a type library of a known format whose tables lie inside them.
bool BytesSound(const ByteSpan& bytes);
// The file the loader opens for this name (a path, a name the search path finds, or either
// with "\N" for the N-th type library of a program file) holds a sound type library: a .tlb
// file, or the TYPELIB resource of a PE image with every language of it sound.
bool FileSound(const std::string& file);

}  // namespace TypeLibCheck
