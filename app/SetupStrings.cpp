#include "SetupStrings.h"

SetupStrings theSetupStrings;
