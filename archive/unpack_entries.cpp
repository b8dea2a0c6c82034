#include "archive/unpack_entries.h"

#include "archive/entry_name.h"
#include "archive/zip_reader.h"

UnpackResult unpackEntries(ZipReader& reader, const UnpackPlaces& places) {
    UnpackResult result;
    result.entries = zipReaderEntryCount(reader);
    for (std::size_t index = 0; index < result.entries; ++index) {
        ZipEntryStat stat;
        const bool readable = zipReaderEntryStat(reader, index, stat);
        std::string path;
        UnpackStop stop = UnpackStop::none;
        if (!readable) {
            stop = UnpackStop::unreadableEntry;
        } else if (!isSafeEntryName(stat.name)) {  // nothing may ever be written outside the destination
            stop = UnpackStop::unsafeName;
        } else if (zipReaderIsFolder(reader, index)) {
            if (!places.makeFolder(stat.name)) stop = UnpackStop::noPlace;
        } else if (!places.placeFile(stat.name, path)) {
            stop = UnpackStop::noPlace;
        } else if (!zipReaderExtractToFile(reader, index, path.c_str())) {
            stop = UnpackStop::notUnpacked;
        } else {
            result.bytes += stat.uncompressedSize;
        }
        if (stop != UnpackStop::none) {
            result.stop = stop;
            result.index = index;
            result.name = stat.name;
            return result;
        }
    }
    return result;
}
