/* The public header compiles on its own, as C, with nothing before it. */
#include "zelkange.h"

int ZgeHeaderCheck(void) { return (int)sizeof(TListGE) + (int)sizeof(ZgeMessage); }
