// Bytes handed to a consumer on its own thread: all of them, in order, whatever the
// sizes they come in; nothing more once the consumer failed.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>
#include <vector>

#include "base/bytes_beside.h"

namespace {

std::vector<unsigned char> numbered(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    return bytes;
}

TEST(BytesBesideTest, EveryByteArrivesInOrder) {
    // Reads of a link: none, one byte, a few KiB, a quarter MiB; totals below, at and past the hand-over size.
    for (const std::size_t read : {std::size_t{1}, std::size_t{8192}, std::size_t{262144}}) {
        for (const std::size_t total : {std::size_t{0}, std::size_t{5}, std::size_t{1} << 20, std::size_t{19} << 20}) {
            const std::vector<unsigned char> sent = numbered(total);
            std::vector<unsigned char> received;
            BytesBeside beside([&](const unsigned char* data, std::size_t size) {
                received.insert(received.end(), data, data + size);
                return true;
            });
            for (std::size_t at = 0; at < total; at += read)
                ASSERT_TRUE(beside.add(sent.data() + at, total - at < read ? total - at : read));
            ASSERT_TRUE(beside.finish());
            EXPECT_TRUE(received == sent) << read << " " << total;
        }
    }
}

TEST(BytesBesideTest, NothingMoreAfterTheConsumerFailed) {
    const std::vector<unsigned char> sent = numbered(64 << 20);
    int calls = 0;
    std::atomic<std::size_t> at{0};
    BytesBeside beside([&](const unsigned char*, std::size_t) {
        if (++calls < 2) return true;
        // Fails only once more pieces wait behind this one: those must be dropped unseen.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (at < (std::size_t{4} << 20) && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
        return false;
    });
    while (at < sent.size() && beside.add(sent.data() + at, 65536)) at += 65536;
    EXPECT_LT(at, sent.size()) << "adding goes on failing once the consumer failed";
    EXPECT_FALSE(beside.finish());
    EXPECT_EQ(calls, 2);
}

}  // namespace
