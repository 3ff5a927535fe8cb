#include "../SystemFolders.h"

#include <cstdlib>
#include <linux/magic.h>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

#include "FolderDefaults.h"
#include "NativePath.h"
#include "UserFolders.h"

namespace platform {
namespace {

// Linux keeps no Windows folder. A test, or a site that keeps a Windows-style
// tree for its packages, names one here.
const char* const kWindowsFolderVariable = "KENDRY_WINDOWS_DIR";
// The folder of the command interpreter /bin/sh and the essential commands.
const char* const kSystemFolder = "/bin";
const char* const kTemporaryFolder = "/tmp";
// CUPS looks for locally installed PPD files here; its filters take the
// print processor's place.
const char* const kPrinterDriverFolder = "/usr/local/share/ppd";
const char* const kPrintProcessorFolder = "/usr/lib/cups/filter";

// The platform's defaults beneath the registry store come with this module,
// which every user of the folder codes links.
[[maybe_unused]] const bool s_folderDefaults = (posix::addFolderDefaults(), true);

CStdStr engineFolder(std::string native) {
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    return native.empty() ? CStdStr() : posix::toEngine(native);
}

bool isFolder(const char* path) {
    struct stat info;
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

std::string readLink(const char* path) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(path, buffer.data(), buffer.size());
        if (length < 0)
            return std::string();
        if (static_cast<size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

// The kernel marks the file of a program replaced while it runs; the folder
// it was started from is still the program's folder.
std::string withoutDeletedMark(const std::string& path) {
    const std::string mark = " (deleted)";
    struct stat info;
    if (path.size() > mark.size() &&
        path.compare(path.size() - mark.size(), mark.size(), mark) == 0 &&
        ::stat(path.c_str(), &info) != 0)
        return path.substr(0, path.size() - mark.size());
    return path;
}

} // namespace

CStdStr windowsFolder() {
    const char* named = std::getenv(kWindowsFolderVariable);
    return named && named[0] == '/' ? engineFolder(named) : CStdStr();
}

CStdStr systemFolder() {
    return engineFolder(kSystemFolder);
}

// As the C library chooses its temporary folder: $TMPDIR when it names a
// folder, else /tmp.
CStdStr temporaryFolder() {
    const char* named = std::getenv("TMPDIR");
    if (named && named[0] == '/' && isFolder(named))
        return engineFolder(named);
    return engineFolder(kTemporaryFolder);
}

CStdStr currentFolder() {
    char* path = ::getcwd(nullptr, 0);
    if (!path)
        return CStdStr();
    const std::string native(path);
    std::free(path);
    return engineFolder(native);
}

// The link names the program's real file, whatever link it was started by.
CStdStr runningProgramFile() {
    const std::string path = withoutDeletedMark(readLink("/proc/self/exe"));
    return path.empty() ? CStdStr() : posix::toEngine(path);
}

CStdStr printerDriverFolder() {
    return engineFolder(kPrinterDriverFolder);
}

CStdStr printProcessorFolder() {
    return engineFolder(kPrintProcessorFolder);
}

CStdStr documentsFolder() {
    return engineFolder(posix::userDocumentsFolder());
}

// Every drive letter names the one file tree, so the answer is the kind of
// the file system that holds the folder.
int driveType(const CStdStr& root) {
    const std::string native = posix::toNative(root);
    struct statfs info;
    if (native.empty() || ::statfs(native.c_str(), &info) != 0)
        return DRIVE_NO_ROOT_DIR;
    switch (static_cast<unsigned long>(info.f_type)) {
    case ISOFS_SUPER_MAGIC:
    case 0x15013346UL: // UDF
        return DRIVE_CDROM;
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case CODA_SUPER_MAGIC:
        return DRIVE_REMOTE;
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
        return DRIVE_RAMDISK;
    default:
        return DRIVE_FIXED;
    }
}

} // namespace platform
