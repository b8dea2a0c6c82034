// The zip reader's file operations for native builds (fuzzing, tools): stdio only.

#include "archive/zip_file_io.h"

#include <cstdio>

struct ZipInputFile {
    std::FILE* stream;
    std::uint64_t size;
};

struct ZipOutputFile {
    std::FILE* stream;
};

ZipInputFile* zipInputOpen(const char* utf8Path) {
    std::FILE* stream = std::fopen(utf8Path, "rb");
    if (stream == nullptr) return nullptr;
    if (std::fseek(stream, 0, SEEK_END) != 0) {
        std::fclose(stream);
        return nullptr;
    }
    const long size = std::ftell(stream);
    if (size < 0) {
        std::fclose(stream);
        return nullptr;
    }
    return new ZipInputFile{stream, static_cast<std::uint64_t>(size)};
}

std::uint64_t zipInputSize(const ZipInputFile* file) {
    return file->size;
}

bool zipInputReadAt(ZipInputFile* file, std::uint64_t offset, void* buffer, std::size_t length) {
    if (offset > file->size || length > file->size - offset) return false;
    if (std::fseek(file->stream, static_cast<long>(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, length, file->stream) == length;
}

void zipInputClose(ZipInputFile* file) {
    std::fclose(file->stream);
    delete file;
}

ZipOutputFile* zipOutputCreate(const char* utf8Path) {
    std::FILE* stream = std::fopen(utf8Path, "wb");
    return stream ? new ZipOutputFile{stream} : nullptr;
}

bool zipOutputWrite(ZipOutputFile* file, const void* data, std::size_t length) {
    return std::fwrite(data, 1, length, file->stream) == length;
}

void zipOutputSetModTime(ZipOutputFile*, std::uint16_t, std::uint16_t) {
    // Not needed where this implementation is used.
}

bool zipOutputClose(ZipOutputFile* file) {
    const bool ok = std::fclose(file->stream) == 0;
    delete file;
    return ok;
}

void zipOutputReserve(ZipOutputFile*, std::uint64_t) {
    // Not needed where this implementation is used.
}

// Native builds close at once: nothing scans their files.
struct ZipCloseQueue {
    bool failed = false;
};

ZipCloseQueue* zipCloseQueueOpen() {
    return new ZipCloseQueue;
}

void zipCloseQueueAdd(ZipCloseQueue* queue, ZipOutputFile* file) {
    if (std::fflush(file->stream) != 0) queue->failed = true;
    if (!zipOutputClose(file)) queue->failed = true;
}

bool zipCloseQueueFinish(ZipCloseQueue* queue) {
    const bool ok = !queue->failed;
    delete queue;
    return ok;
}
