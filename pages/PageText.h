#pragma once
// The one crossing between the engine's texts, bytes in the language's Windows code page,
// and the toolkit's Unicode strings.

#include <wx/string.h>

#include "CStdStr.h"

namespace PageText {

// Bytes that are not valid in the code page become U+FFFD, and the log says so.
wxString Decode(const CStdStr& language, const CStdStr& text);
// Characters the code page cannot hold become '?', and the log says so.
CStdStr Encode(const CStdStr& language, const wxString& text);

} // namespace PageText
