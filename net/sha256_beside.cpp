#include "net/sha256_beside.h"

Sha256Beside::Sha256Beside()
    : hashing_([this](const unsigned char* data, std::size_t size) { return digest_.update(data, size); }) {}

bool Sha256Beside::update(const void* data, std::size_t size) {
    return hashing_.add(static_cast<const unsigned char*>(data), size);
}

std::string Sha256Beside::finish() { return hashing_.finish() ? digest_.finish() : std::string(); }
