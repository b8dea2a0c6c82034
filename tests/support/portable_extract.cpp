#include "support/portable_extract.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "archive/plain_folder_places.h"
#include "archive/unpack_entries.h"
#include "archive/zip_reader.h"
#include "archive/zip_stream.h"

bool extractZipPortable(const std::string& zipPath, const std::string& destDir) {
    ZipReader reader;
    if (!zipReaderOpen(reader, zipPath.c_str())) return false;
    const UnpackResult result = unpackEntries(reader, plainFolderPlaces(destDir, true));
    zipReaderClose(reader);
    return result.stop == UnpackStop::none;
}

std::string extractZipStreamingPortable(const std::string& zipPath, const std::string& destDir) {
    ZipStreamVerdict verdict = ZipStreamVerdict::reading;
    {
        ZipStream stream(plainFolderPlaces(destDir, true));
        std::ifstream in(zipPath, std::ios::binary);
        // An odd piece size puts the pieces' edges inside headers and descriptors.
        std::vector<char> piece(4093);
        while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0)
            stream.feed(reinterpret_cast<const unsigned char*>(piece.data()), static_cast<std::size_t>(in.gcount()));
        verdict = stream.finish();
    }
    if (verdict == ZipStreamVerdict::unpacked) return "streamed";
    if (verdict != ZipStreamVerdict::cannotFollow) return "failed";
    std::error_code ignored;
    std::filesystem::remove_all(destDir, ignored);
    std::filesystem::create_directories(destDir, ignored);
    return extractZipPortable(zipPath, destDir) ? "whole file" : "failed";
}
