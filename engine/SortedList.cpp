#include "SortedList.h"

template class SortedList<CStdStr>;
template class SortedList<PathObject>;

int CStdStringList::compare(const CStdStr& a, const CStdStr& b) const {
    if (flags() & SORTED_CASE_SENSITIVE)
        return SortedList<CStdStr>::compare(a, b);
    return compareNoCase(a.c_str(), b.c_str());
}
