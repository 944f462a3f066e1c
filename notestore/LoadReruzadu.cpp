// Start-up loading. Notes get windows only with the note windows, which are
// not part of this build yet: nothing is loaded or changed.
#include "LoadReruzadu.h"

int LoadReruzadu()
{
    return 1;
}
