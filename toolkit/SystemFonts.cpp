// The system's fonts as the menus and the notification pop-up draw with them.
#include "SystemFonts.h"

#include <cstddef>

bool ReadNonClientMetrics(NONCLIENTMETRICSW& metrics)
{
    metrics = NONCLIENTMETRICSW{};
    const UINT size = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    metrics.cbSize = size;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, size, &metrics, 0))
        return true;
    metrics = NONCLIENTMETRICSW{};
    return false;
}
