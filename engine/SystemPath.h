#pragma once
// A PathObject filled with one of the machine's well-known folders, chosen by
// a path code from 0 to 29.

#include "PathObject.h"

// Path codes:
//  0, 28  two levels above the program's folder
//  1      common files (registry)
//  2      the current folder
//  3      desktop (registry; all users when asked)
//  4      the driver cabinet file (folder and name)
//  5      the driver cache for this system: x64 on 64-bit systems, else i386
//  6, 7, 8  the driver cache's i386, amd64 and x64 folders
//  9      fonts
//  10     the program's folder (the name is cleared)
//  11     the local printer-driver folder
//  12     11 with the driver version of this system ("2" on NT 4.0, "3" on 2000 and later)
//  13     the local print-processor folder
//  14     program files (registry)
//  15     the user's SendTo folder (registry)
//  16, 17 11 two or one levels up on the NT family
//  18     the programs menu (registry; all users when asked)
//  19     the system folder
//  20     the Windows folder's Inf folder
//  21     the drive of the Windows folder
//  22     the temporary folder
//  23     the Windows folder
//  24     11 one level up, then Win40\0
//  25, 26 11 with "3" or "2"
//  27     application data shared by all users (registry)
//  29     the user's documents
// A folder built below another (5 to 9, 12, 16, 17, 20, 21, 24 to 26 and the
// cabinet) is empty when the folder beneath it is: nothing is built on the root.
class SystemPath : public PathObject {
public:
    explicit SystemPath(int code, bool allUsers = false);

    // Replaces the folder (and for codes 4 and 10 the name); an unknown code
    // is logged and leaves the object as it was. allUsers matters to codes 3
    // and 18 only.
    void SetPath(int code, bool allUsers = false);
};
