// OLE drag and drop for the program's own windows: a data object that keeps
// format and medium pairs, its format enumerator, the drop source of a drag,
// the shell's drag image for the source, and a drop target base whose
// subclass decides what a drop does. All of it runs on the UI thread, inside
// DoDragDrop and the registered target.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>

#include <memory>
#include <vector>

#include "framework/ComPtr.h"
#include "framework/UnknownImpl.h"

// The organizer's note drag: a movable global block holding the 16-byte
// binary GUIDs of the dragged notes one after another.
constexpr CLIPFORMAT kNoteDragClipFormat = 0x200;
constexpr DWORD kNoteDragEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE;
FORMATETC NoteDragFormatEtc();

// A FORMATETC that owns a copy of its target device, so a stored format never
// points into a caller's memory.
class CFormatEtc {
public:
    // A target device that cannot be copied leaves the copy without one;
    // Valid() says so.
    explicit CFormatEtc(const FORMATETC& format);
    CFormatEtc(const CFormatEtc& other) : CFormatEtc(other.Get()) {}
    CFormatEtc& operator=(const CFormatEtc& other);
    // A move keeps the device where it is, so the format's pointer stays good.
    CFormatEtc(CFormatEtc&&) noexcept = default;
    CFormatEtc& operator=(CFormatEtc&&) noexcept = default;
    ~CFormatEtc() = default;

    const FORMATETC& Get() const { return m_format; }
    bool Valid() const { return m_valid; }
    // A copy whose target device the receiver frees with CoTaskMemFree; false
    // when that copy cannot be allocated.
    bool CopyTo(FORMATETC& out) const;

private:
    struct STaskMemFree {
        void operator()(void* memory) const { CoTaskMemFree(memory); }
    };

    FORMATETC m_format;
    std::unique_ptr<DVTARGETDEVICE, STaskMemFree> m_device;
    bool m_valid = true;
};

// One storage medium, released once when its owner goes.
class CStgMedium {
public:
    CStgMedium() : m_medium() {}
    explicit CStgMedium(const STGMEDIUM& medium) : m_medium(medium) {}
    ~CStgMedium() { Reset(); }
    CStgMedium(CStgMedium&& other) noexcept;
    CStgMedium& operator=(CStgMedium&& other) noexcept;
    CStgMedium(const CStgMedium&) = delete;
    CStgMedium& operator=(const CStgMedium&) = delete;

    const STGMEDIUM& Get() const { return m_medium; }
    void Reset();

private:
    STGMEDIUM m_medium;
};

// Copies a medium for its format: global memory, GDI objects and pictures
// through OleDuplicateData, a file as a copy of its name, streams and storages
// as the same pointer with a reference of its own. E_OUTOFMEMORY when a copy
// cannot be made, DV_E_TYMED for an unknown medium.
HRESULT DuplicateMedium(const STGMEDIUM& source, CLIPFORMAT format, STGMEDIUM& target);

class CIDropSource;

class CIDataObject : public CUnknownImpl<IDataObject> {
public:
    // Starts with the one reference its creator holds.
    explicit CIDataObject(CIDropSource* dropSource);

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                      DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** enumerator) override;

private:
    // Index of the first stored entry for the format, or -1.
    int FindEntry(const FORMATETC& format) const;

    CIDropSource* const m_dropSource;  // the drag it was made for; not owned
    std::vector<CFormatEtc> m_formats;
    std::vector<CStgMedium> m_media;  // index for index with the formats
};

class CEnumFormatEtc : public CUnknownImpl<IEnumFORMATETC> {
public:
    explicit CEnumFormatEtc(const std::vector<CFormatEtc>& formats, ULONG position = 0);
    CEnumFormatEtc(const FORMATETC* formats, ULONG count);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* out, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** clone) override;

private:
    std::vector<CFormatEtc> m_formats;
    ULONG m_position;
};

class CIDropSource : public CUnknownImpl<IDropSource> {
public:
    CIDropSource();

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

    // Whether the drag ended with the buttons released.
    bool Dropped() const { return m_dropped; }

private:
    bool m_dropped = false;
};

// The shell's drag image on the source side; without the shell helper a drag
// simply shows no image.
class CDragSourceHelper {
public:
    CDragSourceHelper();
    virtual ~CDragSourceHelper() = default;
    CDragSourceHelper(const CDragSourceHelper&) = delete;
    CDragSourceHelper& operator=(const CDragSourceHelper&) = delete;

    void InitializeFromWindow(HWND window, POINT& point, IDataObject* data);
    bool HasHelper() const { return static_cast<bool>(m_helper); }

private:
    CComPtr<IDragSourceHelper> m_helper;
};

// A drop target that accepts the formats its owner adds (before it registers
// the target) and hands a matching drop to the subclass.
class CIDropTarget : public CUnknownImpl<IDropTarget> {
public:
    // Starts with the one reference its creator holds; without the shell
    // helper (no COM, or none installed) drops work without drag images.
    explicit CIDropTarget(HWND target);

    void AddFormat(const FORMATETC& format);
    // The effect for the keys among those the source allows (in: allowed,
    // out: chosen): Ctrl+Shift link, Ctrl copy, Shift move, each only when
    // allowed; without keys move, else copy, else link. NONE while no
    // accepted format matched. Whether the effect is not NONE.
    bool ChooseDropEffect(DWORD keyState, DWORD* effect) const;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

    bool HasHelper() const { return static_cast<bool>(m_helper); }

protected:
    ~CIDropTarget() override = default;

    // The dropped medium in the matched format; true when the base is to
    // release it afterwards, false when the subclass took it over.
    virtual bool HandleDrop(const FORMATETC& format, STGMEDIUM& medium, DWORD* effect) = 0;
    // Feedback hooks: the drag point in screen coordinates, and the end of a
    // drag over the target.
    virtual void TrackDragPoint(POINTL point);
    virtual void ClearDragFeedback();

    HWND TargetWindow() const { return m_window; }

private:
    void ForgetMatch();

    CComPtr<IDropTargetHelper> m_helper;
    std::vector<CFormatEtc> m_formats;
    int m_matched = -1;  // index into the formats; an index survives AddFormat
    bool m_allowDrop = false;
    const HWND m_window;
};
