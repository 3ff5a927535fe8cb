#include "SortedList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

template <typename List> std::vector<CStdStr> itemsOf(const List& list) {
    return std::vector<CStdStr>(list.begin(), list.end());
}

TEST(SortedListTest, StringListKeepsOrderIgnoringCaseAndRefusesCaseVariants) {
    CStdStringList list;
    EXPECT_TRUE(list.add("Gamma"));
    EXPECT_TRUE(list.add("alpha"));
    EXPECT_TRUE(list.add("beta"));
    EXPECT_EQ(itemsOf(list), (std::vector<CStdStr>{"alpha", "beta", "Gamma"}));
    EXPECT_FALSE(list.add("ALPHA"));
    EXPECT_EQ(itemsOf(list), (std::vector<CStdStr>{"alpha", "beta", "Gamma"}));
    EXPECT_TRUE(list.contains("GAMMA"));
    EXPECT_FALSE(list.contains("delta"));
}

TEST(SortedListTest, WithoutUniqueAnEqualGoesInFrontOfItsEquals) {
    CStdStringList list(0);
    EXPECT_TRUE(list.add("b"));
    EXPECT_TRUE(list.add("a"));
    EXPECT_TRUE(list.add("A"));
    EXPECT_TRUE(list.add("B"));
    EXPECT_EQ(itemsOf(list), (std::vector<CStdStr>{"A", "a", "B", "b"}));
}

TEST(SortedListTest, ByteOrderAndCaseInsensitiveOrderDiffer) {
    // Case-insensitive order lowers letters and compares signed bytes, so 0xE4
    // sorts before ASCII; byte order is unsigned and case-sensitive.
    const std::vector<CStdStr> items{"b", "\xE4", "A", "a"};
    CStdStringList ignoringCase;
    CStdStringList caseSensitive(SORTED_UNIQUE | SORTED_CASE_SENSITIVE);
    SortedList<CStdStr> plain;
    for (const CStdStr& item : items) {
        ignoringCase.add(item);
        caseSensitive.add(item);
        plain.add(item);
    }
    EXPECT_EQ(itemsOf(ignoringCase), (std::vector<CStdStr>{"\xE4", "A", "b"}));
    EXPECT_EQ(itemsOf(caseSensitive), (std::vector<CStdStr>{"A", "a", "b", "\xE4"}));
    EXPECT_EQ(itemsOf(plain), itemsOf(caseSensitive));
}

// Counts the comparisons a walk makes.
class CountingList : public CStdStringList {
public:
    int compare(const CStdStr& a, const CStdStr& b) const override {
        ++comparisons;
        return CStdStringList::compare(a, b);
    }
    mutable int comparisons = 0;
};

TEST(SortedListTest, ContainsStopsAtTheFirstGreaterElement) {
    CountingList list;
    list.add("b");
    list.add("d");
    const struct {
        const char* wanted;
        bool found;
        int comparisons;
    } cases[] = {{"a", false, 1}, {"B", true, 1}, {"c", false, 2}, {"d", true, 2}, {"e", false, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wanted);
        list.comparisons = 0;
        EXPECT_EQ(list.contains(c.wanted), c.found);
        EXPECT_EQ(list.comparisons, c.comparisons);
    }
}

TEST(SortedListTest, AddRefusesThroughTheVirtualCompareOfADerivedList) {
    CountingList list;
    SortedList<CStdStr>& base = list;
    EXPECT_TRUE(base.add("x"));
    EXPECT_FALSE(base.add("X"));
    EXPECT_GT(list.comparisons, 0);
}

TEST(SortedListTest, PushBackBypassesOrderAndUniqueness) {
    CStdStringList list;
    list.add("b");
    list.push_back("a");
    list.push_back("B");
    EXPECT_EQ(itemsOf(list), (std::vector<CStdStr>{"b", "a", "B"}));
}

TEST(SortedListTest, PathListOrdersByFolderThenNameIgnoringCase) {
    SortedList<PathObject> list;
    EXPECT_TRUE(list.add(PathObject("C:\\b\\a.txt")));
    EXPECT_TRUE(list.add(PathObject("C:\\a\\z.txt")));
    EXPECT_TRUE(list.add(PathObject("C:\\a\\b.txt")));
    EXPECT_FALSE(list.add(PathObject("c:\\A\\B.TXT")));
    std::vector<CStdStr> paths;
    for (const PathObject& path : list)
        paths.push_back(path.getFullPath());
    EXPECT_EQ(paths, (std::vector<CStdStr>{"C:\\a\\b.txt", "C:\\a\\z.txt", "C:\\b\\a.txt"}));
    EXPECT_TRUE(list.contains(PathObject("C:\\B\\A.txt")));
}

} // namespace
