#include "FileFind.h"

#include <cstring>

#include "platform/WinError.h"

FileFind::FileFind(const PathObject& pattern) : m_folder(pattern.getDirectory()) {
    m_hasEntry =
        platform::findFirstFile(pattern.getFullPath(), m_handle, m_data) == winerr::SUCCESS;
}

FileFind::~FileFind() {
    if (m_handle)
        platform::findClose(m_handle);
}

bool FileFind::next() {
    if (!m_hasEntry)
        return false;
    m_hasEntry = platform::findNextFile(m_handle, m_data) == winerr::SUCCESS;
    return m_hasEntry;
}

bool FileFind::isDots() const {
    return std::strcmp(m_data.name, ".") == 0 || std::strcmp(m_data.name, "..") == 0;
}

PathObject FileFind::current() const {
    PathObject entry;
    entry.setDirectory(m_folder);
    entry.setName(m_data.name);
    return entry;
}
