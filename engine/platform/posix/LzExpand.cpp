#include "../LzExpand.h"

#include <climits>
#include <cstring>
#include <map>
#include <memory>

#include "../WinError.h"
#include "ExpandIo.h"

namespace platform {
namespace {

using posix::expand::Failure;
using posix::expand::Format;
using posix::expand::Header;
using posix::expand::Outcome;
using posix::expand::PendingTarget;
using posix::expand::SourceFile;

// The library's own table of open files is small too. The engine runs on one
// thread, so the table needs no lock.
constexpr size_t MAX_OPEN_FILES = 64;

struct LzFile {
    bool writable = false;
    bool used = false; // a target is written once
    SourceFile source;
    Header header;
    PendingTarget target;
};

struct HandleTable {
    std::map<int, std::unique_ptr<LzFile>> files;
    int next = 0;
};

HandleTable& table() {
    static HandleTable handles;
    return handles;
}

LzFile* find(int handle) {
    const auto found = table().files.find(handle);
    return found == table().files.end() ? nullptr : found->second.get();
}

int addHandle(std::unique_ptr<LzFile> file) {
    HandleTable& handles = table();
    while (handles.files.count(handles.next))
        handles.next = handles.next == INT_MAX ? 0 : handles.next + 1;
    const int handle = handles.next;
    handles.files[handle] = std::move(file);
    handles.next = handle == INT_MAX ? 0 : handle + 1;
    return handle;
}

int lzErrorOf(const Outcome& outcome) {
    switch (outcome.failure) {
    case Failure::None:
        return 0;
    case Failure::Open:
        return LZERROR_BADINHANDLE;
    case Failure::Create:
        return LZERROR_BADOUTHANDLE;
    case Failure::Write:
        return LZERROR_WRITE;
    case Failure::UnknownMethod:
        return LZERROR_UNKNOWNALG;
    case Failure::Memory:
        return LZERROR_GLOBALLOC;
    case Failure::NotSupported:
        return LZERROR_BADVALUE;
    case Failure::Read:
    case Failure::Damaged:
        break;
    }
    return LZERROR_READ;
}

// Characters a Windows file name cannot hold.
bool isNameCharacter(char ch) {
    return static_cast<unsigned char>(ch) >= 0x20 && !std::strchr("\\/:*?\"<>|", ch);
}

} // namespace

int lzOpenFile(const CStdStr& path, OFSTRUCT& info, int style) {
    info = OFSTRUCT{};
    const bool create = (style & OF_CREATE) != 0;
    if (!create && style != OF_READ) {
        info.errorCode = winerr::INVALID_PARAMETER;
        return LZERROR_BADVALUE;
    }
    if (table().files.size() >= MAX_OPEN_FILES) {
        info.errorCode = winerr::TOO_MANY_OPEN_FILES;
        return LZERROR_GLOBALLOC;
    }
    auto file = std::make_unique<LzFile>();
    file->writable = create;
    Outcome outcome = create ? file->target.create(path) : file->source.open(path);
    if (outcome.ok() && !create)
        outcome = posix::expand::readHeader(file->source, false, file->header);
    if (!outcome.ok()) {
        info.errorCode = outcome.winError;
        return lzErrorOf(outcome);
    }
    info.pathName = path;
    return addHandle(std::move(file));
}

std::int64_t lzCopy(int source, int target) {
    LzFile* in = find(source);
    if (!in || in->writable)
        return LZERROR_BADINHANDLE;
    LzFile* out = find(target);
    if (!out || !out->writable || out->used)
        return LZERROR_BADOUTHANDLE;
    out->used = true;
    std::uint64_t written = 0;
    Outcome outcome = posix::expand::expand(in->source, in->header, out->target, written);
    if (outcome.ok())
        outcome = out->target.commit();
    else
        out->target.discard();
    if (!outcome.ok())
        return lzErrorOf(outcome);
    return static_cast<std::int64_t>(written);
}

void lzClose(int handle) {
    table().files.erase(handle);
}

int getExpandedName(const CStdStr& path, CStdStr& expanded) {
    SourceFile file;
    Header header;
    Outcome outcome = file.open(path);
    if (outcome.ok())
        outcome = posix::expand::readHeader(file, false, header);
    if (!outcome.ok())
        return lzErrorOf(outcome);
    CStdStr name = path;
    const size_t nameStart = name.find_last_of("\\/") + 1; // npos + 1 is 0
    const bool compressedName =
        header.format == Format::Szdd && name.size() > nameStart + 1 && name.back() == '_';
    if (compressedName && header.missingChar == 0) {
        name.pop_back();
        // "readme._" stands for "readme", as Windows drops a trailing period.
        if (name.size() > nameStart + 1 && name.back() == '.')
            name.pop_back();
    } else if (compressedName) {
        // A stored separator or wildcard would turn the name into another path.
        if (!isNameCharacter(header.missingChar))
            return LZERROR_BADVALUE;
        name.back() = header.missingChar;
    }
    expanded = name;
    return 1;
}

} // namespace platform
