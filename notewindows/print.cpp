// Printing a note: its text with a title, the date and page numbers.
#include "notestore/Note.h"

int CNote::Print()
{
    return 0;
}
