#include "PeResource.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace posix {
namespace {

constexpr uint16_t kDosMagic = 0x5A4D;        // "MZ"
constexpr uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kDosHeaderSize = 64;
constexpr size_t kNewHeaderOffsetAt = 0x3C; // e_lfanew
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kDataDirectorySize = 8;
constexpr size_t kResourceDirectoryIndex = 2;
constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr uint32_t kVersionType = 16; // RT_VERSION
constexpr uint32_t kVersionName = 1;  // VS_VERSION_INFO
constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kTreeLevels = 3; // type, name, language

uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A regular file read at explicit offsets; nothing past its end is asked for,
// so no buffer grows beyond the file's size.
class InputFile {
public:
    explicit InputFile(const std::string& path) {
        // O_NONBLOCK: a FIFO under a program's name must not stall the run.
        m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        struct stat info;
        if (m_fd >= 0 && ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode))
            m_size = static_cast<uint64_t>(info.st_size);
        else
            m_size = 0;
    }
    ~InputFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    uint64_t size() const { return m_size; }
    bool holds(uint64_t offset, uint64_t count) const {
        return offset <= m_size && count <= m_size - offset;
    }
    bool read(uint64_t offset, size_t count, std::vector<unsigned char>& out) const {
        if (!holds(offset, count))
            return false;
        out.resize(count);
        size_t done = 0;
        while (done < count) {
            const ssize_t got =
                ::pread(m_fd, out.data() + done, count - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            done += static_cast<size_t>(got);
        }
        return true;
    }

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

struct Section {
    uint32_t address;   // relative virtual address
    uint32_t span;      // bytes both mapped and present in the file
    uint32_t rawOffset; // file offset
};

struct DirectoryEntry {
    uint32_t name;   // an id, or a name string when the high bit is set
    uint32_t target; // a data entry, or a subdirectory when the high bit is set
};

class VersionFinder {
public:
    VersionFinder(const InputFile& file, VersionResource& result)
        : m_file(file), m_result(result) {}

    void run() {
        uint32_t address = 0;
        uint32_t size = 0;
        if (readHeaders() && locateTree() && findData(address, size) && readData(address, size))
            m_result.status = ResourceStatus::Found;
    }

private:
    bool fail(ResourceStatus status, const char* defect = "") {
        m_result.status = status;
        m_result.defect = defect;
        return false;
    }

    bool readHeaders() {
        std::vector<unsigned char> bytes;
        if (!m_file.read(0, kDosHeaderSize, bytes) || le16(bytes.data()) != kDosMagic)
            return fail(ResourceStatus::NotProgram);
        // DOS, NE and LE programs carry no PE header; they have no version for us.
        const uint64_t pe = le32(&bytes[kNewHeaderOffsetAt]);
        if (!m_file.read(pe, 4 + kCoffHeaderSize, bytes) || le32(bytes.data()) != kPeSignature)
            return fail(ResourceStatus::NotProgram);
        const size_t sectionCount = le16(&bytes[4 + 2]);
        const size_t optionalSize = le16(&bytes[4 + 16]);
        const uint64_t optional = pe + 4 + kCoffHeaderSize;
        std::vector<unsigned char> header;
        if (!m_file.read(optional, optionalSize, header))
            return fail(ResourceStatus::Damaged, "optional header beyond the end of the file");
        if (!readResourceDirectory(header))
            return false;
        if (!m_file.read(optional + optionalSize, sectionCount * kSectionHeaderSize, bytes))
            return fail(ResourceStatus::Damaged, "section table beyond the end of the file");
        for (size_t i = 0; i < sectionCount; ++i)
            m_sections.push_back(section(&bytes[i * kSectionHeaderSize]));
        return true;
    }

    bool readResourceDirectory(const std::vector<unsigned char>& header) {
        if (header.size() < 2)
            return fail(ResourceStatus::Damaged, "optional header too short");
        size_t countAt = 0;
        switch (le16(header.data())) {
        case kPe32Magic:
            countAt = 92;
            break;
        case kPe32PlusMagic:
            countAt = 108;
            break;
        default:
            return fail(ResourceStatus::Damaged, "unknown optional header");
        }
        if (header.size() < countAt + 4)
            return fail(ResourceStatus::Damaged, "optional header too short");
        if (le32(&header[countAt]) <= kResourceDirectoryIndex)
            return fail(ResourceStatus::NoVersion);
        const size_t directoryAt = countAt + 4 + kResourceDirectoryIndex * kDataDirectorySize;
        if (header.size() < directoryAt + kDataDirectorySize)
            return fail(ResourceStatus::Damaged, "data directories beyond the optional header");
        m_treeAddress = le32(&header[directoryAt]);
        m_treeSize = le32(&header[directoryAt + 4]);
        if (m_treeAddress == 0 || m_treeSize == 0)
            return fail(ResourceStatus::NoVersion);
        return true;
    }

    static Section section(const unsigned char* header) {
        const uint32_t virtualSize = le32(header + 8);
        const uint32_t rawSize = le32(header + 16);
        // Bytes past the virtual size are not mapped; bytes past the raw size are not in the file.
        const uint32_t span = virtualSize ? std::min(virtualSize, rawSize) : rawSize;
        return Section{le32(header + 12), span, le32(header + 20)};
    }

    // The section holding the address: its file offset and the section bytes left from there.
    bool place(uint32_t address, uint64_t& offset, uint32_t& available) const {
        for (const Section& s : m_sections) {
            if (address >= s.address && address - s.address < s.span) {
                offset = uint64_t(s.rawOffset) + (address - s.address);
                available = s.span - (address - s.address);
                return true;
            }
        }
        return false;
    }

    // The resource tree's bytes: within its data directory, its section and the file.
    bool locateTree() {
        uint32_t available = 0;
        if (!place(m_treeAddress, m_treeOffset, available) || m_treeOffset >= m_file.size())
            return fail(ResourceStatus::Damaged, "resource directory outside the sections");
        m_treeSize = static_cast<uint32_t>(
            std::min<uint64_t>({m_treeSize, available, m_file.size() - m_treeOffset}));
        return true;
    }

    bool readTree(uint64_t offset, uint64_t count, std::vector<unsigned char>& out) const {
        if (offset > m_treeSize || count > m_treeSize - offset)
            return false;
        return m_file.read(m_treeOffset + offset, static_cast<size_t>(count), out);
    }

    bool readDirectory(uint32_t offset, std::vector<DirectoryEntry>& entries) const {
        std::vector<unsigned char> bytes;
        if (!readTree(offset, kDirectoryHeaderSize, bytes))
            return false;
        const size_t count = size_t(le16(&bytes[12])) + le16(&bytes[14]);
        if (!readTree(uint64_t(offset) + kDirectoryHeaderSize, count * kDirectoryEntrySize, bytes))
            return false;
        entries.clear();
        for (size_t i = 0; i < count; ++i) {
            const unsigned char* entry = &bytes[i * kDirectoryEntrySize];
            entries.push_back(DirectoryEntry{le32(entry), le32(entry + 4)});
        }
        return true;
    }

    // The version type; then the name VS_VERSION_INFO, or the first name when
    // that is missing; then the first language.
    static const DirectoryEntry* choose(int level, const std::vector<DirectoryEntry>& entries) {
        const uint32_t wanted = level == 0 ? kVersionType : kVersionName;
        for (const DirectoryEntry& entry : entries) {
            if (level < 2 && entry.name == wanted)
                return &entry;
        }
        return level > 0 && !entries.empty() ? &entries.front() : nullptr;
    }

    bool findData(uint32_t& address, uint32_t& size) {
        std::vector<uint32_t> visited{0};
        uint32_t directory = 0;
        std::vector<DirectoryEntry> entries;
        for (int level = 0; level < kTreeLevels; ++level) {
            if (!readDirectory(directory, entries))
                return fail(ResourceStatus::Damaged, "resource directory beyond its section");
            const DirectoryEntry* entry = choose(level, entries);
            if (!entry && level == 0)
                return fail(ResourceStatus::NoVersion);
            if (!entry)
                return fail(ResourceStatus::Damaged, "empty resource directory");
            const bool subdirectory = (entry->target & kHighBit) != 0;
            directory = entry->target & ~kHighBit;
            if (level + 1 < kTreeLevels && !subdirectory)
                return fail(ResourceStatus::Damaged, "resource directory too shallow");
            if (level + 1 == kTreeLevels && subdirectory)
                return fail(ResourceStatus::Damaged, "resource directory deeper than three levels");
            if (subdirectory &&
                std::find(visited.begin(), visited.end(), directory) != visited.end())
                return fail(ResourceStatus::Damaged, "loop in the resource directory");
            visited.push_back(directory);
        }
        std::vector<unsigned char> bytes;
        if (!readTree(directory, kDataEntrySize, bytes))
            return fail(ResourceStatus::Damaged, "resource data entry beyond its section");
        address = le32(bytes.data());
        size = le32(&bytes[4]);
        return true;
    }

    bool readData(uint32_t address, uint32_t size) {
        uint64_t offset = 0;
        uint32_t available = 0;
        if (size == 0 || !place(address, offset, available) || size > available ||
            !m_file.read(offset, size, m_result.data))
            return fail(ResourceStatus::Damaged, "version resource beyond its section or the file");
        return true;
    }

    const InputFile& m_file;
    VersionResource& m_result;
    std::vector<Section> m_sections;
    uint32_t m_treeAddress = 0;
    uint32_t m_treeSize = 0;
    uint64_t m_treeOffset = 0;
};

} // namespace

VersionResource readVersionResource(const std::string& nativePath) {
    VersionResource result;
    const InputFile file(nativePath);
    if (file.size() > 0)
        VersionFinder(file, result).run();
    if (result.status != ResourceStatus::Found)
        result.data.clear();
    return result;
}

} // namespace posix
