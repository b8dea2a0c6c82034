// Unpacks one archive with the starter's zip reader: extract_cli <zip> <dest>.
#include <cstdio>

#include "support/portable_extract.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: extract_cli <zip> <dest>\n");
        return 2;
    }
    return extractZipPortable(argv[1], argv[2]) ? 0 : 1;
}
