#pragma once
// Lists kept in order by a virtual comparison, optionally refusing duplicates.

#include <list>

#include "CStdStr.h"
#include "PathObject.h"

enum SortedListFlags {
    // add refuses an element that compares equal to one already present.
    SORTED_UNIQUE = 1,
    // CStdStringList compares bytes exactly instead of ignoring case.
    SORTED_CASE_SENSITIVE = 0x10,
};

// The natural three-way order of the element types the lists hold.
inline int compareElements(const CStdStr& a, const CStdStr& b) {
    return a.compare(b);
}
inline int compareElements(const PathObject& a, const PathObject& b) {
    return a.compare(b);
}

template <typename T> class SortedList : public std::list<T> {
public:
    explicit SortedList(int flags = SORTED_UNIQUE) : m_flags(flags) {}
    // Virtual so that a list deleted through its base goes cleanly.
    virtual ~SortedList() = default;
    SortedList(const SortedList&) = default;
    SortedList& operator=(const SortedList&) = default;
    SortedList(SortedList&&) = default;
    SortedList& operator=(SortedList&&) = default;

    // Negative, 0 or positive as a sorts before, with or after b.
    virtual int compare(const T& a, const T& b) const { return compareElements(a, b); }

    // Inserts in front of the first element not less than the new one; false
    // when the list is unique and holds an equal element.
    bool add(const T& element);
    bool contains(const T& element) const;

    int flags() const { return m_flags; }

private:
    int m_flags;
};

template <typename T> bool SortedList<T>::add(const T& element) {
    auto at = this->begin();
    int order = 1;
    for (; at != this->end(); ++at) {
        order = compare(element, *at);
        if (order <= 0)
            break;
    }
    if (at != this->end() && order == 0 && (m_flags & SORTED_UNIQUE))
        return false;
    this->insert(at, element);
    return true;
}

template <typename T> bool SortedList<T>::contains(const T& element) const {
    for (const T& value : *this) {
        const int order = compare(element, value);
        if (order == 0)
            return true;
        if (order < 0)
            return false;
    }
    return false;
}

extern template class SortedList<CStdStr>;
extern template class SortedList<PathObject>;

// Strings compared ignoring case (C-locale lowering, signed bytes) unless
// SORTED_CASE_SENSITIVE is set.
class CStdStringList : public SortedList<CStdStr> {
public:
    explicit CStdStringList(int flags = SORTED_UNIQUE) : SortedList<CStdStr>(flags) {}

    int compare(const CStdStr& a, const CStdStr& b) const override;
};
