// A note handed to the mail program.
#include "notestore/Note.h"

int CNote::SendByEmail()
{
    return 0;
}
