#pragma once
// The few file operations the zip reader needs, so its parsing stays free of
// platform headers: one implementation for Windows, one for native builds.

#include <cstddef>
#include <cstdint>

struct ZipInputFile;
struct ZipOutputFile;

// Opens an existing file for reading; the UTF-8 path is widened on Windows so
// no character is lost. Null when it cannot be opened.
ZipInputFile* zipInputOpen(const char* utf8Path);
std::uint64_t zipInputSize(const ZipInputFile* file);
// Reads exactly `length` bytes at `offset`; false on any short read.
bool zipInputReadAt(ZipInputFile* file, std::uint64_t offset, void* buffer, std::size_t length);
void zipInputClose(ZipInputFile* file);

// Creates or truncates a file for writing. Null when it cannot be created.
ZipOutputFile* zipOutputCreate(const char* utf8Path);
bool zipOutputWrite(ZipOutputFile* file, const void* data, std::size_t length);
// Gives the file an MS-DOS local modification time; failure is not reported.
void zipOutputSetModTime(ZipOutputFile* file, std::uint16_t dosDate, std::uint16_t dosTime);
// Closes the file; false when the last writes could not be completed.
bool zipOutputClose(ZipOutputFile* file);
// Gives the file room for `size` bytes before it is written, so it does not grow
// piece by piece; its length stays what is written. Failure is not reported.
void zipOutputReserve(ZipOutputFile* file, std::uint64_t size);

// Files written, handed over to be flushed to the disk and closed away from the
// writer: on Windows a real-time scanner reads each file as it closes, and the
// writer must not wait for it.
struct ZipCloseQueue;
ZipCloseQueue* zipCloseQueueOpen();
// Takes the file over: flushed, then closed.
void zipCloseQueueAdd(ZipCloseQueue* queue, ZipOutputFile* file);
// Waits until every file handed over is closed, and frees the queue; false when a
// flush or close failed.
bool zipCloseQueueFinish(ZipCloseQueue* queue);
