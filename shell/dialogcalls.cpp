// The preferences are not part of this build yet: the call opens nothing.
#include "dialogcalls.h"

void ShowPreferences()
{
}
