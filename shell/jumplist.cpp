// The jump list is not part of this build yet: the program treats the system
// as one without it.
#include "jumplist.h"

bool BuildJumpList()
{
    return false;
}
