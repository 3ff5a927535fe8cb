// The installer program: a package holds it beside its Setup.ini.
#include "Kendry.h"

wxIMPLEMENT_APP(Kendry);
