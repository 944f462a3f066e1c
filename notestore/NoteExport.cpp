// A note written out: into a text or XML file, and in the legacy binary form.
#include "Note.h"

#include "LoadReruzadu.h"
#include "notemgr.h"
#include "foundation/LogFile.h"
#include "foundation/fileio.h"
#include "framework/GlobalMemory.h"

#include <cstring>
#include <string>

namespace {

constexpr int kExportText = 0;
constexpr int kExportXml = 1;

const char kNotesEndTag[] = "</NOTES>";

bool WriteBytes(CWinFile& file, const std::string& bytes, const wchar_t* path)
{
    if (file.Write(bytes.data(), static_cast<DWORD>(bytes.size())))
        return true;
    QLOG(L"ExportSticky - Write failed - error %08lx, file %s", GetLastError(), path);
    return false;
}

bool OpenForExport(CWinFile& file, const wchar_t* path, bool append)
{
    UINT flags = CWinFile::create | CWinFile::accessWrite | CWinFile::shareRead;
    if (append)
        flags |= CWinFile::keepContent;
    CWinFileException error;
    if (file.Open(path, flags, &error))
        return true;
    QLOG(L"ExportSticky - Open failed - error %08lx, file %s", error.Error(), path);
    return false;
}

CStdStr RuledTitle(const CStdStr& title)
{
    CStdStr rule;
    rule.append(79, L'=').append(L"\r\n");
    CStdStr line;
    line.Format(L"= %s\r\n", title.c_str());
    return rule + line + rule;
}

// Closes the notes document in a file that holds its records.
bool AppendNotesEnd(const wchar_t* path)
{
    CWinFile file;
    if (!OpenForExport(file, path, true))
        return false;
    file.SeekToEnd();
    return WriteBytes(file, kNotesEndTag, path);
}

} // namespace

bool CNote::ExportSticky(const wchar_t* path, int format, bool append, bool last)
{
    if (format != kExportText && format != kExportXml)
        return true;
    if (!UnlockText())
        return false;
    CWinFile file;
    if (!OpenForExport(file, path, append))
        return false;
    if (m_row.visible)
        UpdateFromWindow();
    const DWORD existing = file.SeekToEnd();
    std::string bytes;
    if (format == kExportText) {
        const CStdStr block = (existing != 0 ? CStdStr(L"\r\n") : CStdStr()) + RuledTitle(GetDisplayName()) +
                              GetPlainText();
        // The conversion logs its failure.
        if (!WideToUtf8(block.c_str(), block.size(), bytes))
            return false;
    } else {
        CStdStrA record = WriteXml(!append);
        if (last)
            record.AppendNotesEndTag();
        bytes.assign(record.c_str(), record.size());
    }
    return WriteBytes(file, bytes, path);
}

bool ExportAllNotes(const wchar_t* path, int format)
{
    CNoteManager& manager = NoteManager();
    int written = 0;
    bool exported = true;
    for (const std::int64_t id : manager.GetAllNoteIDs()) {
        CNote* const note = manager.GetNote(id);
        if (!note)
            continue;
        if (!note->ExportSticky(path, format, written > 0, false)) {
            exported = false;
            break;
        }
        ++written;
    }
    if (format == kExportXml && written > 0 && !AppendNotesEnd(path))
        exported = false;
    return exported;
}

HGLOBAL CNote::SaveToGlobal()
{
    CGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 0));
    if (!block || SaveToMemory(block.Get()) < 0)
        return nullptr;
    return block.Release();
}

bool CNote::ReadFromBuffer(const BYTE* bytes, int length)
{
    if (!bytes || length <= 0) {
        QLOG(L"ReadFromBuffer - nothing to read");
        return false;
    }
    CGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(length)));
    if (!block) {
        QLOG(L"ReadFromBuffer - failed to allocate %d bytes", length);
        return false;
    }
    void* const target = GlobalLock(block.Get());
    if (!target) {
        QLOG(L"Failed to lock global alloc");
        return false;
    }
    std::memcpy(target, bytes, static_cast<size_t>(length));
    GlobalUnlock(block.Get());
    return loadReruzaduFromMemory(this, block.Get(), static_cast<DWORD>(length), true);
}
