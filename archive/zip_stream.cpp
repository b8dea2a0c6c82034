#include "archive/zip_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "archive/entry_name.h"
#include "archive/zip_file_io.h"
#include "archive/zip_format.h"
#include "base/text.h"

namespace {

using namespace zip_format;

constexpr std::size_t kZip64EndLead = 12;  // signature and the record's own size

// Files are written in pieces this large: few system calls, little memory.
constexpr std::size_t kOutputBuffer = 1024 * 1024;
// Entries whose sizes are only known at their end (data descriptors) could inflate
// without bound; past this much more than the archive's bytes so far, the stream is
// left to the whole-file unpack, which knows every size before it writes.
constexpr std::uint64_t kFreeOutput = 64ull * 1024 * 1024;
constexpr std::uint64_t kMostExpansion = 20;

// The ZIP64 extra field's data, or null; its size in `size`.
const unsigned char* findZip64Extra(const unsigned char* extra, std::size_t extraSize, std::size_t& size) {
    std::size_t pos = 0;
    while (pos + 4 <= extraSize) {
        const std::uint16_t id = read16(extra + pos);
        const std::size_t fieldSize = read16(extra + pos + 2);
        if (pos + 4 + fieldSize > extraSize) return nullptr;
        if (id == kZip64ExtraId) {
            size = fieldSize;
            return extra + pos + 4;
        }
        pos += 4 + fieldSize;
    }
    return nullptr;
}

z_stream& zstream(void* inflater) {
    return *static_cast<z_stream*>(inflater);
}

}  // namespace

ZipStream::ZipStream(UnpackPlaces places)
    : places_(std::move(places)), buffer_(kOutputBuffer), closing_(zipCloseQueueOpen()) {}

ZipStream::~ZipStream() {
    if (!finished_) finish();
    if (inflater_ != nullptr) {
        if (inflating_) inflateEnd(&zstream(inflater_));
        delete &zstream(inflater_);
    }
}

void ZipStream::feed(const unsigned char* data, std::size_t size) {
    while (size > 0 && verdict_ == ZipStreamVerdict::reading) {
        std::size_t used = 0;
        if (phase_ == Phase::data) {
            used = takeData(data, size);
        } else if (phase_ == Phase::skip) {
            used = static_cast<std::size_t>(std::min<std::uint64_t>(size, dataLeft_));
            dataLeft_ -= used;
            if (dataLeft_ == 0) endEntry();
        } else if (phase_ == Phase::afterEnd) {
            stop(ZipStreamVerdict::disagrees, "bytes follow the end record");
            return;
        } else {
            used = takeHeader(data, size);
        }
        if (used == 0 && verdict_ == ZipStreamVerdict::reading) stop(ZipStreamVerdict::cannotFollow, "no progress");
        offset_ += used;
        data += used;
        size -= used;
    }
}

ZipStreamVerdict ZipStream::finish() {
    if (finished_) return verdict_;
    finished_ = true;
    if (verdict_ == ZipStreamVerdict::reading && phase_ != Phase::afterEnd)
        stop(ZipStreamVerdict::cannotFollow, "the archive ended before its end record");
    closeOutput();
    const bool closed = zipCloseQueueFinish(closing_);
    closing_ = nullptr;
    if (verdict_ == ZipStreamVerdict::reading) {
        verdict_ = closed ? ZipStreamVerdict::unpacked : ZipStreamVerdict::cannotFollow;
        if (!closed) why_ = "a file could not be flushed or closed";
    }
    return verdict_;
}

std::size_t ZipStream::takeHeader(const unsigned char* data, std::size_t size) {
    if (header_.empty()) recordOffset_ = offset_;
    const std::size_t used = std::min(size, wanted_ - header_.size());
    header_.insert(header_.end(), data, data + used);
    if (header_.size() == wanted_) onHeader();
    return used;
}

void ZipStream::onHeader() {
    switch (phase_) {
        case Phase::signature: onSignature(); break;
        case Phase::local: onLocal(); break;
        case Phase::descriptor: onDescriptor(); break;
        case Phase::central: onCentral(); break;
        case Phase::zip64End: onZip64End(); break;
        case Phase::zip64Locator:
            // One disk only, numbered 0 or 1 as with the classic record.
            if (read64(&header_[8]) != zip64EndOffset_ || read32(&header_[4]) > 1 ||
                read32(&header_[16]) > read32(&header_[4]) + 1)
                return stop(ZipStreamVerdict::cannotFollow, "a ZIP64 locator this reader does not follow");
            stage_ = 3;
            header_.clear();
            phase_ = Phase::signature;
            wanted_ = 4;
            break;
        case Phase::end: onEnd(); break;
        default: break;
    }
}

void ZipStream::onSignature() {
    const std::uint32_t signature = read32(header_.data());
    if (signature == kLocalHeaderSignature && stage_ == 0) {
        phase_ = Phase::local;
        wanted_ = kLocalHeaderSize;
    } else if (signature == kCentralHeaderSignature && stage_ <= 1) {
        phase_ = Phase::central;
        wanted_ = kCentralHeaderSize;
    } else if (signature == kZip64EndSignature && stage_ <= 1) {
        phase_ = Phase::zip64End;
        wanted_ = kZip64EndLead;
    } else if (signature == kZip64LocatorSignature && stage_ == 2) {
        phase_ = Phase::zip64Locator;
        wanted_ = kZip64LocatorSize;
    } else if (signature == kEndSignature && stage_ != 2) {
        phase_ = Phase::end;
        wanted_ = kEndRecordSize;
    } else {
        // Bytes before the first entry (a self-extractor), a split archive, records out of order.
        stop(ZipStreamVerdict::cannotFollow, "a record this reader does not follow");
    }
}

void ZipStream::onLocal() {
    const unsigned char* h = header_.data();
    const std::size_t nameSize = read16(h + 26);
    const std::size_t extraSize = read16(h + 28);
    if (header_.size() < kLocalHeaderSize + nameSize + extraSize) {
        wanted_ = kLocalHeaderSize + nameSize + extraSize;
        return;
    }
    LocalEntry entry;
    const std::uint16_t flags = read16(h + 6);
    entry.method = read16(h + 8);
    entry.dosTime = read16(h + 10);
    entry.dosDate = read16(h + 12);
    entry.crc32 = read32(h + 14);
    entry.compressedSize = read32(h + 18);
    entry.uncompressedSize = read32(h + 22);
    entry.name.assign(reinterpret_cast<const char*>(h + kLocalHeaderSize), nameSize);
    entry.offset = recordOffset_;
    entry.descriptor = (flags & kFlagDescriptor) != 0;
    if ((flags & (kFlagEncrypted | kFlagStrongEncryption)) != 0)
        return stop(ZipStreamVerdict::cannotFollow, "an encrypted entry");
    if (entry.method != kMethodStored && entry.method != kMethodDeflated)
        return stop(ZipStreamVerdict::cannotFollow, "an entry of another method");
    if (entry.descriptor && entry.method == kMethodStored)
        return stop(ZipStreamVerdict::cannotFollow, "a stored entry with a data descriptor");
    std::size_t zip64Size = 0;
    const unsigned char* zip64 = findZip64Extra(h + kLocalHeaderSize + nameSize, extraSize, zip64Size);
    entry.zip64 = zip64 != nullptr;
    if (entry.compressedSize == 0xFFFFFFFF || entry.uncompressedSize == 0xFFFFFFFF) {
        // A local ZIP64 field holds both sizes, uncompressed first.
        if (zip64 == nullptr || zip64Size < 16) return stop(ZipStreamVerdict::cannotFollow, "a ZIP64 entry without its sizes");
        entry.uncompressedSize = read64(zip64);
        entry.compressedSize = read64(zip64 + 8);
    }
    // Nothing may ever be written outside the destination.
    if (!isSafeEntryName(entry.name)) return stop(ZipStreamVerdict::refused, "an unsafe entry name");
    if (!foldedNames_.insert(asciiLowered(entry.name)).second)
        return stop(ZipStreamVerdict::cannotFollow, "a repeated name");
    entry.folder = entry.name.back() == '/';
    locals_.push_back(entry);
    header_.clear();
    phase_ = Phase::signature;
    wanted_ = 4;
    crc_ = static_cast<std::uint32_t>(::crc32(0, nullptr, 0));
    written_ = 0;
    consumed_ = 0;
    filled_ = 0;
    dataLeft_ = entry.compressedSize;

    if (entry.folder) {
        if (!places_.makeFolder(entry.name)) return stop(ZipStreamVerdict::refused, "no place for a folder");
        // A folder's data, if it has any, are passed over, as the whole-file unpack does.
        if (!entry.descriptor) {
            if (dataLeft_ > 0) phase_ = Phase::skip;
            return;
        }
    } else {
        std::string path;
        if (!places_.placeFile(entry.name, path)) return stop(ZipStreamVerdict::refused, "no place for a file");
        output_ = zipOutputCreate(path.c_str());
        if (output_ == nullptr) return stop(ZipStreamVerdict::cannotFollow, "a file could not be created");
        if (!entry.descriptor) zipOutputReserve(output_, entry.uncompressedSize);
        if (entry.method == kMethodStored && entry.compressedSize != entry.uncompressedSize)
            return stop(ZipStreamVerdict::refused, "a stored entry whose sizes differ");
    }
    if (entry.method == kMethodDeflated) {
        if (inflater_ == nullptr) inflater_ = new z_stream{};
        z_stream& stream = zstream(inflater_);
        const int status = inflating_ ? inflateReset(&stream) : inflateInit2(&stream, -MAX_WBITS);
        if (status != Z_OK) return stop(ZipStreamVerdict::cannotFollow, "no inflater");
        inflating_ = true;
    }
    // Some tools store an empty file as deflated with no data at all, not even an end block.
    if (!entry.descriptor && entry.compressedSize == 0) return endEntry();
    phase_ = Phase::data;
}

bool ZipStream::writeBuffer() {
    // A folder's output has no file: it is counted and dropped.
    if (filled_ > 0 && output_ != nullptr && !zipOutputWrite(output_, buffer_.data(), filled_)) {
        stop(ZipStreamVerdict::cannotFollow, "a file could not be written");
        return false;
    }
    filled_ = 0;
    return true;
}

// Counts what was just put in the buffer; false once the entry or the archive says it is too much.
bool ZipStream::countOutput(std::size_t produced) {
    const LocalEntry& entry = locals_.back();
    crc_ = static_cast<std::uint32_t>(::crc32(crc_, buffer_.data() + filled_, static_cast<uInt>(produced)));
    filled_ += produced;
    written_ += produced;
    totalWritten_ += produced;
    // Stop at once when the data claim more than the header says: no inflating bombs.
    if (!entry.descriptor && written_ > entry.uncompressedSize) {
        stop(ZipStreamVerdict::refused, "an entry unpacks past its size");
        return false;
    }
    if (totalWritten_ > kFreeOutput + kMostExpansion * offset_) {
        stop(ZipStreamVerdict::cannotFollow, "the entries unpack to far more than the archive holds");
        return false;
    }
    return true;
}

std::size_t ZipStream::takeData(const unsigned char* data, std::size_t size) {
    const LocalEntry& entry = locals_.back();
    if (entry.method == kMethodStored) {
        std::size_t used = static_cast<std::size_t>(std::min<std::uint64_t>(size, dataLeft_));
        std::size_t done = 0;
        while (done < used) {
            if (filled_ == buffer_.size() && !writeBuffer()) return done;
            const std::size_t piece = std::min(used - done, buffer_.size() - filled_);
            std::memcpy(buffer_.data() + filled_, data + done, piece);
            if (!countOutput(piece)) return done + piece;
            done += piece;
        }
        consumed_ += used;
        dataLeft_ -= used;
        if (dataLeft_ == 0) endEntry();
        return used;
    }

    z_stream& stream = zstream(inflater_);
    const std::size_t offered =
        entry.descriptor ? size : static_cast<std::size_t>(std::min<std::uint64_t>(size, dataLeft_));
    stream.next_in = const_cast<unsigned char*>(data);
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(offered, 1u << 30));
    const std::size_t given = stream.avail_in;
    bool ended = false;
    for (;;) {
        if (filled_ == buffer_.size() && !writeBuffer()) return given - stream.avail_in;
        stream.next_out = buffer_.data() + filled_;
        stream.avail_out = static_cast<uInt>(buffer_.size() - filled_);
        const int status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t produced = buffer_.size() - filled_ - stream.avail_out;
        if (!countOutput(produced)) return given - stream.avail_in;
        if (status == Z_STREAM_END) {
            ended = true;
            break;
        }
        if (status == Z_BUF_ERROR || (status == Z_OK && stream.avail_in == 0 && stream.avail_out > 0)) break;
        if (status != Z_OK) {
            // The whole-file unpack never reads a folder's data.
            stop(entry.folder ? ZipStreamVerdict::cannotFollow : ZipStreamVerdict::refused, "corrupt deflate data");
            return given - stream.avail_in;
        }
    }
    const std::size_t used = given - stream.avail_in;
    consumed_ += used;
    if (!entry.descriptor) dataLeft_ -= used;
    if (ended) {
        // Bytes the deflate stream did not need are skipped, as the whole-file unpack does.
        if (!entry.descriptor && dataLeft_ > 0) {
            phase_ = Phase::skip;
        } else {
            endEntry();
        }
    } else if (!entry.descriptor && dataLeft_ == 0) {
        stop(entry.folder ? ZipStreamVerdict::cannotFollow : ZipStreamVerdict::refused,
             "deflate data run past the entry's size");
    }
    return used;
}

void ZipStream::endEntry() {
    if (!writeBuffer()) return;
    LocalEntry& entry = locals_.back();
    closeOutput();
    header_.clear();
    wanted_ = 4;
    if (entry.descriptor) {
        phase_ = Phase::descriptor;
        return;
    }
    phase_ = Phase::signature;
    if (!entry.folder && (written_ != entry.uncompressedSize || crc_ != entry.crc32))
        stop(ZipStreamVerdict::refused, "an entry whose size or CRC-32 does not match");
}

void ZipStream::onDescriptor() {
    LocalEntry& entry = locals_.back();
    const std::size_t sizes = entry.zip64 ? 16 : 8;
    if (header_.size() == 4) {
        // The descriptor's signature is optional; a CRC-32 equal to it would leave the form unknown.
        if (crc_ == kDescriptorSignature) return stop(ZipStreamVerdict::cannotFollow, "an ambiguous data descriptor");
        wanted_ = (read32(header_.data()) == kDescriptorSignature ? 8 : 4) + sizes;
        return;
    }
    const unsigned char* d = header_.data() + (wanted_ - sizes - 4);
    const std::uint32_t crc = read32(d);
    const std::uint64_t compressed = entry.zip64 ? read64(d + 4) : read32(d + 4);
    const std::uint64_t uncompressed = entry.zip64 ? read64(d + 12) : read32(d + 8);
    // A mismatch may be a form this reader misreads: the whole-file unpack judges by the directory.
    if (crc != crc_ || compressed != consumed_ || uncompressed != written_)
        return stop(ZipStreamVerdict::cannotFollow, "a data descriptor that does not match its data");
    entry.crc32 = crc;
    entry.compressedSize = compressed;
    entry.uncompressedSize = uncompressed;
    header_.clear();
    phase_ = Phase::signature;
    wanted_ = 4;
}

void ZipStream::onCentral() {
    const unsigned char* h = header_.data();
    const std::size_t nameSize = read16(h + 28);
    const std::size_t extraSize = read16(h + 30);
    const std::size_t commentSize = read16(h + 32);
    const std::size_t recordSize = kCentralHeaderSize + nameSize + extraSize + commentSize;
    if (header_.size() < recordSize) {
        wanted_ = recordSize;
        return;
    }
    if (stage_ == 0) directoryOffset_ = recordOffset_;
    stage_ = 1;
    const std::uint16_t method = read16(h + 10);
    const std::uint32_t crc = read32(h + 16);
    std::uint64_t compressed = read32(h + 20);
    std::uint64_t uncompressed = read32(h + 24);
    const std::uint32_t attributes = read32(h + 38);
    std::uint64_t offset = read32(h + 42);
    const std::string name(reinterpret_cast<const char*>(h + kCentralHeaderSize), nameSize);
    if (uncompressed == 0xFFFFFFFF || compressed == 0xFFFFFFFF || offset == 0xFFFFFFFF) {
        std::size_t zip64Size = 0;
        const unsigned char* zip64 = findZip64Extra(h + kCentralHeaderSize + nameSize, extraSize, zip64Size);
        std::size_t used = 0;
        for (std::uint64_t* field : {&uncompressed, &compressed, &offset}) {
            if (*field != 0xFFFFFFFF) continue;
            if (zip64 == nullptr || used + 8 > zip64Size) return stop(ZipStreamVerdict::cannotFollow, "a ZIP64 record without its field");
            *field = read64(zip64 + used);
            used += 8;
        }
    }
    const auto found = std::lower_bound(locals_.begin(), locals_.end(), offset,
                                        [](const LocalEntry& e, std::uint64_t at) { return e.offset < at; });
    if (found == locals_.end() || found->offset != offset)
        return stop(ZipStreamVerdict::disagrees, "a directory record names no entry");
    if (found->inDirectory) return stop(ZipStreamVerdict::disagrees, "two directory records name one entry");
    if (found->name != name) return stop(ZipStreamVerdict::disagrees, "a name differs from its entry's");
    if (found->method != method || found->crc32 != crc || found->compressedSize != compressed ||
        found->uncompressedSize != uncompressed)
        return stop(ZipStreamVerdict::disagrees, "a method, size or CRC-32 differs from its entry's");
    // Only the directory says so; unpacked as a file here, it must be a folder.
    if ((attributes & kDosDirectoryAttribute) != 0 && !found->folder)
        return stop(ZipStreamVerdict::cannotFollow, "a folder marked only by its attribute");
    found->inDirectory = true;
    ++directoryRecords_;
    header_.clear();
    phase_ = Phase::signature;
    wanted_ = 4;
}

void ZipStream::onZip64End() {
    const std::uint64_t size = read64(&header_[4]);
    if (header_.size() == kZip64EndLead) {
        if (size < kZip64EndSize - kZip64EndLead || size > 65536)
            return stop(ZipStreamVerdict::cannotFollow, "a ZIP64 end record of odd size");
        wanted_ = kZip64EndLead + static_cast<std::size_t>(size);
        return;
    }
    const unsigned char* h = header_.data();
    if (read32(h + 16) != read32(h + 20) || read64(h + 24) != read64(h + 32))
        return stop(ZipStreamVerdict::cannotFollow, "a ZIP64 archive on several disks");
    if (stage_ == 0) directoryOffset_ = recordOffset_;
    zip64End_ = true;
    zip64EndOffset_ = recordOffset_;
    zip64Entries_ = read64(h + 32);
    zip64DirectorySize_ = read64(h + 40);
    zip64DirectoryOffset_ = read64(h + 48);
    stage_ = 2;
    header_.clear();
    phase_ = Phase::signature;
    wanted_ = 4;
}

void ZipStream::onEnd() {
    const unsigned char* h = header_.data();
    const std::size_t commentSize = read16(h + 20);
    if (header_.size() < kEndRecordSize + commentSize) {
        wanted_ = kEndRecordSize + commentSize;
        return;
    }
    if (stage_ == 0) directoryOffset_ = recordOffset_;
    const std::uint64_t directoryEnd = zip64End_ ? zip64EndOffset_ : recordOffset_;
    std::uint64_t entries = read16(h + 10);
    std::uint64_t directorySize = read32(h + 12);
    std::uint64_t directoryOffset = read32(h + 16);
    if (zip64End_) {
        entries = zip64Entries_;
        directorySize = zip64DirectorySize_;
        directoryOffset = zip64DirectoryOffset_;
    } else if (read16(h + 4) != read16(h + 6) || read16(h + 8) != read16(h + 10) || entries == 0xFFFF ||
               directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
        return stop(ZipStreamVerdict::cannotFollow, "an end record this reader does not follow");
    }
    if (entries != directoryRecords_) return stop(ZipStreamVerdict::disagrees, "the end record counts other entries");
    if (directoryOffset != directoryOffset_ || directorySize != directoryEnd - directoryOffset_)
        return stop(ZipStreamVerdict::disagrees, "the end record places the directory elsewhere");
    for (const LocalEntry& entry : locals_) {
        if (!entry.inDirectory) return stop(ZipStreamVerdict::disagrees, "an entry outside the directory");
    }
    header_.clear();
    phase_ = Phase::afterEnd;
}

void ZipStream::stop(ZipStreamVerdict verdict, const char* why) {
    if (verdict_ != ZipStreamVerdict::reading) return;
    verdict_ = verdict;
    why_ = why;
    closeOutput();
}

void ZipStream::closeOutput() {
    if (output_ == nullptr) return;
    const LocalEntry& entry = locals_.back();
    zipOutputSetModTime(output_, entry.dosDate, entry.dosTime);
    zipCloseQueueAdd(closing_, output_);
    output_ = nullptr;
}
