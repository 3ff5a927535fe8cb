#pragma once
// Payload files stored compressed by the Windows setup tools: LZ files of the
// compress tool (name.dl_) and single-file MSZIP cabinets. Recognises the
// format, works out the name a file expands to, expands it into the temporary
// folder and installs the result with FileOp::Copy.

#include "CStdStr.h"
#include "PathObject.h"
#include "platform/LzExpand.h"

namespace Uncompress {

// The name part has more than one character and ends with "_".
bool isCompressedName(const PathObject& path);

// The setup library is usable; once it was, it stays so for the process.
bool LoadSetupApi();

// A platform::FILE_COMPRESSION_* value, or -1 when the library or the query
// failed.
int GetCompressionType(const CStdStr& source);

// Puts the full path of the name source expands to into expanded: 1 on
// success, else a negative code (-7 for anything that is neither plain, LZ nor
// a single-file MSZIP cabinet with a usable stored name).
int GetUncompressedName(const CStdStr& source, CStdStr& expanded);

// Replaces the folder by its short form when the full path has 127 characters
// or more; true when the full path is now shorter than that.
bool shortenLongPath(PathObject& path);

// An LZ handle for the path (shortened in place when that helps), or a
// negative LZERROR_ value.
int openLzFile(PathObject& path, platform::OFSTRUCT& info, int style);

// Expands source into the temporary folder under its expanded name, then
// copies it over destination, whose name part becomes that name. With
// checkVersion, an installed file of higher version, or of the same version
// and a later time, is kept. installed receives the destination's full path
// when the copy was made. A failure never touches an installed file and never
// leaves the expanded file in the temporary folder.
bool UncompressFile(const PathObject& source, PathObject& destination, CStdStr& installed,
                    bool checkVersion);

} // namespace Uncompress
