#include "archive/plain_folder_places.h"

#include <filesystem>

namespace fs = std::filesystem;

UnpackPlaces plainFolderPlaces(const std::string& destDir, bool backslashSeparates) {
    const auto pathOf = [destDir, backslashSeparates](std::string name) {
        if (backslashSeparates) {
            for (char& c : name) {
                if (c == '\\') c = '/';
            }
        }
        return fs::path(destDir) / name;
    };
    UnpackPlaces places;
    places.makeFolder = [pathOf](const std::string& name) {
        std::error_code ignored;
        fs::create_directories(pathOf(name), ignored);
        return true;
    };
    places.placeFile = [pathOf](const std::string& name, std::string& utf8Path) {
        const fs::path path = pathOf(name);
        std::error_code ignored;
        fs::create_directories(path.parent_path(), ignored);
        utf8Path = path.string();
        return true;
    };
    return places;
}
