// The legacy format as bytes: the scrambling, each version's header read at
// its offsets, buffers that end early or lie, and ANSI cuts that must not
// split a character.
#include "SticFixtures.h"

#include <string>
#include <vector>

#include "foundation/Seams.h"

namespace {

std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const unsigned byte = static_cast<unsigned char>(c);
        if (!text.empty())
            text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

struct SRead {
    bool result = false;
    std::vector<SticNote> notes;
};

// Reads the bytes from a guarded copy, so that a read past them faults.
SRead ReadBytes(const std::string& bytes)
{
    CGuardedBytes guarded(bytes);
    EXPECT_TRUE(guarded.Ready());
    SRead read;
    read.result = ReadSticBuffer(SticBytesSource(guarded.Data(), guarded.Size()), static_cast<DWORD>(guarded.Size()),
                                 [&read](const SticNote& note, int, int) {
                                     read.notes.push_back(note);
                                     return ESticTake::kNext;
                                 });
    return read;
}

TEST(SticFormat, ScramblingFollowsTheKeyAndUndoesItself)
{
    std::string zeros(8, '\0');
    EXPECT_EQ(Hex(Scrambled(zeros)), "51 58 CF 06 FC 51 63 CB");
    EXPECT_EQ(Hex(Scrambled("Hello")), "19 3D A3 6A 93");
    EXPECT_EQ(Scrambled(Scrambled("Hello, legacy notes")), "Hello, legacy notes");
}

TEST(SticFormat, RepeatCodesMapBothWaysAndUnknownCodesAreOnce)
{
    for (int frequency = 0; frequency < 8; ++frequency)
        EXPECT_EQ(SticFrequencyOf(SticRepeatCodeOf(frequency)), frequency) << frequency;
    EXPECT_EQ(SticRepeatCodeOf(4), 3);   // weekly
    EXPECT_EQ(SticFrequencyOf(7), 1);    // hourly
    for (const int odd : {8, 9, 255, -1})
        EXPECT_EQ(SticFrequencyOf(odd), 0) << odd;
    EXPECT_EQ(SticRepeatCodeOf(-3), 0);
}

// Every field of a version-33 note at its offset, scrambled as stored.
TEST(SticFormat, AVersion33NoteReadsEveryFieldAtItsOffset)
{
    CSticHeaderBytes header;
    header.Put(0, "Shopping")
        .U32(64, 2)
        .U16(68, 2)
        .U16(70, 1)
        .U16(72, 1).U16(74, 2).U16(76, 3).U16(78, 4)
        .U16(80, 10).U16(82, 0xFFEC).U16(84, 300).U16(86, 400)
        .Rgb(88, 0x11, 0x22, 0x33)
        .Put(91, "Arial")
        .U16(124, 0xFFF3)
        .U16(126, 700)
        .U16(130, 0x480D)
        .Time(132, 1719828000, {0, 12, 1, 6, 124, 1, 182, 1})
        .U16(152, 2)
        .U8(154, 3)
        .U8(155, 1)
        .U8(156, 3)
        .Rgb(157, 0x44, 0x55, 0x66)
        .U16(160, 0xFFFB).U16(162, 6).U16(164, 70).U16(166, 80)
        .Put(168, "notepad.exe")
        .U8(679, 204)
        .Put(680, "ring.wav")
        .Put(940, "pw")
        .Time(972, 1704103200, {0, 11, 1, 0, 124, 1, 0, 0})
        .Time(992, 1719828000, {0, 12, 1, 6, 124, 1, 182, 1})
        .U32(1012, 0x01020304)
        .Put(1028, "12")
        .Rgb(1284, 1, 2, 3)
        .U8(1287, 128);
    const SRead read = ReadBytes(SticHead(33, 1) + SticNoteBytes(33, header, "Hello"));

    ASSERT_TRUE(read.result);
    ASSERT_EQ(read.notes.size(), 1u);
    const SticNote& note = read.notes[0];
    EXPECT_EQ(note.title, "Shopping");
    EXPECT_EQ(note.alignment, 2u);
    EXPECT_EQ(note.placementFlags, 2);
    EXPECT_EQ(note.showCommand, 1);
    EXPECT_EQ(note.minPosition.x, 1);
    EXPECT_EQ(note.maxPosition.y, 4);
    EXPECT_EQ(note.normalRect.left, 10);
    EXPECT_EQ(note.normalRect.top, -20);   // sign-extended
    EXPECT_EQ(note.normalRect.bottom, 400);
    EXPECT_EQ(note.color, RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(note.face, "Arial");
    EXPECT_EQ(note.fontHeight, -13);
    EXPECT_EQ(note.fontWeight, 700);
    EXPECT_EQ(note.flags, 0x480D);
    EXPECT_EQ(note.alarmTime.time, 1719828000);
    EXPECT_EQ(note.alarmTime.hour, 12);
    EXPECT_EQ(note.alarmTime.month, 6);
    EXPECT_EQ(note.alarmTime.daylightSaving, 1);
    EXPECT_EQ(note.reminderUnit, 2);
    EXPECT_EQ(note.reminderCount, 3);
    EXPECT_TRUE(note.visible);
    EXPECT_EQ(note.repeatCode, 3);
    EXPECT_EQ(note.textColor, RGB(0x44, 0x55, 0x66));
    EXPECT_EQ(note.minimizeRect.left, -5);
    EXPECT_EQ(note.minimizeRect.bottom, 80);
    EXPECT_EQ(note.command, "notepad.exe");
    EXPECT_EQ(note.charSet, 204);
    EXPECT_EQ(note.soundFile, "ring.wav");
    EXPECT_EQ(note.password, "pw");
    EXPECT_EQ(note.creationDate.time, 1704103200);
    EXPECT_EQ(note.creationDate.hour, 11);
    EXPECT_EQ(note.lastUpdateDate.dayOfYear, 182);
    EXPECT_EQ(note.guid.Data1, 0x01020304u);
    EXPECT_EQ(note.group, "12");
    EXPECT_EQ(note.groupColor, RGB(1, 2, 3));
    EXPECT_EQ(note.transparency, 128);
    EXPECT_EQ(note.text, "Hello");
    EXPECT_EQ(note.storedHeaderLength, 1544);
}

// Each version's header size and scrambling, and the text found right after it.
TEST(SticFormat, EachVersionFindsItsHeaderAndText)
{
    struct Case {
        const char* what;
        std::string bytes;
        size_t notes;
        const char* title;
        COLORREF textColor;
        int transparency;
        const char* command;
        const char* text;
    };
    const CSticHeaderBytes v1 = CSticHeaderBytes(158).Put(0, "one").U8(157, 0x99);
    const CSticHeaderBytes v2 = CSticHeaderBytes(160).Put(0, "two").Rgb(157, 0x10, 0x20, 0x30);
    const CSticHeaderBytes plain = CSticHeaderBytes().Put(0, "forty").U8(1287, 77).Put(168, "cmd");
    const CSticHeaderBytes shorter = CSticHeaderBytes(200).Put(0, "short").Rgb(157, 1, 2, 3);
    CSticHeaderBytes longer(1600);
    longer.Put(0, "long").U8(1287, 50).Put(1544, std::string(56, 'Z'));
    const Case cases[] = {
        {"version 1: 158 bytes, no text colour", SticHead(1, 1) + SticNoteBytes(1, v1, "first"), 1, "one", 0, 0, "",
         "first"},
        {"version 2: 160 bytes with the text colour", SticHead(2, 1) + SticNoteBytes(2, v2, "second"), 1, "two",
         RGB(0x10, 0x20, 0x30), 0, "", "second"},
        {"version 40: read like 33, unscrambled", SticHead(40, 1) + SticNoteBytes(40, plain, "plain"), 1, "forty", 0,
         77, "cmd", "plain"},
        {"a shorter header reads its tail as zero", SticHead(33, 1) + SticNoteBytes(33, shorter, ""), 1, "short",
         RGB(1, 2, 3), 0, "", ""},
        {"a longer header skips the extra bytes", SticHead(40, 1) + SticNoteBytes(40, longer, "after"), 1, "long", 0,
         50, "", "after"},
        {"count 0", SticHead(33, 0), 0, "", 0, 0, "", ""},
        {"count -1", SticHead(33, -1) + SticNoteBytes(33, plain, "never"), 0, "", 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        const SRead read = ReadBytes(c.bytes);
        EXPECT_TRUE(read.result) << c.what;
        ASSERT_EQ(read.notes.size(), c.notes) << c.what;
        if (c.notes == 0)
            continue;
        const SticNote& note = read.notes[0];
        EXPECT_EQ(note.title, c.title) << c.what;
        EXPECT_EQ(note.textColor, c.textColor) << c.what;
        EXPECT_EQ(note.transparency, c.transparency) << c.what;
        EXPECT_EQ(note.command, c.command) << c.what;
        EXPECT_EQ(note.text, c.text) << c.what;
    }
}

// Buffers that end early, lie about their lengths or leave out terminators:
// the exact line, the result, what was decoded, and never a read past the end.
TEST(SticFormat, MalformedBuffersEndWithTheirLineAndNeverReadPastTheEnd)
{
    CSticHeaderBytes unterminated;
    unterminated.Put(0, std::string(64, 'T'))
        .Put(91, std::string(32, 'F'))
        .Put(168, std::string(511, 'C'))
        .Put(680, std::string(260, 'S'))
        .Put(940, std::string(32, 'P'))
        .Put(1028, std::string(256, '7'))
        .Rgb(1284, 0x41, 0x42, 0x43);
    const std::string note = SticNoteBytes(40, CSticHeaderBytes().Put(0, "first"), "text");
    const std::string longHeader = SticNoteBytes(40, CSticHeaderBytes(), "", 2000);
    struct Case {
        const char* what;
        std::string bytes;
        bool result;
        size_t notes;
        std::wstring line;
    };
    const Case cases[] = {
        {"truncated head", std::string("STIC\x21", 5), false, 0, L"loadReruzaduFromMemory (readFromGlobal) failed"},
        {"another signature", "STIX" + Le16(33) + Le16(1), false, 0, L"No STIC signature"},
        {"version 1 header cut", SticHead(1, 1) + std::string(100, '\0'), false, 0,
         L"loadReruzaduFromMemory (readFromGlobal OLD) failed"},
        {"no length word", SticHead(33, 1) + "\x08", false, 0, L"loadReruzaduFromMemory (readFromGlobal WORD) failed"},
        {"full header cut", SticHead(33, 1) + Le16(1544) + std::string(1000, '\0'), false, 0,
         L"loadReruzaduFromMemory (readFromGlobal <33) failed"},
        {"short header cut", SticHead(33, 1) + Le16(600) + std::string(599, '\0'), false, 0,
         L"loadReruzaduFromMemory (readFromGlobal HEAD) failed"},
        {"header length past the end", SticHead(40, 1) + longHeader.substr(0, 2 + 1544), false, 0,
         L"loadReruzaduFromMemory - Bad read 0 (2010 - 1554)"},
        {"text past the end", SticHead(40, 1) + note.substr(0, note.size() - 1), false, 0,
         L"loadReruzaduFromMemory (text) failed"},
        {"text length past the end", SticHead(40, 1) + SticNoteBytes(40, CSticHeaderBytes().TextLength(60000), "x"),
         false, 0, L"loadReruzaduFromMemory (text) failed"},
        {"count 3, one note there", SticHead(40, 3) + note, false, 1,
         L"loadReruzaduFromMemory (readFromGlobal WORD) failed"},
        {"no field terminated", SticHead(40, 1) + SticNoteBytes(40, unterminated, ""), true, 1,
         L"loadReruzaduFromMemory - loading note 0 (" + std::wstring(63, L'T') + L"), size 1544, text size 0"},
        {"a NUL inside the text", SticHead(33, 1) + SticNoteBytes(33, CSticHeaderBytes(), std::string("ab\0cd", 5)),
         true, 1, L"loadReruzaduFromMemory - loading note 0 (), size 1544, text size 5"},
    };
    for (const Case& c : cases) {
        CLogCapture log;
        const SRead read = ReadBytes(c.bytes);
        EXPECT_EQ(read.result, c.result) << c.what;
        EXPECT_EQ(read.notes.size(), c.notes) << c.what;
        EXPECT_TRUE(log.Contains(c.line)) << c.what << ": " << (log.Lines().empty() ? "" : "lines logged");
    }

    const SRead fields = ReadBytes(SticHead(40, 1) + SticNoteBytes(40, unterminated, ""));
    ASSERT_EQ(fields.notes.size(), 1u);
    const SticNote& decoded = fields.notes[0];
    EXPECT_EQ(decoded.title.size(), 63u);
    EXPECT_EQ(decoded.face.size(), 31u);
    EXPECT_EQ(decoded.command.size(), 510u);
    EXPECT_EQ(decoded.soundFile.size(), 259u);
    EXPECT_EQ(decoded.password.size(), 31u);
    EXPECT_EQ(decoded.group, std::string(256, '7'));
    EXPECT_EQ(ReadBytes(SticHead(33, 1) + SticNoteBytes(33, CSticHeaderBytes(), std::string("ab\0cd", 5)))
                  .notes.at(0)
                  .text,
              "ab");
}

// The block's own size bounds a read as well as the length handed in.
TEST(SticFormat, GlobalReadsStopAtTheLengthGivenAndAtTheBlock)
{
    const HGLOBAL block = GlobalCopy("STIC0123");
    ASSERT_NE(block, nullptr);
    char out[8] = {};
    DWORD position = 0;
    EXPECT_EQ(readFromGlobal(block, 6, out, 8, position), 0);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(readFromGlobal(block, 100, out, 4, position), 4);
    EXPECT_EQ(readFromGlobal(block, 100, out, 5, position), 0) << "past the block";
    EXPECT_EQ(readFromGlobal(block, 100, out, 4, position), 4);
    EXPECT_EQ(std::string(out, 4), "0123");
    GlobalFree(block);
}

TEST(SticFormat, CutsEndOnACharacterBoundary)
{
    const std::string nichi = "\x93\xFA";   // both bytes test as lead bytes in code page 932
    struct Case {
        const char* what;
        std::string text;
        size_t max;
        UINT codePage;
        std::string expected;
    };
    const Case cases[] = {
        {"short enough", "abc", 3, 1252, "abc"},
        {"single bytes", "abcdef", 4, 1252, "abcd"},
        {"inside the second character", nichi + nichi + nichi, 3, 932, nichi},
        {"after a trail that looks like a lead", nichi + nichi + nichi, 4, 932, nichi + nichi},
        {"after a single byte", "a" + nichi + nichi, 4, 932, "a" + nichi},
        {"UTF-8 euro sign", "a\xE2\x82\xAC", 3, CP_UTF8, "a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(CutAnsiText(c.text, c.max, c.codePage)), Hex(c.expected)) << c.what;
}

}  // namespace
