// The drag-and-drop COM objects driven directly, as OLE would drive them: no
// drag runs, so these need no display.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/ComApartment.h"
#include "tests/support/TestDir.h"
#include "toolkit/DragDrop.h"

namespace {

// An object whose references the tests count: pUnkForRelease, or a stand-in.
class CCountedUnknown : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = IsEqualIID(iid, IID_IUnknown) ? this : nullptr;
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    ULONG references = 1;  // the test's own
};

// The current count of a COM object, read without changing it.
ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

CComPtr<CIDataObject> NewDataObject()
{
    CComPtr<CIDataObject> data;
    *data.ReceiveTyped() = new CIDataObject(nullptr);
    return data;
}

CComPtr<IStream> NewStream()
{
    CComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.ReceiveTyped());
    return stream;
}

FORMATETC Format(CLIPFORMAT format, DWORD tymed, DWORD aspect = DVASPECT_CONTENT)
{
    return FORMATETC{format, nullptr, aspect, -1, tymed};
}

HGLOBAL GlobalWith(const std::string& bytes)
{
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

std::string GlobalText(HGLOBAL block)
{
    const size_t size = GlobalSize(block);
    const char* const bytes = static_cast<const char*>(GlobalLock(block));
    std::string text(bytes, size);
    GlobalUnlock(block);
    return text;
}

// Stores a block of text in a format, as the object's own copy.
void SetText(IDataObject* data, CLIPFORMAT format, const std::string& text)
{
    FORMATETC formatEtc = Format(format, TYMED_HGLOBAL);
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = GlobalWith(text);
    ASSERT_EQ(data->SetData(&formatEtc, &medium, TRUE), S_OK);
}

TEST(DataObject, SetDataTakesOverOrCopiesAndReleasesOnceAtTheEnd)
{
    for (const BOOL release : {TRUE, FALSE}) {
        CCountedUnknown owner;
        CComPtr<IStream> stream = NewStream();
        ASSERT_TRUE(stream);
        const ULONG streamBefore = References(stream.Get());
        {
            CComPtr<CIDataObject> data = NewDataObject();
            FORMATETC format = Format(0x200, TYMED_ISTREAM);
            STGMEDIUM medium = {};
            medium.tymed = TYMED_ISTREAM;
            medium.pstm = stream.Get();
            medium.pUnkForRelease = &owner;
            if (release) {
                // The object now holds the references the medium carried.
                stream->AddRef();
                owner.AddRef();
            }
            ASSERT_EQ(data->SetData(&format, &medium, release), S_OK);
            EXPECT_EQ(owner.references, 2u) << release;
            EXPECT_EQ(References(stream.Get()), streamBefore + 1) << release;

            // A copy for the caller holds references of its own.
            STGMEDIUM copy = {};
            ASSERT_EQ(data->GetData(&format, &copy), S_OK);
            EXPECT_EQ(copy.pstm, stream.Get());
            EXPECT_EQ(owner.references, 3u);
            ReleaseStgMedium(&copy);
            EXPECT_EQ(owner.references, 2u);
        }
        EXPECT_EQ(owner.references, 1u) << "the stored medium released once; release " << release;
        EXPECT_EQ(References(stream.Get()), streamBefore) << release;
    }
}

TEST(DataObject, EveryStoredMediumIsReleasedOnceAtTheFinalRelease)
{
    CCountedUnknown owner;
    CComPtr<CIDataObject> data = NewDataObject();
    for (const CLIPFORMAT format : {CLIPFORMAT(0x200), CLIPFORMAT(0x201), CLIPFORMAT(0x200)}) {
        FORMATETC formatEtc = Format(format, TYMED_HGLOBAL);
        STGMEDIUM medium = {};  // TYMED_NULL: releasing it releases only its owner
        medium.pUnkForRelease = &owner;
        owner.AddRef();
        ASSERT_EQ(data->SetData(&formatEtc, &medium, TRUE), S_OK);
    }
    data->AddRef();
    data->Release();
    EXPECT_EQ(owner.references, 4u) << "nothing released before the last reference";
    data.Reset();
    EXPECT_EQ(owner.references, 1u);
}

TEST(DataObject, RefusesWhatItCannotCopy)
{
    CComPtr<CIDataObject> data = NewDataObject();
    FORMATETC format = Format(0x200, TYMED_HGLOBAL);
    STGMEDIUM empty = {};
    EXPECT_EQ(data->SetData(nullptr, &empty, FALSE), E_INVALIDARG);
    EXPECT_EQ(data->SetData(&format, nullptr, FALSE), E_INVALIDARG);
    EXPECT_EQ(data->SetData(&format, &empty, FALSE), DV_E_TYMED) << "no copy of an unknown medium";

    // Taken over as it is, an unknown medium is stored but cannot be handed out.
    ASSERT_EQ(data->SetData(&format, &empty, TRUE), S_OK);
    EXPECT_EQ(data->QueryGetData(&format), S_OK);
    STGMEDIUM out = {};
    EXPECT_EQ(data->GetData(&format, &out), DV_E_TYMED);
    EXPECT_EQ(data->GetData(nullptr, &out), E_INVALIDARG);
}

TEST(DataObject, GetDataCopiesTheFirstMatchingEntry)
{
    CComPtr<CIDataObject> data = NewDataObject();
    SetText(data.Get(), 0x200, "first");
    SetText(data.Get(), 0x200, "second");
    SetText(data.Get(), 0x201, "other");

    struct Case {
        FORMATETC request;
        HRESULT result;
        const char* text;
    };
    const Case cases[] = {
        {Format(0x200, TYMED_HGLOBAL), S_OK, "first"},                  // first of two entries
        {Format(0x200, TYMED_HGLOBAL | TYMED_ISTREAM), S_OK, "first"},  // one shared tymed bit is enough
        {Format(0x201, TYMED_HGLOBAL), S_OK, "other"},
        {Format(0x200, TYMED_ISTREAM), DV_E_FORMATETC, nullptr},        // no shared tymed
        {Format(0x200, TYMED_HGLOBAL, DVASPECT_ICON), DV_E_FORMATETC, nullptr},
        {Format(0x202, TYMED_HGLOBAL), DV_E_FORMATETC, nullptr},
    };
    for (const Case& c : cases) {
        FORMATETC request = c.request;
        STGMEDIUM medium = {};
        ASSERT_EQ(data->GetData(&request, &medium), c.result) << request.cfFormat << "," << request.tymed;
        if (!c.text)
            continue;
        EXPECT_EQ(medium.tymed, DWORD(TYMED_HGLOBAL));
        EXPECT_EQ(GlobalText(medium.hGlobal), c.text);
        // The caller's own copy: changing it changes nothing stored.
        *static_cast<char*>(GlobalLock(medium.hGlobal)) = '#';
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
        ASSERT_EQ(data->GetData(&request, &medium), S_OK);
        EXPECT_EQ(GlobalText(medium.hGlobal), c.text);
        ReleaseStgMedium(&medium);
    }
}

TEST(DataObject, QueryGetDataVerdicts)
{
    CComPtr<CIDataObject> empty = NewDataObject();
    FORMATETC any = Format(0x200, TYMED_HGLOBAL);
    EXPECT_EQ(empty->QueryGetData(&any), DV_E_FORMATETC) << "an empty object";

    CComPtr<CIDataObject> data = NewDataObject();
    SetText(data.Get(), 0x200, "notes");
    SetText(data.Get(), 0x201, "text");
    EXPECT_EQ(data->QueryGetData(nullptr), E_INVALIDARG);

    struct Case {
        FORMATETC request;
        HRESULT verdict;
    };
    const Case cases[] = {
        {Format(0x200, TYMED_HGLOBAL), S_OK},
        {Format(0x201, TYMED_HGLOBAL | TYMED_FILE), S_OK},
        {Format(0x200, TYMED_HGLOBAL, DVASPECT_THUMBNAIL), DV_E_DVASPECT},
        {Format(0x202, TYMED_HGLOBAL), DV_E_CLIPFORMAT},  // the last entry shares the medium
        {Format(0x200, TYMED_FILE), DV_E_TYMED},          // the last entry shares none
    };
    for (const Case& c : cases) {
        FORMATETC request = c.request;
        EXPECT_EQ(data->QueryGetData(&request), c.verdict) << request.cfFormat << "," << request.tymed;
    }
}

TEST(DataObject, AFileNameCopyIsIndependentOfItsSource)
{
    // Releasing a file medium deletes the file: the name lies in a folder of
    // the test's own and is never created.
    const CTestDir dir;
    std::wstring name = dir.File(L"notes.txt");
    CComPtr<CIDataObject> data = NewDataObject();
    FORMATETC format = Format(CF_HDROP, TYMED_FILE);
    STGMEDIUM medium = {};
    medium.tymed = TYMED_FILE;
    medium.lpszFileName = &name[0];
    ASSERT_EQ(data->SetData(&format, &medium, FALSE), S_OK);
    const std::wstring original = name;
    name.assign(name.size(), L'x');

    STGMEDIUM copy = {};
    ASSERT_EQ(data->GetData(&format, &copy), S_OK);
    ASSERT_NE(copy.lpszFileName, nullptr);
    EXPECT_NE(copy.lpszFileName, &name[0]);
    EXPECT_EQ(std::wstring(copy.lpszFileName), original);
    ReleaseStgMedium(&copy);
}

TEST(DataObject, KeepsItsOwnCopyOfATargetDevice)
{
    CComPtr<CIDataObject> data = NewDataObject();
    const size_t deviceBytes = sizeof(DVTARGETDEVICE) + 8;
    std::vector<BYTE> device(deviceBytes, 0x5A);
    reinterpret_cast<DVTARGETDEVICE*>(device.data())->tdSize = static_cast<DWORD>(deviceBytes);
    const std::vector<BYTE> original = device;
    FORMATETC format = Format(0x200, TYMED_ISTREAM);
    format.ptd = reinterpret_cast<DVTARGETDEVICE*>(device.data());
    CComPtr<IStream> stream = NewStream();
    STGMEDIUM medium = {};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = stream.Get();
    ASSERT_EQ(data->SetData(&format, &medium, FALSE), S_OK);
    std::fill(device.begin(), device.end(), BYTE(0xEE));

    CComPtr<IEnumFORMATETC> formats;
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.ReceiveTyped()), S_OK);
    FORMATETC listed = {};
    ASSERT_EQ(formats->Next(1, &listed, nullptr), S_OK);
    ASSERT_NE(listed.ptd, nullptr);
    EXPECT_NE(static_cast<void*>(listed.ptd), static_cast<void*>(device.data()));
    EXPECT_EQ(std::memcmp(listed.ptd, original.data(), deviceBytes), 0);
    CoTaskMemFree(listed.ptd);
}

// ---- The format enumerator ----

std::vector<CLIPFORMAT> Drain(IEnumFORMATETC* formats)
{
    std::vector<CLIPFORMAT> seen;
    FORMATETC format = {};
    ULONG fetched = 0;
    while (formats->Next(1, &format, &fetched) == S_OK)
        seen.push_back(format.cfFormat);
    return seen;
}

TEST(FormatEnumerator, ListsTheFormatsInOrderAndClonesItsPosition)
{
    CComPtr<CIDataObject> data = NewDataObject();
    SetText(data.Get(), 0x201, "a");
    SetText(data.Get(), 0x200, "b");
    CComPtr<IEnumFORMATETC> formats;
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, formats.ReceiveTyped()), E_NOTIMPL);
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_GET, nullptr), E_POINTER);
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.ReceiveTyped()), S_OK);

    FORMATETC out[3] = {};
    ULONG fetched = 99;
    EXPECT_EQ(formats->Next(0, out, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(formats->Next(2, out, nullptr), S_FALSE) << "more than one needs a count back";
    ASSERT_EQ(formats->Next(1, out, nullptr), S_OK);
    EXPECT_EQ(out[0].cfFormat, 0x201);

    CComPtr<IEnumFORMATETC> clone;
    ASSERT_EQ(formats->Clone(clone.ReceiveTyped()), S_OK);
    EXPECT_EQ(Drain(clone.Get()), std::vector<CLIPFORMAT>{0x200}) << "the clone continues at the second";
    EXPECT_EQ(Drain(formats.Get()), std::vector<CLIPFORMAT>{0x200});
    fetched = 99;
    EXPECT_EQ(formats->Next(1, out, &fetched), S_FALSE) << "past the end";
    EXPECT_EQ(fetched, 0u);

    formats->Reset();
    EXPECT_EQ(formats->Next(3, out, &fetched), S_FALSE) << "fewer than asked for";
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(out[0].cfFormat, 0x201);
    EXPECT_EQ(out[1].cfFormat, 0x200);
}

TEST(FormatEnumerator, SkipStopsAtTheEnd)
{
    const FORMATETC list[] = {Format(1, TYMED_HGLOBAL), Format(2, TYMED_HGLOBAL), Format(3, TYMED_HGLOBAL)};
    CComPtr<IEnumFORMATETC> formats;
    *formats.ReceiveTyped() = new CEnumFormatEtc(list, 3);
    EXPECT_EQ(formats->Skip(2), S_OK);
    EXPECT_EQ(formats->Skip(2), S_FALSE) << "would pass the end";
    EXPECT_EQ(Drain(formats.Get()), std::vector<CLIPFORMAT>{3}) << "a refused skip leaves the position";
    EXPECT_EQ(formats->Skip(0), S_OK) << "at the end is not past it";
}

// ---- Drop source ----

TEST(DropSource, ContinuesUntilTheButtonsAreReleased)
{
    struct Case {
        BOOL escape;
        DWORD keys;
        HRESULT answer;
        bool dropped;
    };
    const Case cases[] = {
        {FALSE, MK_LBUTTON, S_OK, false},
        {FALSE, MK_RBUTTON | MK_SHIFT, S_OK, false},
        {FALSE, MK_CONTROL, DRAGDROP_S_DROP, true},
        {TRUE, 0, DRAGDROP_S_CANCEL, false},  // escape wins over released buttons
    };
    for (const Case& c : cases) {
        CComPtr<CIDropSource> source;
        *source.ReceiveTyped() = new CIDropSource();
        EXPECT_EQ(source->QueryContinueDrag(c.escape, c.keys), c.answer) << c.keys;
        EXPECT_EQ(source->Dropped(), c.dropped) << c.keys;
        EXPECT_EQ(source->GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS);
    }
}

// ---- Drop target ----

class CRecordingTarget : public CIDropTarget {
public:
    explicit CRecordingTarget(HWND window) : CIDropTarget(window) {}

    bool releaseMedium = true;
    int drops = 0;
    STGMEDIUM kept = {};  // the medium when the target took it over
    std::vector<POINTL> points;
    int cleared = 0;

protected:
    bool HandleDrop(const FORMATETC&, STGMEDIUM& medium, DWORD*) override
    {
        ++drops;
        if (!releaseMedium)
            kept = medium;
        return releaseMedium;
    }
    void TrackDragPoint(POINTL point) override { points.push_back(point); }
    void ClearDragFeedback() override { ++cleared; }
};

const FORMATETC kStreamNotes = {kNoteDragClipFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};

CComPtr<CRecordingTarget> NewTarget()
{
    CComPtr<CRecordingTarget> target;
    *target.ReceiveTyped() = new CRecordingTarget(nullptr);
    target->AddFormat(NoteDragFormatEtc());
    target->AddFormat(kStreamNotes);
    return target;
}

// A data object offering the notes as a stream.
CComPtr<CIDataObject> StreamData(IStream* stream)
{
    CComPtr<CIDataObject> data = NewDataObject();
    FORMATETC format = kStreamNotes;
    STGMEDIUM medium = {};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = stream;
    data->SetData(&format, &medium, FALSE);
    return data;
}

TEST(DropTarget, ChoosesTheEffectFromKeysAndAllowedEffects)
{
    CComPtr<IStream> stream = NewStream();
    CComPtr<CIDataObject> data = StreamData(stream.Get());
    CComPtr<CRecordingTarget> target = NewTarget();
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(target->DragEnter(data.Get(), 0, POINTL{1, 2}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));

    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    struct Case {
        DWORD keys;
        DWORD allowed;
        DWORD chosen;
    };
    const Case cases[] = {
        {0, kNoteDragEffects, DROPEFFECT_MOVE},
        {MK_LBUTTON, DROPEFFECT_COPY, DROPEFFECT_COPY},  // buttons ask for nothing
        {0, DROPEFFECT_LINK, DROPEFFECT_LINK},
        {0, DROPEFFECT_NONE, DROPEFFECT_NONE},
        {MK_CONTROL, all, DROPEFFECT_COPY},
        {MK_CONTROL, DROPEFFECT_MOVE, DROPEFFECT_NONE},
        {MK_SHIFT, all, DROPEFFECT_MOVE},
        {MK_SHIFT, DROPEFFECT_COPY, DROPEFFECT_NONE},  // the no-drop cursor over a copy-only source
        {MK_CONTROL | MK_SHIFT, all, DROPEFFECT_LINK},
        {MK_CONTROL | MK_SHIFT, kNoteDragEffects, DROPEFFECT_NONE},
    };
    for (const Case& c : cases) {
        DWORD chosen = c.allowed;
        EXPECT_EQ(target->ChooseDropEffect(c.keys, &chosen), c.chosen != DROPEFFECT_NONE) << c.keys << "," << c.allowed;
        EXPECT_EQ(chosen, c.chosen) << c.keys << "," << c.allowed;
        chosen = c.allowed;
        EXPECT_EQ(target->DragOver(c.keys, POINTL{3, 4}, &chosen), S_OK);
        EXPECT_EQ(chosen, c.chosen) << "over " << c.keys << "," << c.allowed;
    }

    EXPECT_EQ(target->DragLeave(), S_OK);
    EXPECT_EQ(target->cleared, 1);
    effect = all;
    EXPECT_FALSE(target->ChooseDropEffect(0, &effect)) << "nothing to drop after leaving";
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
}

TEST(DropTarget, DropsOnlyWhatMatchedAndReleasesAsTheSubclassSays)
{
    CComPtr<IStream> stream = NewStream();
    const ULONG streamBefore = References(stream.Get());
    for (const bool release : {true, false}) {
        CComPtr<CIDataObject> data = StreamData(stream.Get());
        CComPtr<CRecordingTarget> target = NewTarget();
        target->releaseMedium = release;
        DWORD effect = kNoteDragEffects;
        ASSERT_EQ(target->DragEnter(data.Get(), MK_LBUTTON, POINTL{10, 20}, &effect), S_OK);
        effect = kNoteDragEffects;
        ASSERT_EQ(target->Drop(data.Get(), 0, POINTL{11, 21}, &effect), S_OK);
        EXPECT_EQ(target->drops, 1);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
        ASSERT_EQ(target->points.size(), 2u);
        EXPECT_EQ(target->points[1].x, 11);
        EXPECT_EQ(target->points[1].y, 21);
        const ULONG held = 1;  // the data object's stored medium
        EXPECT_EQ(References(stream.Get()), streamBefore + held + (release ? 0 : 1)) << release;
        if (!release) {
            ReleaseStgMedium(&target->kept);
            EXPECT_EQ(References(stream.Get()), streamBefore + held);
        }
        effect = kNoteDragEffects;
        EXPECT_FALSE(target->ChooseDropEffect(0, &effect)) << "a drop forgets the match";
    }
    EXPECT_EQ(References(stream.Get()), streamBefore);
}

TEST(DropTarget, IgnoresDropsItCannotRead)
{
    CComPtr<CRecordingTarget> target = NewTarget();

    // No accepted format offered.
    CComPtr<CIDataObject> other = NewDataObject();
    SetText(other.Get(), 0x201, "text");
    DWORD effect = kNoteDragEffects;
    ASSERT_EQ(target->DragEnter(other.Get(), 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = kNoteDragEffects;
    EXPECT_EQ(target->Drop(other.Get(), 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));

    // Offered but not readable: the format is there, its medium is not.
    CComPtr<CIDataObject> broken = NewDataObject();
    FORMATETC format = NoteDragFormatEtc();
    STGMEDIUM nothing = {};
    ASSERT_EQ(broken->SetData(&format, &nothing, TRUE), S_OK);
    effect = kNoteDragEffects;
    ASSERT_EQ(target->DragEnter(broken.Get(), 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
    EXPECT_EQ(target->Drop(broken.Get(), 0, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE)) << "the source must not delete what was not dropped";

    EXPECT_EQ(target->drops, 0);
    EXPECT_EQ(target->DragEnter(nullptr, 0, POINTL{}, &effect), E_INVALIDARG);
    EXPECT_EQ(target->Drop(nullptr, 0, POINTL{}, &effect), E_INVALIDARG);
}

TEST(DropTarget, TheShellHelperOnlyWithCom)
{
    {
        CComPtr<CRecordingTarget> helperless = NewTarget();
        EXPECT_FALSE(helperless->HasHelper()) << "no COM on this thread";
        CDragSourceHelper source;
        EXPECT_FALSE(source.HasHelper());
        POINT point = {0, 0};
        source.InitializeFromWindow(nullptr, point, nullptr);  // nothing to call
    }
    const CComApartment com;
    ASSERT_TRUE(com.Initialised());
    CComPtr<CRecordingTarget> target = NewTarget();
    EXPECT_TRUE(target->HasHelper());
    CDragSourceHelper source;
    EXPECT_TRUE(source.HasHelper());
}

}  // namespace
