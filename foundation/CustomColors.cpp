#include "CustomColors.h"

CustomColorArray& CustomColors()
{
    static CustomColorArray colors{};
    return colors;
}
