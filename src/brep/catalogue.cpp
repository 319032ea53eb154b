#include "brep/catalogue.h"

ModelEntry modelTable[MODEL_ROWS];
