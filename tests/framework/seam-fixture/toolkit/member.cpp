// A member named after the system function is no call of it; a call in a return is: 1 here.
class CMenuLike {
public:
    BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner);
};
BOOL CMenuLike::TrackPopupMenu(UINT flags, int x, int y, HWND owner)
{
    return TrackPopupMenu(reinterpret_cast<HMENU>(0), flags, x, y, 0, owner, nullptr);
}
