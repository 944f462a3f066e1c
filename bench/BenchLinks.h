// The link scan's benchmark rows: a whole note scanned for links against one
// read of the same text from the control.
#pragma once

// Prints the rows: 200 KB of long words, and 5,000 ordinary links.
void MeasureLinkScan();
