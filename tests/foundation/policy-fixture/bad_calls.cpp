// Calls the format policy must refuse (and a few it must let pass); read by
// the policy check only, never built.
void Calls(wchar_t* w, char* n, int* i, va_list args)
{
    swprintf(w, 10, L"%s", L"x");
    std::snprintf(n, 10, "%d", 1);
    wsprintfW(w, L"%d", 1);
    _snwprintf_s(w, 10, _TRUNCATE, L"%d", 1);
    vswprintf(w, 10, L"%d", args);
    _vsnwprintf_s(w, 10, _TRUNCATE, L"%d", args);
    swscanf(w, L"%d,%s", i, w);
    swscanf(w, L"%31[^\"]", w);
    swscanf(w, L"%c", w);
    swscanf(w, L"%d,%ls,%31l[^\"],%lc,%%s", i, w, w, w);
    FormatText(w, 10, L"%s", L"x");
    fwprintf(stderr, L"%d", 1);
}
