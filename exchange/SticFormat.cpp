// The legacy note format: decoding bounded by the bytes handed in, every
// length checked against what remains before it is used.
#include "SticFormat.h"

#include "foundation/LogFile.h"

#include <algorithm>
#include <cstring>

namespace {

const char kSignature[4] = {'S', 'T', 'I', 'C'};
const char kScrambleKey[] = "Qp7vR2kW9xT&4mLc";
// Frequency -> stored code, and stored code -> frequency.
const std::uint8_t kWriteCodes[8] = {0, 7, 1, 2, 3, 6, 4, 5};
const int kReadFrequencies[8] = {0, 2, 3, 4, 6, 7, 5, 1};
constexpr size_t kTimeRecordSize = 20;

bool IsScrambledVersion(std::uint16_t version)
{
    return version == 23 || version == 28 || version == 33;
}

// ---------------------------------------------------------------- fields

std::uint16_t U16(const BYTE* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }
std::int16_t I16(const BYTE* at) { return static_cast<std::int16_t>(U16(at)); }
std::uint32_t U32(const BYTE* at) { return U16(at) | (static_cast<std::uint32_t>(U16(at + 2)) << 16); }

void PutU16(BYTE* at, std::uint16_t value)
{
    at[0] = static_cast<BYTE>(value);
    at[1] = static_cast<BYTE>(value >> 8);
}

void PutU32(BYTE* at, std::uint32_t value)
{
    PutU16(at, static_cast<std::uint16_t>(value));
    PutU16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

COLORREF Rgb(const BYTE* at) { return RGB(at[0], at[1], at[2]); }

void PutRgb(BYTE* at, COLORREF color)
{
    at[0] = GetRValue(color);
    at[1] = GetGValue(color);
    at[2] = GetBValue(color);
}

// A text field: up to its first NUL, never past width bytes.
std::string FieldText(const BYTE* at, size_t width)
{
    const void* const end = std::memchr(at, 0, width);
    const size_t length = end ? static_cast<size_t>(static_cast<const BYTE*>(end) - at) : width;
    return std::string(reinterpret_cast<const char*>(at), length);
}

void PutFieldText(BYTE* at, const std::string& text, size_t maxBytes, UINT codePage)
{
    const std::string cut = CutAnsiText(text, maxBytes, codePage);
    std::memcpy(at, cut.data(), cut.size());
}

RECT Rect16(const BYTE* at)
{
    return RECT{I16(at), I16(at + 2), I16(at + 4), I16(at + 6)};
}

void PutRect16(BYTE* at, const RECT& rect)
{
    PutU16(at, static_cast<std::uint16_t>(rect.left));
    PutU16(at + 2, static_cast<std::uint16_t>(rect.top));
    PutU16(at + 4, static_cast<std::uint16_t>(rect.right));
    PutU16(at + 6, static_cast<std::uint16_t>(rect.bottom));
}

SticTimeRecord TimeRecord(const BYTE* at)
{
    SticTimeRecord record;
    record.time = static_cast<std::int32_t>(U32(at));
    std::uint16_t* const fields[] = {&record.minute, &record.hour, &record.dayOfMonth, &record.month,
                                     &record.year, &record.dayOfWeek, &record.dayOfYear, &record.daylightSaving};
    for (size_t i = 0; i < 8; ++i)
        *fields[i] = U16(at + 4 + 2 * i);
    return record;
}

void PutTimeRecord(BYTE* at, const SticTimeRecord& record)
{
    PutU32(at, static_cast<std::uint32_t>(record.time));
    const std::uint16_t fields[] = {record.minute, record.hour, record.dayOfMonth, record.month,
                                    record.year, record.dayOfWeek, record.dayOfYear, record.daylightSaving};
    for (size_t i = 0; i < 8; ++i)
        PutU16(at + 4 + 2 * i, fields[i]);
}

// ---------------------------------------------------------------- header

void DecodeHeader(const BYTE* header, SticNote& note)
{
    using namespace SticNoteHeader;
    note.title = FieldText(header + kTitle, kTitleWidth - 1);
    note.alignment = U32(header + kAlignment);
    note.placementFlags = U16(header + kPlacementFlags);
    note.showCommand = U16(header + kShowCommand);
    const BYTE* const points = header + kPlacementPoints;
    note.minPosition = POINT{I16(points), I16(points + 2)};
    note.maxPosition = POINT{I16(points + 4), I16(points + 6)};
    note.normalRect = Rect16(points + 8);
    note.color = Rgb(header + kColor);
    note.face = FieldText(header + kFace, kFaceWidth - 1);
    note.fontHeight = I16(header + kFontHeight);
    note.fontWeight = I16(header + kFontWeight);
    note.flags = U16(header + kFlags);
    note.alarmTime = TimeRecord(header + kAlarmTime);
    note.reminderUnit = I16(header + kReminderUnit);
    note.reminderCount = header[kReminderCount];
    note.visible = header[kVisible] != 0;
    note.repeatCode = header[kRepeatCode];
    note.textColor = Rgb(header + kTextColor);
    note.minimizeRect = Rect16(header + kMinimizeRect);
    note.command = FieldText(header + kCommand, kCommandWidth - 1);
    note.charSet = header[kCharSet];
    note.soundFile = FieldText(header + kSoundFile, kSoundFileWidth - 1);
    note.password = FieldText(header + kPassword, kPasswordWidth - 1);
    note.creationDate = TimeRecord(header + kCreationDate);
    note.lastUpdateDate = TimeRecord(header + kLastUpdateDate);
    std::memcpy(&note.guid, header + kGuid, sizeof(note.guid));
    note.group = FieldText(header + kGroup, kGroupWidth);
    note.groupColor = Rgb(header + kGroupColor);
    note.transparency = header[kTransparency];
}

void EncodeHeader(const SticNote& note, std::uint16_t textLength, UINT codePage, BYTE* header)
{
    using namespace SticNoteHeader;
    PutFieldText(header + kTitle, note.title, kTitleWidth - 1, codePage);
    PutU32(header + kAlignment, note.alignment);
    PutU16(header + kPlacementFlags, note.placementFlags);
    PutU16(header + kShowCommand, note.showCommand);
    BYTE* const points = header + kPlacementPoints;
    PutRect16(points, RECT{note.minPosition.x, note.minPosition.y, note.maxPosition.x, note.maxPosition.y});
    PutRect16(points + 8, note.normalRect);
    PutRgb(header + kColor, note.color);
    PutFieldText(header + kFace, note.face, kFaceWidth - 1, codePage);
    PutU16(header + kFontHeight, static_cast<std::uint16_t>(note.fontHeight));
    PutU16(header + kFontWeight, static_cast<std::uint16_t>(note.fontWeight));
    PutU16(header + kTextLength, textLength);
    PutU16(header + kFlags, note.flags);
    PutTimeRecord(header + kAlarmTime, note.alarmTime);
    PutU16(header + kReminderUnit, static_cast<std::uint16_t>(note.reminderUnit));
    header[kReminderCount] = note.reminderCount;
    header[kVisible] = note.visible ? 1 : 0;
    header[kRepeatCode] = note.repeatCode;
    PutRgb(header + kTextColor, note.textColor);
    PutRect16(header + kMinimizeRect, note.minimizeRect);
    PutFieldText(header + kCommand, note.command, kCommandWidth - 1, codePage);
    header[kCharSet] = note.charSet;
    PutFieldText(header + kSoundFile, note.soundFile, kSoundFileWidth - 1, codePage);
    PutFieldText(header + kPassword, note.password, kPasswordWidth - 1, codePage);
    PutTimeRecord(header + kCreationDate, note.creationDate);
    PutTimeRecord(header + kLastUpdateDate, note.lastUpdateDate);
    std::memcpy(header + kGuid, &note.guid, sizeof(note.guid));
    PutFieldText(header + kGroup, note.group, kGroupWidth, codePage);
    PutRgb(header + kGroupColor, note.groupColor);
    header[kTransparency] = note.transparency;
}

// ---------------------------------------------------------------- reading

class CSticNoteReader {
public:
    CSticNoteReader(const SticSource& source, DWORD length, std::uint16_t version)
        : m_source(source), m_length(length), m_version(version)
    {
    }

    DWORD& Position() { return m_position; }
    // The header and text of note index into note; false (logged) on a fault.
    bool Read(int index, SticNote& note);

private:
    bool ReadHeader(BYTE* header, std::uint16_t& stored, size_t& read);
    bool ReadText(SticNote& note, std::uint16_t textLength);

    const SticSource& m_source;
    const DWORD m_length;
    const std::uint16_t m_version;
    DWORD m_position = kSticHeadSize;
};

bool CSticNoteReader::ReadHeader(BYTE* header, std::uint16_t& stored, size_t& read)
{
    if (m_version == 1 || m_version == 2) {
        read = m_version == 1 ? SticNoteHeader::kVersion1Size : SticNoteHeader::kVersion2Size;
        if (m_source(header, static_cast<DWORD>(read), m_position))
            return true;
        QLOG(L"loadReruzaduFromMemory (readFromGlobal OLD) failed");
        return false;
    }
    BYTE word[2] = {};
    if (!m_source(word, sizeof(word), m_position)) {
        QLOG(L"loadReruzaduFromMemory (readFromGlobal WORD) failed");
        return false;
    }
    stored = U16(word);
    read = std::min<size_t>(stored, SticNoteHeader::kSize);
    if (!m_source(header, static_cast<DWORD>(read), m_position)) {
        if (stored >= SticNoteHeader::kSize)
            QLOG(L"loadReruzaduFromMemory (readFromGlobal <33) failed");
        else
            QLOG(L"loadReruzaduFromMemory (readFromGlobal HEAD) failed");
        return false;
    }
    // Fields of later writers are skipped unread.
    m_position += static_cast<DWORD>(stored - read);
    return true;
}

bool CSticNoteReader::ReadText(SticNote& note, std::uint16_t textLength)
{
    const bool fits = textLength <= m_length - std::min(m_position, m_length);
    std::string text(fits ? textLength : 0, '\0');
    if (!fits || (textLength > 0 && !m_source(text.data(), textLength, m_position))) {
        QLOG(L"loadReruzaduFromMemory (text) failed");
        return false;
    }
    if (IsScrambledVersion(m_version))
        ScrambleSticBlock(reinterpret_cast<BYTE*>(text.data()), text.size());
    text.resize(std::strlen(text.c_str()));
    note.text = std::move(text);
    return true;
}

bool CSticNoteReader::Read(int index, SticNote& note)
{
    std::vector<BYTE> header(SticNoteHeader::kSize, 0);
    std::uint16_t stored = 0;
    size_t read = 0;
    if (!ReadHeader(header.data(), stored, read))
        return false;
    if (m_position > m_length) {
        QLOG(L"loadReruzaduFromMemory - Bad read %d (%u - %u)", index, static_cast<unsigned>(m_position),
             static_cast<unsigned>(m_length));
        return false;
    }
    if (IsScrambledVersion(m_version))
        ScrambleSticBlock(header.data(), read);
    DecodeHeader(header.data(), note);
    note.hasTextColor = m_version != 1;
    if (!note.hasTextColor)
        note.textColor = 0;
    note.storedHeaderLength = stored;
    const std::uint16_t textLength = U16(header.data() + SticNoteHeader::kTextLength);
    QLOG(L"loadReruzaduFromMemory - loading note %d (%s), size %hu, text size %hu", index,
         ThreadAnsiToWide(note.title).c_str(), stored, textLength);
    return ReadText(note, textLength);
}

} // namespace

void ScrambleSticBlock(BYTE* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        bytes[i] ^= static_cast<BYTE>(static_cast<BYTE>(kScrambleKey[(11 * i) % 16]) + 50 * i);
}

std::uint8_t SticRepeatCodeOf(int frequency)
{
    return frequency >= 0 && frequency < 8 ? kWriteCodes[frequency] : 0;
}

int SticFrequencyOf(int repeatCode)
{
    return repeatCode >= 0 && repeatCode < 8 ? kReadFrequencies[repeatCode] : 0;
}

std::wstring ThreadAnsiToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

// Whole: a conversion into a buffer that is too short gives nothing.
std::string ThreadWideToAnsi(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), size, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

std::string CutAnsiText(const std::string& text, size_t maxBytes, UINT codePage)
{
    if (text.size() <= maxBytes)
        return text;
    // A trail byte may look like a lead byte: only a walk from the start
    // knows where characters begin.
    size_t end = 0;
    while (end < text.size()) {
        const BYTE lead = static_cast<BYTE>(text[end]);
        size_t width = 1;
        if (codePage == CP_UTF8)
            width = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        else if (IsDBCSLeadByteEx(codePage, lead))
            width = 2;
        if (end + width > maxBytes)
            break;
        end += width;
    }
    return text.substr(0, end);
}

int readFromGlobal(HGLOBAL block, DWORD limit, void* destination, DWORD count, DWORD& position)
{
    const BYTE* const bytes = static_cast<const BYTE*>(GlobalLock(block));
    if (!bytes) {
        QLOG(L"Failed to lock global alloc in readFromGlobal\n");
        return 0;
    }
    const SIZE_T end = std::min<SIZE_T>(limit, GlobalSize(block));
    const bool inside = position <= end && count <= end - position;
    if (inside && count > 0)
        std::memcpy(destination, bytes + position, count);
    GlobalUnlock(block);
    if (!inside)
        return 0;
    position += count;
    return static_cast<int>(count);
}

int writeToGlobal(HGLOBAL block, const void* source, DWORD count, DWORD& position)
{
    BYTE* const bytes = static_cast<BYTE*>(GlobalLock(block));
    if (!bytes)
        return 0;
    std::memcpy(bytes + position, source, count);
    GlobalUnlock(block);
    position += count;
    return static_cast<int>(count);
}

SticSource SticBytesSource(const BYTE* bytes, size_t length)
{
    return [bytes, length](void* destination, DWORD count, DWORD& position) {
        if (position > length || count > length - position)
            return false;
        if (count > 0)
            std::memcpy(destination, bytes + position, count);
        position += count;
        return true;
    };
}

SticSource SticGlobalSource(HGLOBAL block, DWORD length)
{
    return [block, length](void* destination, DWORD count, DWORD& position) {
        return count == 0 || readFromGlobal(block, length, destination, count, position) != 0;
    };
}

bool ReadSticBuffer(const SticSource& source, DWORD length, const std::function<ESticTake(const SticNote&, int, int)>& take)
{
    BYTE head[kSticHeadSize] = {};
    DWORD position = 0;
    if (!source(head, sizeof(head), position)) {
        QLOG(L"loadReruzaduFromMemory (readFromGlobal) failed");
        return false;
    }
    if (std::memcmp(head, kSignature, sizeof(kSignature)) != 0) {
        QLOG(L"No STIC signature");
        return false;
    }
    const int count = I16(head + 6);
    QLOG(L"loadReruzaduFromMemory - found %d notes", count);
    CSticNoteReader reader(source, length, U16(head + 4));
    for (int index = 0; index < count; ++index) {
        SticNote note;
        if (!reader.Read(index, note))
            return false;
        const ESticTake next = take(note, index, count);
        if (next == ESticTake::kFail)
            return false;
        if (next == ESticTake::kStop)
            break;
    }
    return true;
}

std::vector<BYTE> EncodeSticNote(const SticNote& note, UINT codePage)
{
    const std::string text = CutAnsiText(note.text, kSticMaxTextBytes, codePage);
    const size_t headerAt = kSticHeadSize + 2;
    const size_t textAt = headerAt + SticNoteHeader::kSize;
    std::vector<BYTE> bytes(textAt + text.size(), 0);
    std::memcpy(bytes.data(), kSignature, sizeof(kSignature));
    PutU16(bytes.data() + 4, kSticWriteVersion);
    PutU16(bytes.data() + 6, 1);
    PutU16(bytes.data() + kSticHeadSize, static_cast<std::uint16_t>(SticNoteHeader::kSize));
    EncodeHeader(note, static_cast<std::uint16_t>(text.size()), codePage, bytes.data() + headerAt);
    ScrambleSticBlock(bytes.data() + headerAt, SticNoteHeader::kSize);
    std::memcpy(bytes.data() + textAt, text.data(), text.size());
    ScrambleSticBlock(bytes.data() + textAt, text.size());
    return bytes;
}
