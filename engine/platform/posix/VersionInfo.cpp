#include "../VersionInfo.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "../../DebugLog.h"
#include "../CodePage.h"
#include "NativePath.h"
#include "PeResource.h"

namespace platform {
namespace {

using Block = std::vector<unsigned char>;

constexpr size_t kNodeHeaderSize = 6; // wLength, wValueLength, wType
constexpr uint16_t kTextType = 1;
const std::u16string kRootKey = u"VS_VERSION_INFO";

// One node of the tree: a key, a value and children, each inside the node.
struct Node {
    size_t end = 0;
    std::u16string key;
    size_t valueBegin = 0;
    size_t valueEnd = 0;
    size_t childrenBegin = 0;
};

size_t align4(size_t at) {
    return (at + 3) & ~size_t(3);
}

uint16_t le16(const Block& block, size_t at) {
    return static_cast<uint16_t>(block[at] | block[at + 1] << 8);
}

// Reads the node at `at`, which must end by `limit`; false when its lengths do not fit.
bool readNode(const Block& block, size_t at, size_t limit, Node& node) {
    if (limit > block.size() || at > limit || limit - at < kNodeHeaderSize)
        return false;
    const size_t length = le16(block, at);
    if (length < kNodeHeaderSize || length > limit - at)
        return false;
    node.end = at + length;
    const size_t valueLength = le16(block, at + 2);
    const uint16_t type = le16(block, at + 4);
    node.key.clear();
    size_t cursor = at + kNodeHeaderSize;
    for (;;) {
        if (node.end - cursor < 2)
            return false;
        const char16_t unit = le16(block, cursor);
        cursor += 2;
        if (unit == 0)
            break;
        node.key += unit;
    }
    node.valueBegin = std::min(align4(cursor), node.end);
    const size_t valueBytes = type == kTextType ? valueLength * 2 : valueLength;
    if (valueBytes <= node.end - node.valueBegin)
        node.valueEnd = node.valueBegin + valueBytes;
    else if (type == kTextType)
        node.valueEnd = node.end; // some compilers count text in bytes; it still ends at its NUL
    else
        return false;
    node.childrenBegin = std::min(align4(node.valueEnd), node.end);
    return true;
}

char16_t foldAscii(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

bool sameKey(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return foldAscii(x) == foldAscii(y); });
}

bool findChild(const Block& block, const Node& parent, const std::u16string& key, Node& child) {
    size_t at = parent.childrenBegin;
    while (at < parent.end && parent.end - at >= kNodeHeaderSize) {
        if (le16(block, at) == 0)
            return false; // padding after the last child
        if (!readNode(block, at, parent.end, child))
            return false;
        if (sameKey(child.key, key))
            return true;
        at = align4(child.end);
    }
    return false;
}

// Walks the backslash-separated keys of subBlock from the root.
bool findNode(const Block& block, const CStdStr& subBlock, Node& node) {
    if (!readNode(block, 0, block.size(), node))
        return false;
    size_t begin = 0;
    while (begin <= subBlock.size()) {
        size_t end = subBlock.find('\\', begin);
        if (end == std::string::npos)
            end = subBlock.size();
        if (end > begin) {
            Node child;
            if (!findChild(block, node, ansiToWide(CStdStr(subBlock.substr(begin, end - begin))),
                           child))
                return false;
            node = child;
        }
        begin = end + 1;
    }
    return true;
}

// The file's version block, trimmed to the length its root gives.
bool readBlock(const CStdStr& path, Block& block, const char* function) {
    block.clear();
    if (path.empty())
        return false;
    posix::VersionResource resource = posix::readVersionResource(posix::toNative(path));
    const char* defect = resource.defect;
    if (resource.status == posix::ResourceStatus::Found) {
        Node root;
        if (readNode(resource.data, 0, resource.data.size(), root) && sameKey(root.key, kRootKey)) {
            resource.data.resize(root.end);
            block.swap(resource.data);
            return true;
        }
        resource.status = posix::ResourceStatus::Damaged;
        defect = "version block longer than its resource or without its key";
    }
    if (resource.status == posix::ResourceStatus::Damaged)
        KENDRY_LOG(".\\VersionInfo.cpp", function, LOG_ERROR,
                   "%s is a damaged program file (%s); it is taken to have no version.",
                   path.c_str(), defect);
    return false;
}

} // namespace

unsigned fileVersionInfoSize(const CStdStr& path) {
    Block block;
    readBlock(path, block, "platform::fileVersionInfoSize");
    return static_cast<unsigned>(block.size());
}

bool fileVersionInfo(const CStdStr& path, std::vector<unsigned char>& block) {
    return readBlock(path, block, "platform::fileVersionInfo");
}

bool queryVersionValue(const std::vector<unsigned char>& block, const CStdStr& subBlock,
                       std::vector<uint32_t>& entries) {
    entries.clear();
    Node node;
    if (!findNode(block, subBlock, node))
        return false;
    for (size_t at = node.valueBegin; node.valueEnd - at >= 4; at += 4)
        entries.push_back(uint32_t(le16(block, at)) | uint32_t(le16(block, at + 2)) << 16);
    return !entries.empty();
}

bool queryVersionValue(const std::vector<unsigned char>& block, const CStdStr& subBlock,
                       CStdStr& text) {
    text.clear();
    Node node;
    if (!findNode(block, subBlock, node))
        return false;
    std::u16string units;
    for (size_t at = node.valueBegin; node.valueEnd - at >= 2; at += 2) {
        const char16_t unit = le16(block, at);
        if (unit == 0)
            break;
        units += unit;
    }
    text = wideToAnsi(units);
    return true;
}

} // namespace platform
