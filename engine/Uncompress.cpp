#include "Uncompress.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "DebugLog.h"
#include "FileOp.h"
#include "OSInfo.h"
#include "SystemPath.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "platform/SetupApi.h"

namespace Uncompress {
namespace {

// These operations have always logged as part of the file operations.
const char* const kSource = ".\\FileOp.cpp";
const char* const kLoadSetupApi = "Uncompress::LoadSetupApi";
const char* const kGetCompressionType = "Uncompress::GetCompressionType";
const char* const kGetUncompressedName = "Uncompress::GetUncompressedName";
const char* const kUncompressFile = "Uncompress::UncompressFile";

const int kTempFolderCode = 22;
const int kNotExpandable = platform::LZERROR_BADVALUE;
const size_t kShortPathBuffer = 260;

// A single-file cabinet without reserved areas holds the name of its one file
// at this offset; only this much of the file is read to find it.
const size_t kCabinetHeadSize = 320;
const size_t kCabinetNameOffset = 60;

bool& setupApiLoaded() {
    static bool loaded = false;
    return loaded;
}

bool isLowerLetter(char ch) {
    return ch >= 'a' && ch <= 'z';
}

// A name a file can be created under: not empty, no place-holder for a
// folder, no character a Windows file name cannot hold. A stored folder is
// allowed; only its last component is used.
bool isUsableName(const CStdStr& stored) {
    for (const char ch : stored) {
        if (static_cast<unsigned char>(ch) < 0x20 || std::strchr(":*?\"<>|", ch))
            return false;
    }
    const CStdStr name = PathObject(stored).getName();
    return !name.empty() && name != "." && name != "..";
}

// The name of the one file of an MSZIP cabinet, read from its header.
int storedCabinetName(const CStdStr& source, CStdStr& expanded) {
    std::FILE* file = platform::openFile(source, "rb");
    if (!file) {
        KENDRY_LOG(kSource, kGetUncompressedName, LOG_ERROR,
                   "Cannot open file %s to retrieve file information.", source.c_str());
        return kNotExpandable;
    }
    char head[kCabinetHeadSize];
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    const char* start = head + kCabinetNameOffset;
    const void* end =
        got > kCabinetNameOffset ? std::memchr(start, '\0', got - kCabinetNameOffset) : nullptr;
    const CStdStr name =
        end ? CStdStr(std::string(start, static_cast<const char*>(end))) : CStdStr();
    if (!end || !isUsableName(name)) {
        KENDRY_LOG(kSource, kGetUncompressedName, LOG_ERROR,
                   "No usable file name in the first %u bytes of %s.",
                   static_cast<unsigned>(kCabinetHeadSize), source.c_str());
        return kNotExpandable;
    }
    KENDRY_LOG(kSource, kGetUncompressedName, LOG_INFO, "DEBUG FILENAME IN ZIP %s", name.c_str());
    const CStdStr folder = PathObject(source).getDirectory();
    expanded = folder.empty() ? name : CStdStr(folder + "\\" + name);
    return 1;
}

// The 9x family reports the stored name in its short form (LONGNA~1.SYS): the
// long base name comes from the source and only the extension from the
// stored name. Without a period on either side there is nothing to combine,
// and the stored name is used as it is.
CStdStr nineXName(const CStdStr& sourceName, const CStdStr& stored) {
    const int sourcePeriod = sourceName.ReverseFind('.');
    const int storedPeriod = stored.ReverseFind('.');
    if (sourcePeriod < 0 || storedPeriod < 0)
        return stored;
    return sourceName.Left(sourcePeriod) + stored.Mid(storedPeriod);
}

// The name source is installed under; false when it cannot be worked out.
bool installNameOf(const PathObject& source, CStdStr& name) {
    const bool nineX = OSInfo().is9xFamily();
    CStdStr expanded;
    if (GetUncompressedName(source.getFullPath(), expanded) != 1) {
        if (nineX)
            KENDRY_LOG(kSource, kUncompressFile, LOG_ERROR, "Could not get %s uncompressed.",
                       source.getName().c_str());
        else
            KENDRY_LOG(kSource, kUncompressFile, LOG_ERROR, "Could not get %s uncompressed ",
                       source.getName().c_str());
        return false;
    }
    const CStdStr stored = PathObject(expanded).getName();
    name = nineX ? nineXName(source.getName(), stored) : stored;
    return true;
}

// The compress tool stores the replaced character as it was typed, so a
// lower-case name often comes back as setup.exE.
CStdStr withLastLetterLowered(CStdStr name) {
    if (name.size() > 1 && isLowerLetter(name[name.size() - 2]))
        name.back() = toCLower(name.back());
    return name;
}

bool expandLz(int sourceHandle, PathObject temp) {
    platform::OFSTRUCT info;
    const int target = openLzFile(temp, info, platform::OF_CREATE);
    if (target < 0)
        return false;
    const bool copied = platform::lzCopy(sourceHandle, target) >= 0;
    platform::lzClose(target);
    return copied;
}

bool expandMszip(const PathObject& source, const PathObject& temp) {
    if (!platform::setupApiHasEntryPoint(platform::SETUP_DECOMPRESS_OR_COPY_FILE))
        return false;
    int type = platform::FILE_COMPRESSION_MSZIP;
    return platform::decompressOrCopyFile(source.getFullPath(), temp.getFullPath(), type) == 0;
}

// Writes the expanded source to temp. A temp without folder or name would be
// written relative to the current folder or onto the folder itself: that
// counts as failure too.
bool expandToTemp(const PathObject& source, int sourceHandle, const PathObject& temp) {
    if (!temp.hasDirectory() || !temp.hasName())
        return false;
    switch (GetCompressionType(source.getFullPath())) {
    case platform::FILE_COMPRESSION_NONE:
    case platform::FILE_COMPRESSION_WINLZA:
        return expandLz(sourceHandle, temp);
    case platform::FILE_COMPRESSION_MSZIP:
        return expandMszip(source, temp);
    default:
        return false;
    }
}

void removeTemp(const PathObject& temp) {
    if (!FileOp::Remove(temp, 0))
        KENDRY_LOG(kSource, kUncompressFile, LOG_ERROR, "could not delete temp file %s.",
                   temp.getFullPath().c_str());
}

// After a failed expansion nothing of it may stay in the temporary folder. A
// folder of that name is not ours to remove.
void removeFailedTemp(const PathObject& temp) {
    if (!temp.hasName())
        return;
    const std::uint32_t attributes = platform::getFileAttributes(temp.getFullPath());
    if (attributes != platform::INVALID_FILE_ATTRIBUTES &&
        !(attributes & platform::FILE_ATTR_DIRECTORY))
        removeTemp(temp);
}

// The installed file stays when its version is higher, or the same and it
// was written later.
bool installedIsNewer(const PathObject& temp, const PathObject& destination) {
    if (!FileOp::fileExists(destination))
        return false;
    const int version = FileOp::compareVersion(temp, destination);
    return version < 0 || (version == 0 && FileOp::IsNewerTime(temp, destination) < 0);
}

} // namespace

bool isCompressedName(const PathObject& path) {
    const CStdStr name = path.getName();
    return name.size() > 1 && name.back() == '_';
}

bool LoadSetupApi() {
    if (setupApiLoaded())
        return true;
    if (!platform::loadSetupApi()) {
        KENDRY_LOG(kSource, kLoadSetupApi, LOG_ERROR, "SetupAPI library was not loaded. Stop.");
        return false;
    }
    setupApiLoaded() = true;
    KENDRY_LOG(kSource, kLoadSetupApi, LOG_INFO, "Loaded SetupAPI Library.");
    return true;
}

int GetCompressionType(const CStdStr& source) {
    if (!LoadSetupApi())
        return -1;
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    int type = -1;
    if (platform::setupApiHasEntryPoint(platform::SETUP_GET_FILE_COMPRESSION_INFO_EX)) {
        if (platform::getFileCompressionInfoEx(source, sourceSize, targetSize, type))
            return type;
        KENDRY_LOG(kSource, kGetCompressionType, LOG_ERROR,
                   "Function in SetupApi.dll SetupGetFileCompressionInfoEx failed with error code "
                   "%d",
                   platform::setupApiLastError());
        return -1;
    }
    if (platform::setupApiHasEntryPoint(platform::SETUP_GET_FILE_COMPRESSION_INFO)) {
        CStdStr actualSource;
        const int error =
            platform::getFileCompressionInfo(source, actualSource, sourceSize, targetSize, type);
        if (error == 0)
            return type;
        KENDRY_LOG(kSource, kGetCompressionType, LOG_ERROR,
                   "Function in SetupApi.dll SetupGetFileCompressionInfo failed with error code %d",
                   error);
        return -1;
    }
    KENDRY_LOG(kSource, kGetCompressionType, LOG_ERROR,
               "Function in SetupApi.dll SetupGetFileCompressionInfoEx or "
               "SetupGetFileCompressionInfo failed to load. ");
    return -1;
}

int GetUncompressedName(const CStdStr& source, CStdStr& expanded) {
    switch (GetCompressionType(source)) {
    case platform::FILE_COMPRESSION_NONE:
    case platform::FILE_COMPRESSION_WINLZA: {
        const int result = platform::getExpandedName(source, expanded);
        if (result == 1 || result == 0)
            return 1;
        KENDRY_LOG(kSource, kGetUncompressedName, LOG_ERROR,
                   "Function GetExpandedName returned error %d while retrieving uncompressed "
                   "filename from file.",
                   result);
        return result;
    }
    case platform::FILE_COMPRESSION_MSZIP:
        return storedCabinetName(source, expanded);
    default:
        return kNotExpandable;
    }
}

bool shortenLongPath(PathObject& path) {
    const CStdStr full = path.getFullPath();
    if (full.size() < platform::LZ_MAX_PATH)
        return true;
    if (full.Find('\\') < 0)
        return false;
    CStdStr shortFolder;
    if (platform::getShortPathName(path.getDirectory(), shortFolder) != 0 || shortFolder.empty() ||
        shortFolder.size() >= kShortPathBuffer)
        return false;
    path.setDirectory(shortFolder);
    return path.getFullPath().size() < platform::LZ_MAX_PATH;
}

int openLzFile(PathObject& path, platform::OFSTRUCT& info, int style) {
    shortenLongPath(path); // a path it cannot shorten may still open
    return platform::lzOpenFile(path.getFullPath(), info, style);
}

bool UncompressFile(const PathObject& source, PathObject& destination, CStdStr& installed,
                    bool checkVersion) {
    if (!FileOp::fileExists(source)) {
        KENDRY_LOG(kSource, kUncompressFile, LOG_ERROR, "Could not open file %s.",
                   source.getFullPath().c_str());
        return false;
    }
    if (!LoadSetupApi())
        return false;

    PathObject temp;
    temp.setDirectory(SystemPath(kTempFolderCode).getDirectory());
    CStdStr name;
    if (installNameOf(source, name)) {
        temp.setName(name);
        destination.setName(name);
    }
    const CStdStr lowered = withLastLetterLowered(temp.getName());
    temp.setName(lowered);
    destination.setName(lowered);

    PathObject lzSource = source;
    platform::OFSTRUCT info;
    const int sourceHandle = openLzFile(lzSource, info, platform::OF_READ);
    if (sourceHandle < 0) {
        KENDRY_LOG(kSource, kUncompressFile, LOG_ERROR, "Could not open file %s.",
                   source.getFullPath().c_str());
        return false;
    }
    // The installed file is left alone until the expansion is complete:
    // FileOp::Copy replaces it only with a whole file.
    const bool expanded = expandToTemp(source, sourceHandle, temp);
    platform::lzClose(sourceHandle);
    if (!expanded) {
        KENDRY_LOG(kSource, kUncompressFile, LOG_ERROR, "could not uncompress file %s.",
                   source.getFullPath().c_str());
        removeFailedTemp(temp);
        return false;
    }

    if (checkVersion && installedIsNewer(temp, destination)) {
        removeTemp(temp);
        return true;
    }
    const bool copied = FileOp::Copy(temp, destination, FileOp::COPY_SHARING_AS_IN_USE);
    if (copied)
        installed = destination.getFullPath();
    else
        KENDRY_LOG(kSource, kUncompressFile, LOG_ERROR, "could not copy file %s.",
                   source.getFullPath().c_str());
    removeTemp(temp);
    return copied;
}

} // namespace Uncompress
