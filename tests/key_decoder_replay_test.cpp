// Random and hand-picked terminal input replayed through the key decoder
// under the rules the fuzz target checks: bounded holding, well-formed key
// events, the same keys however the bytes are split, and a clean start
// after every end of the wait. The random input is drawn from a fixed seed.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "fuzz/key_decoder_invariants.h"

namespace console {
namespace {

using fuzzing::DecoderScript;

// Bytes biased towards what sequences are made of, so that random input
// reaches deep into them.
std::uint8_t sequenceByte(std::mt19937& random) {
    static constexpr std::string_view alphabet =
        "\x1b\x1b\x1b[[[OO0123456789;;;~~$^@ABCDEFHPQRSZabcdMIx<?\r\x7f]]_X\\\\\x07";
    switch (random() % 4) {
    case 0: return static_cast<std::uint8_t>(random() % 256);
    case 1: return static_cast<std::uint8_t>(0x80 + random() % 0x80);
    default: return static_cast<std::uint8_t>(alphabet[random() % alphabet.size()]);
    }
}

TEST(KeyDecoderReplay, RandomInputKeepsEveryRule) {
    std::mt19937 random(20240611u);
    for (int run = 0; run < 3000; ++run) {
        DecoderScript script;
        script.utf8 = run % 3 != 0;
        const int chunks = 1 + static_cast<int>(random() % 12);
        for (int c = 0; c < chunks; ++c) {
            std::vector<std::uint8_t> chunk(random() % 20);
            for (std::uint8_t& byte : chunk) byte = sequenceByte(random);
            script.chunks.push_back(chunk);
            script.flushAfter.push_back(random() % 3 == 0);
        }
        const std::string fault = fuzzing::checkDecoderScript(script);
        ASSERT_TRUE(fault.empty()) << fault << " (run " << run << ")";
    }
}

TEST(KeyDecoderReplay, HandPickedInputKeepsEveryRule) {
    const std::string_view corpus[] = {
        "\x1b",
        "\x1b\x1b\x1b\x1b",
        "\x1b[",
        "\x1b[[",
        "\x1b[M",
        "\x1b[M\x1b\x1b",
        "\x1b[<0;1;1M\x1b[<0;1;1m",
        "\x1b[200~\x1b[A\x1b[201~",
        "\x1b[1;5\x1b[1;5A",
        "\x1bO",
        "\x1bO1;2",
        "\x1b\xe2\x94",
        "\xf0\x9f\x98",
        "\x1b[111111111111111111111111111111111111111111111111111111111111~",
        "\x1b[;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;\x1b",
        "\x1b]11;rgb:1e1e/1e1e/1e1e\x07" "a",
        "\x1bP1$r0m\x1b\\b",
        "\x1b]2;title\x1b\x1b[A",
        "\x1b_\x1b^\x1bX\x1b]",
        "\x1b]0;\xe2\x94\x1b",
    };
    for (bool utf8 : {true, false}) {
        for (std::string_view bytes : corpus) {
            // Every split into two reads, with and without the end of the wait between them.
            for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
                for (bool flushBetween : {false, true}) {
                    DecoderScript script;
                    script.utf8 = utf8;
                    script.chunks.emplace_back(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
                    script.chunks.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(cut), bytes.end());
                    script.flushAfter = {flushBetween, false};
                    const std::string fault = fuzzing::checkDecoderScript(script);
                    EXPECT_TRUE(fault.empty()) << fault << " at cut " << cut;
                }
            }
        }
    }
}

// The rules themselves catch a decoder that breaks them.
TEST(KeyDecoderReplay, RecordRulesRejectMalformedEvents) {
    std::vector<InputRecord> records(2);
    records[0].key = {true, 1, 0x41, 30, 'a', 0};
    records[1].key = {false, 1, 0x41, 30, 'a', 0};
    EXPECT_EQ(fuzzing::recordFault(records), "");
    records[1].key.character = 'b';
    EXPECT_NE(fuzzing::recordFault(records), "");
    records[1].key.character = 'a';
    records[0].key.controlState = records[1].key.controlState = enhancedKey;
    EXPECT_NE(fuzzing::recordFault(records), "");  // the A key is not enhanced
    records.pop_back();
    EXPECT_NE(fuzzing::recordFault(records), "");
}

}  // namespace
}  // namespace console
