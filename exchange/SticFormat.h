// The legacy binary note format "STIC", as a codec over bytes: the file head,
// the per-version note headers, their scrambling, the time records, the
// repeat-code tables and the one-note encoder. It knows nothing of notes;
// legacynotes fills them from what is decoded here and back.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The field offsets of the 1544-byte note header.
namespace SticNoteHeader {
constexpr size_t kTitle = 0;            // char[64]
constexpr size_t kAlignment = 64;       // u32
constexpr size_t kPlacementFlags = 68;  // u16
constexpr size_t kShowCommand = 70;     // u16
constexpr size_t kPlacementPoints = 72; // 8 x i16
constexpr size_t kColor = 88;           // r, g, b
constexpr size_t kFace = 91;            // char[32]
constexpr size_t kFontHeight = 124;     // i16
constexpr size_t kFontWeight = 126;     // i16
constexpr size_t kTextLength = 128;     // u16
constexpr size_t kFlags = 130;          // u16
constexpr size_t kAlarmTime = 132;      // time record
constexpr size_t kReminderUnit = 152;   // i16
constexpr size_t kReminderCount = 154;  // byte
constexpr size_t kVisible = 155;        // byte
constexpr size_t kRepeatCode = 156;     // byte
constexpr size_t kTextColor = 157;      // r, g, b
constexpr size_t kMinimizeRect = 160;   // 4 x i16
constexpr size_t kCommand = 168;        // char[511]
constexpr size_t kCharSet = 679;        // byte
constexpr size_t kSoundFile = 680;      // char[260]
constexpr size_t kPassword = 940;       // char[32]
constexpr size_t kCreationDate = 972;   // time record
constexpr size_t kLastUpdateDate = 992; // time record
constexpr size_t kGuid = 1012;          // 16 bytes
constexpr size_t kGroup = 1028;         // char[256], digits, no terminator when full
constexpr size_t kGroupColor = 1284;    // r, g, b
constexpr size_t kTransparency = 1287;  // byte
constexpr size_t kSize = 1544;

// The widths of the text fields, terminator included (the group has none).
constexpr size_t kTitleWidth = 64;
constexpr size_t kFaceWidth = 32;
constexpr size_t kCommandWidth = 511;
constexpr size_t kSoundFileWidth = 260;
constexpr size_t kPasswordWidth = 32;
constexpr size_t kGroupWidth = 256;

// The fixed headers of the first two versions.
constexpr size_t kVersion1Size = 158;
constexpr size_t kVersion2Size = 160;
} // namespace SticNoteHeader

constexpr size_t kSticHeadSize = 8;
constexpr std::uint16_t kSticWriteVersion = 33;
// Header flag bits the format itself reads.
constexpr std::uint16_t kSticAlarmPresent = 0x0C;
constexpr std::uint16_t kSticCurrentFrame = 0x0800;
constexpr std::uint16_t kSticCharSetValid = 0x4000;
// The text length is a 16-bit field that older readers take as signed.
constexpr size_t kSticMaxTextBytes = 32767;

// A moment and its local time, as the format stores it (20 bytes).
struct SticTimeRecord {
    std::int32_t time = 0;    // seconds since 1970 UTC; 0 = no time
    std::uint16_t minute = 0;
    std::uint16_t hour = 0;
    std::uint16_t dayOfMonth = 0;
    std::uint16_t month = 0;  // 0-11
    std::uint16_t year = 0;   // years since 1900
    std::uint16_t dayOfWeek = 0;
    std::uint16_t dayOfYear = 0;
    std::uint16_t daylightSaving = 0;
};

// One note as the format holds it. Texts are ANSI bytes without terminator.
struct SticNote {
    std::string title;
    std::uint32_t alignment = 0;
    std::uint16_t placementFlags = 0;
    std::uint16_t showCommand = 0;
    POINT minPosition = {};
    POINT maxPosition = {};
    RECT normalRect = {};
    COLORREF color = 0;
    std::string face;
    std::int16_t fontHeight = 0;
    std::int16_t fontWeight = 0;
    std::uint16_t flags = 0;
    SticTimeRecord alarmTime;
    std::int16_t reminderUnit = 0;
    std::uint8_t reminderCount = 0;
    bool visible = false;
    std::uint8_t repeatCode = 0;
    bool hasTextColor = true;   // version 1 has none
    COLORREF textColor = 0;
    RECT minimizeRect = {};
    std::string command;
    std::uint8_t charSet = 0;
    std::string soundFile;
    std::string password;
    SticTimeRecord creationDate;
    SticTimeRecord lastUpdateDate;
    GUID guid = {};
    std::string group;          // as stored: the decimal digits
    COLORREF groupColor = 0;
    std::uint8_t transparency = 0;
    std::string text;
    // How the header was stored: L of the versions that have it, else 0.
    std::uint16_t storedHeaderLength = 0;
};

// Scrambles or unscrambles count bytes in place; each block starts at index 0.
void ScrambleSticBlock(BYTE* bytes, size_t count);

// Repeat kinds to stored codes and back; anything outside 0-7 is "once".
std::uint8_t SticRepeatCodeOf(int frequency);
int SticFrequencyOf(int repeatCode);

// The format's texts to and from wide text, in the thread's ANSI code page;
// a text that does not convert gives an empty one.
std::wstring ThreadAnsiToWide(const std::string& text);
std::string ThreadWideToAnsi(const std::wstring& text);

// The first bytes of text, at most maxBytes, not ending inside a character
// of the code page.
std::string CutAnsiText(const std::string& text, size_t maxBytes, UINT codePage);

// Copies count bytes from position in the block, bounded by limit as well as
// by the block's size, and advances position; 0 (the lock failure logged)
// when it cannot, else count.
int readFromGlobal(HGLOBAL block, DWORD limit, void* destination, DWORD count, DWORD& position);
// Copies count bytes to position in the block (grown by the caller) and
// advances position; 0 when the block cannot be locked, else count.
int writeToGlobal(HGLOBAL block, const void* source, DWORD count, DWORD& position);

// Where the reader's bytes come from: count bytes at position, advancing it;
// false when they are not there.
using SticSource = std::function<bool(void* destination, DWORD count, DWORD& position)>;
// The bytes of a memory range.
SticSource SticBytesSource(const BYTE* bytes, size_t length);
// The bytes of a global block, up to length.
SticSource SticGlobalSource(HGLOBAL block, DWORD length);

// What the taker of a decoded note wants next.
enum class ESticTake { kNext, kStop, kFail };

// Decodes every note of a buffer of length bytes, logging as it goes, and
// hands each to take with its index and the count the head gives. True after the last note (or a count below 1), or when
// take stops; false at the first fault or when take fails.
bool ReadSticBuffer(const SticSource& source, DWORD length, const std::function<ESticTake(const SticNote&, int, int)>& take);

// One note as a complete buffer: head, version 33, count 1, L = 1544, the
// scrambled header and text. Text fields longer than their width are cut on
// a character boundary of codePage; so is a text over kSticMaxTextBytes.
std::vector<BYTE> EncodeSticNote(const SticNote& note, UINT codePage);
