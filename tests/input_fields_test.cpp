#include <gtest/gtest.h>

#include "console/input_fields.h"
#include "console/memory/memory_console.h"

namespace {

using console::ConsoleState;
using console::InputSource;
using console::MemoryConsole;

// One typed console line: the field taken and what is left unread.
struct TypedLine {
    const char* name;
    std::string line;
    std::string field;
    std::string unread;
};

void PrintTo(const TypedLine& typed, std::ostream* out) { *out << typed.name; }

class ConsoleLineFields : public ::testing::TestWithParam<TypedLine> {};

TEST_P(ConsoleLineFields, FirstFieldAndUnreadRest) {
    MemoryConsole platform;
    ConsoleState cs(platform);
    cs.inputSource.kind = InputSource::Kind::consoleLine;
    cs.inputSource.lineText = GetParam().line;
    std::string field = "previous";
    console::nextInputField(cs, field);
    EXPECT_EQ(field, GetParam().field);
    EXPECT_EQ(cs.inputSource.lineText.substr(cs.inputSource.readPos), GetParam().unread);
}

INSTANTIATE_TEST_SUITE_P(
    TypedLines, ConsoleLineFields,
    ::testing::Values(TypedLine{"Plain", "Boise", "Boise", ""},
                      TypedLine{"BlanksAround", "  Boise  ", "Boise  ", ""},
                      TypedLine{"Comma", "Saint Paul, Minnesota", "Saint Paul", " Minnesota"},
                      TypedLine{"Quoted", "\"Boise\"", "Boise", ""},
                      TypedLine{"QuotedComma", "\"Carson, City\"", "Carson, City", ""},
                      TypedLine{"QuotedWithBlanksAround", "  \"Boise\"  ", "Boise", ""},
                      TypedLine{"TextAfterClosingQuote", "\"Boise\"x", "Boise", "x"},
                      TypedLine{"UnclosedQuote", "\"Boise", "Boise", ""},
                      TypedLine{"QuoteInside", "Bo\"ise", "Bo\"ise", ""},
                      TypedLine{"LeadingComma", ",Boise", "", "Boise"},
                      TypedLine{"Empty", "", "", ""},
                      TypedLine{"OnlyBlanks", "   ", "", ""},
                      TypedLine{"BlanksAndCommaAfterQuote", "\"Boise\"  , Ohio", "Boise", " Ohio"},
                      TypedLine{"LeadingTabsBeforeQuote", "\t \"Boise\"", "Boise", ""},
                      TypedLine{"Byte255", "Bo\xffse", "Bo\xffse", ""},
                      TypedLine{"TrailingBlankKept", "Boise ", "Boise ", ""}),
    [](const ::testing::TestParamInfo<TypedLine>& info) { return info.param.name; });

TEST(ConsoleLineFields, FieldIsCutAt4096BytesAndTheRestStaysUnread) {
    MemoryConsole platform;
    ConsoleState cs(platform);
    cs.inputSource.kind = InputSource::Kind::consoleLine;
    cs.inputSource.lineText = std::string(4096, 'a');
    std::string field;
    console::nextInputField(cs, field);
    EXPECT_EQ(field.size(), 4096u);

    cs.inputSource.lineText = std::string(4096, 'a') + "bc";
    cs.inputSource.readPos = 0;
    console::nextInputField(cs, field);
    EXPECT_EQ(field, std::string(4096, 'a'));
    EXPECT_EQ(cs.inputSource.lineText.substr(cs.inputSource.readPos), "bc");
}

// Standard input as the source: fields run on from one input statement to
// the next, with the put-back byte carried over.
struct StreamFields {
    MemoryConsole platform;
    ConsoleState cs{platform};
    explicit StreamFields(std::string bytes) {
        platform.inputIsConsole = false;
        platform.stdinBytes = std::move(bytes);
        cs.inputSource.kind = InputSource::Kind::stream;
    }
    std::string next() {
        std::string field = "previous";
        console::nextInputField(cs, field);
        return field;
    }
};

TEST(StreamFields, LineEndingsOfEveryKindEndAField) {
    StreamFields lf("Boise\nColumbus\n");
    EXPECT_EQ(lf.next(), "Boise");
    EXPECT_EQ(lf.next(), "Columbus");
    EXPECT_EQ(lf.next(), "");

    StreamFields crlf("Boise\r\nColumbus\r\n\r\nDover");
    EXPECT_EQ(crlf.next(), "Boise");
    EXPECT_EQ(crlf.next(), "Columbus");
    EXPECT_EQ(crlf.next(), "");
    EXPECT_EQ(crlf.next(), "Dover");
    EXPECT_EQ(crlf.next(), "");

    StreamFields cr("Boise\rColumbus\r");
    EXPECT_EQ(cr.next(), "Boise");
    EXPECT_EQ(cr.next(), "Columbus");
    EXPECT_EQ(cr.next(), "");  // the carriage return was the last byte
}

TEST(StreamFields, CommasAnswerTwoQuestionsAndLeadingBlanksGo) {
    StreamFields stream("Montgomery, Juneau\n\tPhoenix");
    EXPECT_EQ(stream.next(), "Montgomery");
    EXPECT_EQ(stream.next(), "Juneau");
    EXPECT_EQ(stream.next(), "Phoenix");
    EXPECT_EQ(stream.next(), "");
}

TEST(StreamFields, PutBackByteCarriesOverToTheNextField) {
    // After the closing quote the follower 'x' is put back and starts the
    // next field; after a lone CR the next byte is put back likewise.
    StreamFields quoted("\"Boise\"x,y");
    EXPECT_EQ(quoted.next(), "Boise");
    EXPECT_EQ(quoted.next(), "x");
    EXPECT_EQ(quoted.next(), "y");

    StreamFields bareCr("Boise\rDover\n");
    EXPECT_EQ(bareCr.next(), "Boise");
    EXPECT_EQ(bareCr.next(), "Dover");
}

TEST(StreamFields, TabsAreBlanksInsideAndAroundAField) {
    StreamFields stream("\t Salt\tLake\t\nx");
    EXPECT_EQ(stream.next(), "Salt\tLake\t");
    EXPECT_EQ(stream.next(), "x");
}

TEST(StreamFields, ZeroByteEndsWhatIsKeptButNotTheField) {
    StreamFields stream(std::string("Bo\0ise,Dover", 12));
    EXPECT_EQ(stream.next(), "Bo");
    EXPECT_EQ(stream.next(), "Dover");
}

TEST(StreamFields, HighBytesAreOrdinaryCharacters) {
    std::string bytes;
    for (int b = 128; b <= 255; ++b) bytes.push_back(static_cast<char>(b));
    StreamFields stream(bytes + "\n" + "\xff");
    EXPECT_EQ(stream.next(), bytes);
    EXPECT_EQ(stream.next(), "\xff");
    EXPECT_EQ(stream.next(), "");
}

TEST(StreamFields, LongLineGivesBoundedFieldsAndLosesNothingAfterIt) {
    // A 10 MB line with no comma: each field is the next 4096 bytes; the
    // following line is read intact.
    const std::size_t length = 10u * 1024u * 1024u;
    std::string bytes(length, 'q');
    bytes += "\nBoise\n";
    StreamFields stream(std::move(bytes));
    std::size_t consumed = 0;
    std::string field;
    for (;;) {
        field = stream.next();
        ASSERT_LE(field.size(), 4096u);
        if (field != std::string(field.size(), 'q') || field.empty()) break;
        consumed += field.size();
        if (consumed == length) {
            field = stream.next();
            break;
        }
    }
    EXPECT_EQ(consumed, length);
    EXPECT_EQ(field, "Boise");
}

TEST(StreamFields, ExhaustedStreamGivesEmptyFields) {
    StreamFields stream("");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(stream.next(), "");
}

}  // namespace
