#pragma once
// One value from an INI file, read without building the whole model.

#include "CStdStr.h"

// The first entry named name (case ignored) in a section named section (case
// ignored; a header's name is taken untrimmed). False when there is none.
bool QuickReadIniString(const CStdStr& path, const CStdStr& section, const CStdStr& name,
                        CStdStr& value);
