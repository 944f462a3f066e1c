// The search is not built yet: it finds nothing.
#include "QuickSearchQuery.h"

std::wstring BuildQuickSearchMatch(const std::vector<std::wstring>&)
{
    return {};
}

bool DoQuickSearch(const std::wstring&, std::vector<QuickSearchResult>& results)
{
    results.clear();
    return false;
}
