#pragma once
// Expansion of environment references, with the meaning of
// ExpandEnvironmentStringsA.

#include "../CStdStr.h"

namespace platform {

// Replaces each %NAME% whose variable is set (name case ignored when no
// variable has the exact spelling) by its value; a reference to an unset
// variable stays, and its closing "%" may open the next one. Returns a
// Windows error code, 0 on success.
int expandEnvironmentStrings(const CStdStr& text, CStdStr& expanded);

} // namespace platform
