// The key buffer: KeyStrings and queued key values converted both ways, and
// the ring of 512 slots that keeps the newest 511 keys.
#include "console/key_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace console {
namespace {

TEST(KeyStringCodec, KeyStringsAndQueuedValuesConvertBothWays) {
    for (KeyCode key = 0; key < 256; ++key) {
        EXPECT_EQ(keyCodeFromString(keyStringFromCode(key)), key) << key;
        EXPECT_EQ(keyCodeFromString(keyStringFromCode(extendedKey(static_cast<std::uint8_t>(key)))),
                  extendedKey(static_cast<std::uint8_t>(key)))
            << key;
    }
    EXPECT_EQ(keyCodeFromString(""), noKey);
    // A two-byte string is read by its second byte only.
    EXPECT_EQ(keyCodeFromString(std::string{'\0', 'K'}), extendedKey(0x4B));
    EXPECT_EQ(keyCodeFromString(std::string{'x', '\xFF'}), extendedKey(0xFF));
}

TEST(KeyRing, RingHolds511AndWrapsAround) {
    KeyBuffer buffer;
    // Move the indexes close to the end of the ring first.
    for (int i = 0; i < 500; ++i) pushKey(buffer, 'z');
    for (int i = 0; i < 500; ++i) ASSERT_EQ(takeKey(buffer), 'z');
    for (int i = 0; i < 511; ++i) pushKey(buffer, i % 256);
    EXPECT_EQ(peekKey(buffer), 0);
    for (int i = 0; i < 511; ++i) ASSERT_EQ(takeKey(buffer), i % 256) << i;
    EXPECT_EQ(takeKey(buffer), noKey);

    for (int i = 0; i < 512; ++i) pushKey(buffer, i % 256);
    EXPECT_EQ(takeKey(buffer), 1);  // the oldest was dropped
}

}  // namespace
}  // namespace console
