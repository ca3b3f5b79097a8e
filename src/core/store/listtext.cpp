#include "store/listtext.h"

int LibrarySelection(int noted, int count)
{
    if (count <= 0)
        return -1;
    return noted < count ? noted : 0;
}
