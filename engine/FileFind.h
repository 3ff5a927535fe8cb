#pragma once
// Walks the entries of one folder that match a wildcard pattern.

#include <cstdint>

#include "PathObject.h"
#include "platform/Find.h"

class FileFind {
public:
    // The pattern is a folder with a name such as "*.*", or a path without
    // wildcards, which finds that entry itself.
    explicit FileFind(const PathObject& pattern);
    ~FileFind();
    FileFind(const FileFind&) = delete;
    FileFind& operator=(const FileFind&) = delete;

    bool hasEntry() const { return m_hasEntry; }
    // Moves on; false, and hasEntry false, once the entries are used up.
    bool next();

    bool isDots() const;
    // The entry in the folder the pattern named, spelled as the pattern spells it.
    PathObject current() const;
    CStdStr name() const { return m_data.name; }
    std::uint32_t attributes() const { return m_data.attributes; }
    // Times and size of the current entry.
    const platform::FindData& data() const { return m_data; }

private:
    platform::FindHandle m_handle = nullptr;
    platform::FindData m_data;
    CStdStr m_folder;
    bool m_hasEntry = false;
};
