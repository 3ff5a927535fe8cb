#pragma once
// Texts from a package's configuration that are printf formats for one string (the progress
// line, the overwrite question). Written by whoever made the package, so they are filled in
// without printf: a conversion the text should not have shows as written instead of reading
// an argument that does not exist.

#include "CStdStr.h"

// The first "%s" becomes argument and every "%%" becomes "%"; everything else, any other
// conversion and later "%s" included, stays as written.
CStdStr GuardedFormat(const CStdStr& format, const CStdStr& argument);

// Text made safe to stand inside an HTML fragment: "&", "<" and ">" as entities.
CStdStr EscapeHtmlText(const CStdStr& text);
