// Each REFUSED_KIND passes a format argument the checked entries must refuse
// at compile time; built only by the compile-fail test entries.
#include <string>

#include "foundation/PooledStr.h"
#include "foundation/StdStr.h"

struct Point {
    int x, y;
};

void Refused()
{
    CStdStr text;
#if REFUSED_KIND == 1
    text.Format(L"%s", CStdStr(L"object"));
#elif REFUSED_KIND == 2
    text.Format(L"%s", std::wstring(L"object"));
#elif REFUSED_KIND == 3
    CPooledStr pooled;
    pooled.Format(L"%d", Point{ 1, 2 });
#elif REFUSED_KIND == 4
    CStdStrA narrow;
    narrow.Format("%Lf", 1.0L);
#endif
}
