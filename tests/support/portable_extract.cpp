#include "support/portable_extract.h"

#include "archive/plain_folder_places.h"
#include "archive/unpack_entries.h"
#include "archive/zip_reader.h"

bool extractZipPortable(const std::string& zipPath, const std::string& destDir) {
    ZipReader reader;
    if (!zipReaderOpen(reader, zipPath.c_str())) return false;
    const UnpackResult result = unpackEntries(reader, plainFolderPlaces(destDir, true));
    zipReaderClose(reader);
    return result.stop == UnpackStop::none;
}
