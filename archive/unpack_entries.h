#pragma once
// The one loop that unpacks every entry of an open archive: each name must pass
// the entry-name rule, folders are made, files are written by the zip reader.
// Where an entry goes (and which folders that needs) is up to the caller.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct ZipReader;

struct UnpackPlaces {
    // Makes the folder of the folder entry `name`; false when it has no place here.
    std::function<bool(const std::string& name)> makeFolder;
    // Makes the folders above the file entry `name` and gives the UTF-8 path it is
    // written to; false when it has no place here.
    std::function<bool(const std::string& name, std::string& utf8Path)> placeFile;
};

enum class UnpackStop {
    none,            // every entry unpacked
    unreadableEntry, // its central-directory record could not be read
    unsafeName,      // the entry-name rule refused it
    noPlace,         // the caller had no place for it
    notUnpacked,     // the zip reader could not write it
};

struct UnpackResult {
    UnpackStop stop = UnpackStop::none;
    std::size_t entries = 0;     // entries in the archive
    std::size_t index = 0;       // the entry the unpack stopped at
    std::string name;            // its name, when it could be read
    std::uint64_t bytes = 0;     // uncompressed bytes of the files written
};

// Unpacks the entries in archive order and stops at the first that fails.
UnpackResult unpackEntries(ZipReader& reader, const UnpackPlaces& places);
