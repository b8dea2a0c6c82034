// Unpacks one archive with the starter's zip reader: extract_cli [--stream] <zip> <dest>.
// With --stream it reads the archive as it would arrive, and prints how it was unpacked.
#include <cstdio>
#include <cstring>
#include <string>

#include "support/portable_extract.h"

int main(int argc, char** argv) {
    const bool stream = argc == 4 && std::strcmp(argv[1], "--stream") == 0;
    if (argc != 3 && !stream) {
        std::fprintf(stderr, "usage: extract_cli [--stream] <zip> <dest>\n");
        return 2;
    }
    if (!stream) return extractZipPortable(argv[1], argv[2]) ? 0 : 1;
    const std::string how = extractZipStreamingPortable(argv[2], argv[3]);
    std::printf("%s\n", how.c_str());
    return how == "failed" ? 1 : 0;
}
