// The data object, format enumerator, drop source, drag image and drop target.
#include "DragDrop.h"

#include <shlguid.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// A task-memory copy of a target device: at least the fixed part, zero-filled
// beyond what the original declares.
DVTARGETDEVICE* CopyTargetDevice(const DVTARGETDEVICE* device)
{
    const size_t size = std::max<size_t>(device->tdSize, sizeof(DVTARGETDEVICE));
    auto* const copy = static_cast<DVTARGETDEVICE*>(CoTaskMemAlloc(size));
    if (!copy)
        return nullptr;
    std::memset(copy, 0, size);
    std::memcpy(copy, device, device->tdSize);
    return copy;
}

// A task-memory copy of a file name; null for null.
HRESULT CopyFileName(const wchar_t* name, LPOLESTR& copy)
{
    copy = nullptr;
    if (!name)
        return S_OK;
    const size_t bytes = (wcslen(name) + 1) * sizeof(wchar_t);
    copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!copy)
        return E_OUTOFMEMORY;
    std::memcpy(copy, name, bytes);
    return S_OK;
}

HRESULT CopyHandle(HANDLE source, CLIPFORMAT format, HGLOBAL& copy)
{
    copy = nullptr;
    if (!source)
        return S_OK;
    copy = OleDuplicateData(source, format, 0);
    return copy ? S_OK : E_OUTOFMEMORY;
}

DWORD FirstAllowed(DWORD allowed)
{
    for (const DWORD effect : {DROPEFFECT_MOVE, DROPEFFECT_COPY, DROPEFFECT_LINK})
        if (allowed & effect)
            return effect;
    return DROPEFFECT_NONE;
}

DWORD RequestedEffect(DWORD keyState)
{
    const bool control = (keyState & MK_CONTROL) != 0;
    const bool shift = (keyState & MK_SHIFT) != 0;
    if (control && shift)
        return DROPEFFECT_LINK;
    if (control)
        return DROPEFFECT_COPY;
    return shift ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
}

}  // namespace

FORMATETC NoteDragFormatEtc()
{
    return FORMATETC{kNoteDragClipFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// ---- Stored formats and media ----

CFormatEtc::CFormatEtc(const FORMATETC& format) : m_format(format)
{
    m_format.ptd = nullptr;
    if (!format.ptd)
        return;
    m_device.reset(CopyTargetDevice(format.ptd));
    m_format.ptd = m_device.get();
    m_valid = m_device != nullptr;
}

CFormatEtc& CFormatEtc::operator=(const CFormatEtc& other)
{
    if (this != &other)
        *this = CFormatEtc(other);
    return *this;
}

bool CFormatEtc::CopyTo(FORMATETC& out) const
{
    out = m_format;
    if (!m_format.ptd)
        return true;
    out.ptd = CopyTargetDevice(m_format.ptd);
    return out.ptd != nullptr;
}

CStgMedium::CStgMedium(CStgMedium&& other) noexcept : m_medium(other.m_medium)
{
    other.m_medium = STGMEDIUM();
}

CStgMedium& CStgMedium::operator=(CStgMedium&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_medium = other.m_medium;
        other.m_medium = STGMEDIUM();
    }
    return *this;
}

void CStgMedium::Reset()
{
    // An empty medium releases nothing; ReleaseStgMedium knows that.
    ReleaseStgMedium(&m_medium);
    m_medium = STGMEDIUM();
}

HRESULT DuplicateMedium(const STGMEDIUM& source, CLIPFORMAT format, STGMEDIUM& target)
{
    STGMEDIUM copy = {};
    copy.tymed = source.tymed;
    HRESULT result = S_OK;
    switch (source.tymed) {
    case TYMED_HGLOBAL:
    case TYMED_GDI:
    case TYMED_MFPICT:
    case TYMED_ENHMF:
        result = CopyHandle(source.hGlobal, format, copy.hGlobal);
        break;
    case TYMED_FILE:
        // A name is no handle: OleDuplicateData would read it as global memory.
        result = CopyFileName(source.lpszFileName, copy.lpszFileName);
        break;
    case TYMED_ISTREAM:
    case TYMED_ISTORAGE:
        copy.pstm = source.pstm;  // the stream and storage pointers share the place
        if (copy.pstm)
            copy.pstm->AddRef();
        break;
    default:
        return DV_E_TYMED;
    }
    if (FAILED(result))
        return result;
    copy.pUnkForRelease = source.pUnkForRelease;
    if (copy.pUnkForRelease)
        copy.pUnkForRelease->AddRef();
    target = copy;
    return S_OK;
}

// ---- Data object ----

CIDataObject::CIDataObject(CIDropSource* dropSource)
    : CUnknownImpl(EObjectLifetime::Heap, {{&IID_IDataObject, static_cast<IDataObject*>(this)}}),
      m_dropSource(dropSource)
{
}

int CIDataObject::FindEntry(const FORMATETC& format) const
{
    for (size_t i = 0; i < m_formats.size(); ++i) {
        const FORMATETC& stored = m_formats[i].Get();
        if ((stored.tymed & format.tymed) && stored.dwAspect == format.dwAspect &&
            stored.cfFormat == format.cfFormat)
            return static_cast<int>(i);
    }
    return -1;
}

HRESULT STDMETHODCALLTYPE CIDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    const int entry = FindEntry(*format);
    if (entry < 0)
        return DV_E_FORMATETC;
    return DuplicateMedium(m_media[entry].Get(), m_formats[entry].Get().cfFormat, *medium);
}

HRESULT STDMETHODCALLTYPE CIDataObject::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CIDataObject::QueryGetData(FORMATETC* format)
{
    if (!format)
        return E_INVALIDARG;
    if (!(format->dwAspect & DVASPECT_CONTENT))
        return DV_E_DVASPECT;
    // An empty object has no format at all.
    HRESULT verdict = DV_E_FORMATETC;
    for (const CFormatEtc& stored : m_formats) {
        if (!(stored.Get().tymed & format->tymed)) {
            verdict = DV_E_TYMED;
        } else if (stored.Get().cfFormat == format->cfFormat) {
            return S_OK;
        } else {
            verdict = DV_E_CLIPFORMAT;
        }
    }
    return verdict;
}

HRESULT STDMETHODCALLTYPE CIDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* canonical)
{
    return canonical ? DATA_S_SAMEFORMATETC : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE CIDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release)
{
    if (!format || !medium)
        return E_INVALIDARG;
    CFormatEtc stored(*format);
    if (!stored.Valid())
        return E_OUTOFMEMORY;
    try {
        // Room first: once the medium is ours, nothing may fail.
        m_formats.reserve(m_formats.size() + 1);
        m_media.reserve(m_media.size() + 1);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    STGMEDIUM kept = *medium;
    if (!release) {
        const HRESULT result = DuplicateMedium(*medium, format->cfFormat, kept);
        if (FAILED(result))
            return result;
    }
    m_formats.push_back(std::move(stored));
    m_media.emplace_back(kept);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CIDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator)
{
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    try {
        *enumerator = new CEnumFormatEtc(m_formats);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CIDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CIDataObject::DUnadvise(DWORD)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CIDataObject::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

// ---- Format enumerator ----

CEnumFormatEtc::CEnumFormatEtc(const std::vector<CFormatEtc>& formats, ULONG position)
    : CUnknownImpl(EObjectLifetime::Heap, {{&IID_IEnumFORMATETC, static_cast<IEnumFORMATETC*>(this)}}),
      m_formats(formats),
      m_position(position)
{
}

CEnumFormatEtc::CEnumFormatEtc(const FORMATETC* formats, ULONG count)
    : CUnknownImpl(EObjectLifetime::Heap, {{&IID_IEnumFORMATETC, static_cast<IEnumFORMATETC*>(this)}}),
      m_position(0)
{
    for (ULONG i = 0; i < count; ++i)
        m_formats.emplace_back(formats[i]);
}

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::Next(ULONG count, FORMATETC* out, ULONG* fetched)
{
    if (fetched)
        *fetched = 0;
    if (count == 0 || !out || m_position >= m_formats.size() || (!fetched && count != 1))
        return S_FALSE;
    ULONG copied = 0;
    while (copied < count && m_position < m_formats.size() && m_formats[m_position].CopyTo(out[copied])) {
        ++copied;
        ++m_position;
    }
    if (fetched)
        *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::Skip(ULONG count)
{
    if (count > m_formats.size() - m_position)
        return S_FALSE;
    m_position += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::Reset()
{
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumFormatEtc::Clone(IEnumFORMATETC** clone)
{
    if (!clone)
        return E_POINTER;
    try {
        *clone = new CEnumFormatEtc(m_formats, m_position);
    } catch (const std::bad_alloc&) {
        *clone = nullptr;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

// ---- Drop source and drag image ----

CIDropSource::CIDropSource()
    : CUnknownImpl(EObjectLifetime::Heap, {{&IID_IDropSource, static_cast<IDropSource*>(this)}})
{
}

HRESULT STDMETHODCALLTYPE CIDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed)
        return DRAGDROP_S_CANCEL;
    if (!(keyState & (MK_LBUTTON | MK_RBUTTON))) {
        m_dropped = true;
        return DRAGDROP_S_DROP;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CIDropSource::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

CDragSourceHelper::CDragSourceHelper()
{
    CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDragSourceHelper,
                     m_helper.Receive());
}

void CDragSourceHelper::InitializeFromWindow(HWND window, POINT& point, IDataObject* data)
{
    // The image is a nicety: a drag goes on whatever the helper answers.
    if (m_helper)
        m_helper->InitializeFromWindow(window, &point, data);
}

// ---- Drop target ----

CIDropTarget::CIDropTarget(HWND target)
    : CUnknownImpl(EObjectLifetime::Heap, {{&IID_IDropTarget, static_cast<IDropTarget*>(this)}}), m_window(target)
{
    CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTargetHelper,
                     m_helper.Receive());
}

void CIDropTarget::AddFormat(const FORMATETC& format)
{
    m_formats.emplace_back(format);
}

bool CIDropTarget::ChooseDropEffect(DWORD keyState, DWORD* effect) const
{
    if (!effect)
        return false;
    DWORD chosen = DROPEFFECT_NONE;
    if (m_allowDrop) {
        const DWORD requested = RequestedEffect(keyState);
        chosen = requested ? (*effect & requested) : FirstAllowed(*effect);
    }
    *effect = chosen;
    return chosen != DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE CIDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    if (!data || !effect)
        return E_INVALIDARG;
    POINT helperPoint = {point.x, point.y};
    if (m_helper)
        m_helper->DragEnter(m_window, data, &helperPoint, *effect);
    ForgetMatch();
    for (size_t i = 0; i < m_formats.size(); ++i) {
        FORMATETC format = m_formats[i].Get();
        if (data->QueryGetData(&format) == S_OK) {
            m_matched = static_cast<int>(i);
            m_allowDrop = true;
            break;
        }
    }
    ChooseDropEffect(keyState, effect);
    TrackDragPoint(point);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CIDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    POINT helperPoint = {point.x, point.y};
    if (m_helper)
        m_helper->DragOver(&helperPoint, *effect);
    ChooseDropEffect(keyState, effect);
    TrackDragPoint(point);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CIDropTarget::DragLeave()
{
    if (m_helper)
        m_helper->DragLeave();
    ForgetMatch();
    ClearDragFeedback();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CIDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    if (!data || !effect)
        return E_INVALIDARG;
    POINT helperPoint = {point.x, point.y};
    if (m_helper)
        m_helper->Drop(data, &helperPoint, *effect);
    TrackDragPoint(point);
    if (ChooseDropEffect(keyState, effect) && m_matched >= 0) {
        FORMATETC format = m_formats[m_matched].Get();
        STGMEDIUM medium = {};
        if (SUCCEEDED(data->GetData(&format, &medium))) {
            if (HandleDrop(format, medium, effect))
                ReleaseStgMedium(&medium);
        } else {
            // Nothing was dropped: a source must not delete what it moved.
            *effect = DROPEFFECT_NONE;
        }
    }
    ForgetMatch();
    return S_OK;
}

void CIDropTarget::TrackDragPoint(POINTL)
{
}

void CIDropTarget::ClearDragFeedback()
{
}

void CIDropTarget::ForgetMatch()
{
    m_matched = -1;
    m_allowDrop = false;
}
